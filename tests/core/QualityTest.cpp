// Guards the detector's precision and recall per kind on the generated,
// labelled corpus (tools/QualityCorpus.h). The floors sit a little below what
// the detector reaches today, so a change that loses findings or adds false
// ones fails here with the misses listed; raise a floor when a kind improves.
// tools/quality-eval prints the full table on a larger corpus.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "../../tools/QualityScore.h"

using namespace clipvane;
using namespace clipvane::quality;

namespace {

struct Floor {
  Kind kind;
  double precision;
  double recall;
};

const Report& report() {
  static const Report rep = score(generate(7, 1500), Detector{});
  return rep;
}

std::string missesOf(Kind kind, const std::vector<Miss>& misses, int limit = 12) {
  std::ostringstream out;
  int n = 0;
  for (const auto& m : misses) {
    if (m.kind != kind) continue;
    if (n++ < limit) out << "\n  [" << m.item << "] " << m.note << "\n      " << m.context;
  }
  if (n > limit) out << "\n  … and " << n - limit << " more";
  return out.str();
}

void expectFloors(const std::vector<Floor>& floors) {
  for (const auto& f : floors) {
    const auto it = report().kinds.find(f.kind);
    ASSERT_NE(it, report().kinds.end()) << rawName(f.kind) << " has no gold spans in the corpus";
    const KindScore& k = it->second;
    EXPECT_GE(k.precision(), f.precision)
        << rawName(f.kind) << ": precision " << k.precision() << " (" << k.exact << " of "
        << k.found
        << " findings exact); false positives:" << missesOf(f.kind, report().falsePositives);
    EXPECT_GE(k.recall(), f.recall)
        << rawName(f.kind) << ": recall " << k.recall() << " (" << k.exact << " of " << k.gold
        << " gold spans); false negatives:" << missesOf(f.kind, report().falseNegatives);
  }
}

// Look-alikes of each tag were placed, and none is flagged.
void expectUnflagged(std::initializer_list<const char*> tags) {
  for (const char* tag : tags) {
    const auto placed = report().lookAlikes.find(tag);
    ASSERT_NE(placed, report().lookAlikes.end()) << tag << " missing from the corpus";
    const auto hit = report().lookAlikeHits.find(tag);
    EXPECT_EQ(hit == report().lookAlikeHits.end() ? 0 : hit->second, 0)
        << tag << " look-alikes flagged";
  }
}

}  // namespace

TEST(Quality, PatternKinds) {
  expectFloors({
      {Kind::ssn, 0.98, 0.98},
      {Kind::email, 0.98, 0.95},
      {Kind::phone, 0.97, 0.95},
      {Kind::card, 0.98, 0.98},
      {Kind::iban, 0.98, 0.98},
      {Kind::privateKey, 0.98, 0.98},
      {Kind::apiKey, 0.98, 0.98},
      {Kind::databaseUrl, 0.98, 0.98},
      {Kind::ipv4, 0.98, 0.98},
      {Kind::ipv6, 0.98, 0.98},
      {Kind::macAddress, 0.98, 0.98},
      {Kind::internalUrl, 0.98, 0.97},
      {Kind::userPath, 0.95, 0.95},
  });
}

TEST(Quality, FieldKinds) {
  expectFloors({
      {Kind::name, 0.98, 0.95},
      {Kind::passport, 0.97, 0.97},
      {Kind::birthDate, 0.98, 0.98},
      {Kind::driverLicense, 0.94, 0.94},
      {Kind::username, 0.98, 0.98},
      {Kind::identifier, 0.98, 0.98},
      {Kind::organization, 0.96, 0.96},
      {Kind::address, 0.98, 0.98},
      {Kind::cvv, 0.98, 0.98},
      {Kind::secret, 0.98, 0.98},
      {Kind::financialRecord, 0.98, 0.98},
      {Kind::employmentRecord, 0.97, 0.98},
      {Kind::medicalRecord, 0.98, 0.98},
  });
}

// Look-alikes that users meet every day in code and logs: hardly any finding
// may fall on them.
TEST(Quality, EverydayLookAlikesStayUnmarked) {
  expectUnflagged({"uuid", "sha", "hash", "semver", "version", "timestamp", "date", "time",
                   "hex-colour", "order-number", "invoice-number", "luhn-fail", "epoch"});
}

// The look-alikes of the field kinds that notes and prose write: a build
// "diagnosed with" a leak, a command's flag named in a sentence, dashed pairs
// of digits that are no phone, a street's name before a number in a
// sentence, a card product under a holder's key.
TEST(Quality, RecordFormLookAlikesStayUnmarked) {
  expectUnflagged(
      {"clinical-prose", "command-prose", "dashed-pairs", "street-prose", "holder-product"});
}

// Over every text of the corpus: each finding's value is the text of its
// range, and its mask never shows the whole value.
TEST(Quality, FindingsHoldTheirRangeAndHideTheirValue) {
  const Detector detector;
  for (const auto& item : generate(7, 1500)) {
    for (const auto& f : detector.detect(item.text)) {
      ASSERT_LE(f.range.end(), static_cast<int>(item.text.size())) << item.id;
      EXPECT_EQ(f.value, item.text.substr(f.range.location, f.range.length))
          << item.id << " " << rawName(f.kind);
      EXPECT_EQ(f.mask.find(f.value), std::u16string::npos)
          << item.id << " " << rawName(f.kind) << " mask shows " << toUtf8(f.value);
    }
  }
}
