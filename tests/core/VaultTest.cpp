#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cmath>
#include <functional>
#include <limits>
#include <map>

#include "Crypto.h"
#include "Detector.h"
#include "Json.h"
#include "Masks.h"
#include "Storage.h"
#include "TempHome.h"
#include "Vault.h"

using namespace clipvane;
using Style = Vault::LabelStyle;

namespace {

const Date kNow = *parseISO8601("2026-12-06T20:00:00Z");

// The finding of the first occurrence of value in text (after `from`).
Finding at(std::u16string_view text, std::u16string value, Kind kind, std::u16string mask = u"",
           std::u16string label = u"", std::size_t from = 0) {
  const auto pos = text.find(value, from);
  EXPECT_NE(pos, std::u16string_view::npos) << toUtf8(value);
  if (label.empty()) label = std::u16string(kind.label());
  if (mask.empty()) mask = u"•••";
  return Finding{kind, {int(pos), int(value.size())}, value, mask, label};
}

Vault::Entry entry(std::u16string mask, std::u16string original, Kind kind, Date created = kNow) {
  return {std::move(mask), std::move(original), kind, created, std::nullopt};
}

std::vector<std::u16string> masksOf(const Vault& v) {
  std::vector<std::u16string> out;
  for (const auto& e : v.entries) out.push_back(e.mask);
  return out;
}

}  // namespace

TEST(VaultRecord, TokensContinueFromTheHighestLiveNumberOfTheirWord) {
  Vault v;
  v.entries = {entry(u"[EMAIL_3]", u"old@example.com", Kind::email),
               entry(u"[ID_NUMBER_9]", u"123-45-6789", Kind::ssn),
               entry(u"[EMAIL_1]", u"older@example.com", Kind::email)};
  const std::u16string text = u"a@x.io, b@y.io, ID 42, Falcon-7";
  const std::vector<Finding> findings = {
      at(text, u"a@x.io", Kind::email), at(text, u"b@y.io", Kind::email),
      at(text, u"42", Kind::identifier), at(text, u"Falcon-7", Kind::custom, u"", u"Project x")};
  EXPECT_EQ(v.record(text, findings, {}, {}, Style::token, true, kNow),
            u"[EMAIL_4], [EMAIL_5], ID [ID_1], [PROJECT_X_1]");
  ASSERT_EQ(v.entries.size(), 7u);
  EXPECT_EQ(v.entries[3], entry(u"[EMAIL_4]", u"a@x.io", Kind::email));
  EXPECT_EQ(v.entries[6], entry(u"[PROJECT_X_1]", u"Falcon-7", Kind::custom));

  // The next paste goes on counting.
  const std::u16string next = u"c@z.io";
  EXPECT_EQ(v.record(next, {at(next, u"c@z.io", Kind::email)}, {}, {}, Style::token, true, kNow),
            u"[EMAIL_6]");
}

TEST(VaultRecord, ReuseOfTheSameValue) {
  struct Row {
    const char* name;
    bool reuse;
    std::vector<Vault::Entry> before;
    std::u16string expected;
    std::size_t added;
  };
  const std::u16string text = u"ann@x.io ann@x.io bob@x.io";
  const Row rows[] = {
      {"same paste, reuse", true, {}, u"[EMAIL_1] [EMAIL_1] [EMAIL_2]", 2},
      {"same paste, no reuse", false, {}, u"[EMAIL_1] [EMAIL_2] [EMAIL_3]", 3},
      {"live entry of the same kind",
       true,
       {entry(u"[EMAIL_7]", u"ann@x.io", Kind::email)},
       u"[EMAIL_7] [EMAIL_7] [EMAIL_8]",
       1},
      {"live entry, no reuse",
       false,
       {entry(u"[EMAIL_7]", u"ann@x.io", Kind::email)},
       u"[EMAIL_8] [EMAIL_9] [EMAIL_10]",
       3},
      {"same original, other kind and word",
       true,
       {entry(u"[USERNAME_1]", u"ann@x.io", Kind::username)},
       u"[EMAIL_1] [EMAIL_1] [EMAIL_2]",
       2},
      {"same word from a custom label",
       true,
       {entry(u"[EMAIL_2]", u"ann@x.io", Kind::custom)},
       u"[EMAIL_2] [EMAIL_2] [EMAIL_3]",
       1},
      {"a mask-style entry is not a token",
       true,
       {entry(u"a•••@x•••.io", u"ann@x.io", Kind::email)},
       u"[EMAIL_1] [EMAIL_1] [EMAIL_2]",
       2},
  };
  for (const auto& r : rows) {
    Vault v;
    v.entries = r.before;
    const std::vector<Finding> findings = {at(text, u"ann@x.io", Kind::email),
                                           at(text, u"ann@x.io", Kind::email, u"", u"", 1),
                                           at(text, u"bob@x.io", Kind::email)};
    EXPECT_EQ(v.record(text, findings, {}, {}, Style::token, r.reuse, kNow), r.expected) << r.name;
    EXPECT_EQ(v.entries.size(), r.before.size() + r.added) << r.name;
  }
}

TEST(VaultRecord, ReusedPlaceholderLivesOnFromNow) {
  Vault v;
  v.entries = {entry(u"[EMAIL_1]", u"ann@x.io", Kind::email, kNow - std::chrono::hours(20))};
  const std::u16string text = u"ann@x.io";
  v.record(text, {at(text, text, Kind::email)}, {}, {}, Style::token, true, kNow);
  ASSERT_EQ(v.entries.size(), 1u);
  EXPECT_EQ(v.entries[0].created, kNow);
}

TEST(VaultRecord, KeptLockedOverlappingAndOutOfRangeFindings) {
  const std::u16string text = u"key=sk_live_abc card 4111 1111 1111 1111 mail ann@x.io";
  Finding overlap = at(text, u"1111 mail", Kind::custom, u"", u"Odd");
  Finding outside{Kind::phone, {int(text.size()) - 2, 5}, u"??", u"•••", u"Phone"};
  Finding negative{Kind::phone, {-3, 4}, u"??", u"•••", u"Phone"};
  Finding empty{Kind::phone, {3, 0}, u"", u"•••", u"Phone"};
  const std::vector<Finding> findings = {at(text, u"ann@x.io", Kind::email),
                                         at(text, u"4111 1111 1111 1111", Kind::card),
                                         at(text, u"sk_live_abc", Kind::apiKey),
                                         overlap,
                                         outside,
                                         negative,
                                         empty};
  Vault v;
  EXPECT_EQ(v.record(text, findings, /*keep=*/{2}, /*locked=*/{1}, Style::token, true, kNow),
            u"key=sk_live_abc card [removed] mail [EMAIL_1]");
  EXPECT_EQ(masksOf(v), std::vector<std::u16string>{u"[EMAIL_1]"});
  for (const auto& e : v.entries) EXPECT_NE(e.mask, Masks::removed);
}

// What a record would write for each finding, worked out on the vault as it
// is: the same placeholders record() then writes, nothing stored meanwhile,
// and none for a finding kept, locked or left out.
TEST(VaultRecord, LabelsForTellWhatRecordWritesAndChangeNothing) {
  const std::u16string text = u"key=sk_live_abc card 4111 1111 1111 1111 mail ann@x.io, ann@x.io";
  Finding overlap = at(text, u"1111 mail", Kind::custom, u"", u"Odd");
  const std::vector<Finding> findings = {at(text, u"ann@x.io", Kind::email),
                                         at(text, u"4111 1111 1111 1111", Kind::card),
                                         at(text, u"sk_live_abc", Kind::apiKey), overlap,
                                         at(text, u"ann@x.io", Kind::email, u"", u"", 50)};
  Vault v;
  v.entries = {entry(u"[EMAIL_3]", u"bo@x.io", Kind::email)};
  const Vault before = v;
  const auto labels = v.labelsFor(text, findings, {2}, {1}, Style::token, true, kNow);
  EXPECT_EQ(v, before);
  EXPECT_EQ(labels, (std::vector<std::u16string>{u"[EMAIL_4]", u"", u"", u"", u"[EMAIL_4]"}));
  EXPECT_EQ(v.record(text, findings, {2}, {1}, Style::token, true, kNow),
            u"key=sk_live_abc card [removed] mail [EMAIL_4], [EMAIL_4]");
}

TEST(VaultRecord, MaskStyleAddsSuffixesForOtherOriginals) {
  Vault v;
  v.entries = {entry(u"j•••@e•••.com", u"jane@example.com", Kind::email)};
  const std::u16string text = u"john@example.com jim@ex.com jane@example.com jo@e.co";
  std::vector<Finding> findings = {at(text, u"john@example.com", Kind::email, u"j•••@e•••.com"),
                                   at(text, u"jim@ex.com", Kind::email, u"j•••@e•••.com"),
                                   at(text, u"jane@example.com", Kind::email, u"j•••@e•••.com"),
                                   at(text, u"jo@e.co", Kind::email, u"")};
  findings[3].mask.clear();  // without a mask it takes a token
  EXPECT_EQ(v.record(text, findings, {}, {}, Style::mask, false, kNow),
            u"j•••@e•••.com #2 j•••@e•••.com #3 j•••@e•••.com [EMAIL_1]");
  EXPECT_EQ(masksOf(v), (std::vector<std::u16string>{u"j•••@e•••.com", u"j•••@e•••.com #2",
                                                     u"j•••@e•••.com #3", u"[EMAIL_1]"}));
  // Every placeholder brings back its own original.
  EXPECT_EQ(v.restore(u"j•••@e•••.com #3 j•••@e•••.com #2 j•••@e•••.com").first,
            u"jim@ex.com john@example.com jane@example.com");
}

// A new token's number is free because every token of its word was
// counted: those added earlier in the same text in either style, and past
// the numbers counted, those the vault holds.
TEST(VaultRecord, ANewTokenNeverTakesAPlaceholderAlreadyHeld) {
  Vault v;
  const std::u16string text = u"a@x.io b@x.io c@x.io";
  std::vector<Finding> findings = {at(text, u"a@x.io", Kind::email),
                                   at(text, u"b@x.io", Kind::email, u"[EMAIL_2]"),
                                   at(text, u"c@x.io", Kind::email)};
  findings[0].mask.clear();  // without a mask it takes a token
  findings[2].mask.clear();
  EXPECT_EQ(v.record(text, findings, {}, {}, Style::mask, false, kNow),
            u"[EMAIL_1] [EMAIL_2] [EMAIL_3]");

  v.entries = {entry(u"[EMAIL_999999999999]", u"last@x.io", Kind::email),
               entry(u"[EMAIL_1000000000000]", u"beyond@x.io", Kind::email)};
  const std::u16string far = u"d@x.io";
  EXPECT_EQ(v.record(far, {at(far, far, Kind::email)}, {}, {}, Style::token, false, kNow),
            u"[EMAIL_1000000000001]");
}

TEST(VaultRestore, LongestMasksFirstAndCounted) {
  Vault v;
  v.entries = {entry(u"[EMAIL_1]", u"one@x.io", Kind::email),
               entry(u"[EMAIL_12]", u"twelve@x.io", Kind::email),
               entry(u"a•••", u"anna", Kind::name), entry(u"a••• #2", u"arne", Kind::name),
               entry(u"[NAME_1]", u"[EMAIL_1]", Kind::name)};
  struct Row {
    std::u16string in, out;
    int count;
  };
  const Row rows[] = {
      {u"[EMAIL_12] and [EMAIL_1]", u"twelve@x.io and one@x.io", 2},
      {u"a••• #2, a•••", u"arne, anna", 2},
      {u"[EMAIL_123] [EMAIL_1", u"[EMAIL_123] [EMAIL_1", 0},
      // An original that looks like a placeholder is not replaced again.
      {u"[NAME_1]", u"[EMAIL_1]", 1},
      {u"", u"", 0},
  };
  for (const auto& r : rows) {
    const auto [out, count] = v.restore(r.in);
    EXPECT_EQ(out, r.out) << toUtf8(r.in);
    EXPECT_EQ(count, r.count) << toUtf8(r.in);
  }
}

TEST(VaultMasks, OnlyThoseInTheTextLongestFirstTiesInVaultOrder) {
  Vault v;
  v.entries = {entry(u"[B_22]", u"b", Kind::custom), entry(u"[A_1]", u"a", Kind::custom),
               entry(u"[Z_9]", u"z", Kind::custom), entry(u"[C_1]", u"c", Kind::custom),
               entry(u"[D_333]", u"d", Kind::custom)};
  std::vector<std::u16string> found;
  for (const auto& e : v.masks(u"[C_1] [A_1] [D_333] [B_22]")) found.push_back(e.mask);
  EXPECT_EQ(found, (std::vector<std::u16string>{u"[D_333]", u"[B_22]", u"[A_1]", u"[C_1]"}));
}

// Partial masks as labels: a short one ("•••" of a card code) stands inside
// every longer one, and a first address's label inside the numbered label of
// a second address with the same mask.
TEST(VaultMasks, ALabelCountsOnlyWhereItStandsWhole) {
  Vault v;
  v.entries = {entry(u"•••", u"123", Kind::cvv),
               entry(u"j•••@e•••.com", u"jane@example.com", Kind::email),
               entry(u"j•••@e•••.com #2", u"john@example.com", Kind::email),
               entry(u"[EMAIL_1]", u"ada@example.com", Kind::email)};
  struct Row {
    std::u16string text;
    std::vector<std::u16string> masks;
    std::u16string restored;
  };
  const Row rows[] = {
      {u"Card [removed] cvv ••• to j•••@e•••.com #2",
       {u"j•••@e•••.com #2", u"•••"},
       u"Card [removed] cvv 123 to john@example.com"},
      {u"j•••@e•••.com #2, j•••@e•••.com.",
       {u"j•••@e•••.com #2", u"j•••@e•••.com"},
       u"john@example.com, jane@example.com."},
      // Labels the vault does not hold keep the known ones inside them.
      {u"mail c•••@e•••.net", {}, u"mail c•••@e•••.net"},
      {u"j•••@e•••.com #3 and •••• 1111", {}, u"j•••@e•••.com #3 and •••• 1111"},
      // A token is whole by its brackets, wherever it stands.
      {u"x[EMAIL_1]y •••", {u"[EMAIL_1]", u"•••"}, u"xada@example.comy 123"},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(masksOf(Vault{v.masks(r.text)}), r.masks) << toUtf8(r.text);
    EXPECT_EQ(v.restore(r.text).first, r.restored) << toUtf8(r.text);
    EXPECT_EQ(v.restore(r.text).second, int(r.masks.size())) << toUtf8(r.text);
  }
}

// Kept and removed values write no placeholder; a value written twice is
// reported once; what the text restores from is what the paste wrote.
TEST(VaultRecord, APasteReportsExactlyThePlaceholdersItWroteEachOnce) {
  Vault v;
  v.entries = {entry(u"•••", u"123", Kind::cvv)};
  const std::u16string text = u"ann@x.io, ann@x.io, bo@x.io, 4111 1111 1111 1111, cvv 456";
  std::vector<std::u16string> written;
  const std::u16string out = v.record(text,
                                      {at(text, u"ann@x.io", Kind::email, u"a•••@x•••.io"),
                                       at(text, u"ann@x.io", Kind::email, u"a•••@x•••.io", u"", 1),
                                       at(text, u"bo@x.io", Kind::email, u"b•••@x•••.io"),
                                       at(text, u"4111 1111 1111 1111", Kind::card, u"•••• 1111"),
                                       at(text, u"456", Kind::cvv, u"•••")},
                                      {2}, {3}, Style::mask, true, kNow, &written);
  EXPECT_EQ(out, u"a•••@x•••.io, a•••@x•••.io, bo@x.io, [removed], cvv ••• #2");
  EXPECT_EQ(written, (std::vector<std::u16string>{u"a•••@x•••.io", u"••• #2"}));
  EXPECT_EQ(masksOf(Vault{v.masks(out)}),
            (std::vector<std::u16string>{u"a•••@x•••.io", u"••• #2"}));
}

TEST(VaultRestore, JsonNumbersGoOutQuotedAndComeBackBare) {
  const std::u16string text = uR"({"salary": 85000, "bonus": 1200.5, "note": "85000"})";
  Finding salary = at(text, u"85000", Kind::financialRecord);
  salary.jsonNumber = true;
  Finding bonus = at(text, u"1200.5", Kind::financialRecord);
  bonus.jsonNumber = true;
  Finding note = at(text, u"85000", Kind::financialRecord, u"", u"", salary.range.end());
  Vault v;
  const auto out = v.record(text, {salary, bonus, note}, {}, {}, Style::token, true, kNow);
  EXPECT_EQ(out,
            uR"({"salary": "[FINANCIAL_1]", "bonus": "[FINANCIAL_2]", "note": "[FINANCIAL_3]"})");
  EXPECT_TRUE(nlohmann::json::accept(toUtf8(out)));
  EXPECT_EQ(v.entries[0].jsonNumber, std::optional<bool>(true));
  EXPECT_EQ(v.entries[2].jsonNumber, std::nullopt) << "a quoted number is text";
  EXPECT_EQ(v.restore(out), std::make_pair(text, 3));
  EXPECT_EQ(v.restore(u"pay [FINANCIAL_1] now").first, u"pay 85000 now");

  // A locked number stays valid JSON too.
  Vault w;
  EXPECT_EQ(w.record(text, {salary}, {}, {0}, Style::token, true, kNow),
            uR"({"salary": "[removed]", "bonus": 1200.5, "note": "85000"})");
  EXPECT_TRUE(w.entries.empty());
}

class VaultStoreTest : public TempHome {
 protected:
  void SetUp() override {
    TempHome::SetUp();
    freezeClock(kNow);
  }
};

TEST_F(VaultStoreTest, UpdateWritesEncryptedPrivateFilesAndReadGetsThemBack) {
  EXPECT_TRUE(VaultStore::read(3600).entries.empty()) << "no file: empty vault";
  const auto masked = VaultStore::update(3600, [&](Vault& v) {
    const std::u16string text = u"mail jane.doe@example.com now";
    return v.record(text, {at(text, u"jane.doe@example.com", Kind::email)}, {}, {}, Style::token,
                    true, now);
  });
  EXPECT_EQ(masked, u"mail [EMAIL_1] now");
  const Vault back = VaultStore::read(3600);
  ASSERT_EQ(back.entries.size(), 1u);
  EXPECT_EQ(back.entries[0], entry(u"[EMAIL_1]", u"jane.doe@example.com", Kind::email));

  EXPECT_EQ(mode("vault.bin"), 0600);
  EXPECT_EQ(mode("vault.key"), 0600);
  EXPECT_EQ(contents("vault.key").size(), Crypto::keySize);
  const std::string sealed = contents("vault.bin");
  EXPECT_EQ(sealed.find("jane.doe"), std::string::npos);
  EXPECT_EQ(sealed.find("EMAIL"), std::string::npos);
  // A fresh nonce on every write, the same key.
  const std::string key = contents("vault.key");
  VaultStore::update(3600, [](Vault&) {});
  EXPECT_NE(contents("vault.bin"), sealed);
  EXPECT_EQ(contents("vault.key"), key);
}

TEST_F(VaultStoreTest, AgeLimitDropsOldEntriesAndHugeLimitsDropNone) {
  VaultStore::update(0, [&](Vault& v) {
    v.entries = {entry(u"[A_1]", u"a", Kind::custom, now - std::chrono::hours(2)),
                 entry(u"[B_1]", u"b", Kind::custom, now - std::chrono::minutes(30)),
                 entry(u"[C_1]", u"c", Kind::custom, now - std::chrono::days(400 * 365))};
  });
  const double inf = std::numeric_limits<double>::infinity();
  struct Row {
    double ttl;
    std::size_t left;
  };
  const Row rows[] = {
      {3600, 1},  {86400, 2},        {inf, 3}, {std::numeric_limits<double>::max(), 3},
      {1e300, 3}, {std::nan(""), 3}, {0, 0}};
  for (const auto& r : rows) EXPECT_EQ(VaultStore::read(r.ttl).entries.size(), r.left) << r.ttl;
  // What update drops is gone from the file.
  VaultStore::update(3600, [](Vault&) {});
  EXPECT_EQ(masksOf(VaultStore::read(inf)), std::vector<std::u16string>{u"[B_1]"});
}

TEST_F(VaultStoreTest, DamagedVaultThrowsAndIsNeverOverwritten) {
  VaultStore::update(3600,
                     [](Vault& v) { v.entries = {entry(u"[A_1]", u"secret-a", Kind::custom)}; });
  const std::string good = contents("vault.bin"), key = contents("vault.key");
  struct Row {
    const char* name;
    std::function<void()> damage;
  };
  const Row rows[] = {
      {"flipped byte",
       [&] {
         std::string bad = good;
         bad[bad.size() / 2] ^= 0x01;
         write("vault.bin", bad);
       }},
      {"truncated", [&] { write("vault.bin", good.substr(0, 20)); }},
      {"missing key", [&] { std::filesystem::remove(path("vault.key")); }},
      {"other key", [&] { write("vault.key", Crypto::randomBytes(Crypto::keySize)); }},
      {"short key", [&] { write("vault.key", "0123456789"); }},
      {"not JSON inside", [&] { write("vault.bin", Crypto::seal(key, "{\"entries\": [")); }},
      {"wrong shape inside",
       [&] { write("vault.bin", Crypto::seal(key, R"({"entries":[{"mask":"[A_1]"}]})")); }},
  };
  for (const auto& r : rows) {
    write("vault.bin", good);
    write("vault.key", key);
    r.damage();
    const std::string before = contents("vault.bin");
    EXPECT_THROW(VaultStore::read(3600), StorageError) << r.name;
    bool ran = false;
    EXPECT_THROW(VaultStore::update(3600, [&](Vault&) { ran = true; }), StorageError) << r.name;
    EXPECT_FALSE(ran) << r.name;
    EXPECT_EQ(contents("vault.bin"), before) << r.name;
  }
  try {
    write("vault.bin", good);
    std::filesystem::remove(path("vault.key"));
    VaultStore::read(3600);
  } catch (const StorageError& e) {
    EXPECT_NE(std::string(e.what()).find("vault.key"), std::string::npos) << e.what();
  }
}

// An update that may renew the vault sets a vault that can never be read
// again aside, key and all, and starts a new one; one that cannot be read
// for now is left alone.
TEST_F(VaultStoreTest, ADamagedVaultIsSetAsideWhenAnUpdateMayRenewIt) {
  namespace fs = std::filesystem;
  VaultStore::update(3600,
                     [](Vault& v) { v.entries = {entry(u"[A_1]", u"secret-a", Kind::custom)}; });
  const std::string good = contents("vault.bin"), key = contents("vault.key");
  struct Row {
    const char* name;
    std::optional<std::string> bin, key;  // none: no such file
    bool damaged;
  };
  const std::string big(3 << 20, 'x');
  const Row rows[] = {
      {"truncated", good.substr(0, 20), key, true},
      {"empty", "", key, true},
      {"garbage", big, key, true},
      {"other key", good, Crypto::randomBytes(Crypto::keySize), true},
      {"short key", good, key.substr(0, 10), true},
      {"huge key", good, big, true},
      {"key missing", good, std::nullopt, true},
      {"damaged key, no vault yet", std::nullopt, "0123", true},
      {"not JSON inside", Crypto::seal(key, "{\"entries\": ["), key, true},
      {"intact", good, key, false},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    for (const char* f : {"vault.bin", "vault.key", "vault.bin.bad", "vault.key.bad"})
      fs::remove(path(f));
    if (r.bin) write("vault.bin", *r.bin);
    if (r.key) write("vault.key", *r.key);
    bool renewed = false;
    std::size_t before = 99;
    VaultStore::update(
        3600,
        [&](Vault& v) {
          before = v.entries.size();
          v.entries.push_back(entry(u"[B_1]", u"secret-b", Kind::custom));
        },
        &renewed);
    EXPECT_EQ(renewed, r.damaged);
    EXPECT_EQ(before, r.damaged ? 0u : 1u);
    EXPECT_EQ(VaultStore::read(3600).entries.size(), before + 1);
    EXPECT_EQ(fs::exists(path("vault.bin.bad")), r.damaged && r.bin.has_value());
    EXPECT_EQ(fs::exists(path("vault.key.bad")), r.damaged && r.key.has_value());
    if (r.damaged && r.bin) {
      EXPECT_EQ(contents("vault.bin.bad"), *r.bin);
    }
    if (r.damaged && r.key) {
      EXPECT_EQ(contents("vault.key.bad"), *r.key);
    }
  }

  // Earlier damaged vaults stay: the next pair takes the next number.
  bool renewed = false;
  for (const char* garbage : {"first", "second"}) {
    write("vault.bin", garbage);
    renewed = false;
    VaultStore::update(
        3600, [](Vault&) {}, &renewed);
    EXPECT_TRUE(renewed);
  }
  EXPECT_EQ(contents("vault.bin.bad"), "first");
  EXPECT_EQ(contents("vault.bin.bad.2"), "second");
  EXPECT_TRUE(fs::exists(path("vault.key.bad.2")));

  // A key that cannot be read for now is not damaged: nothing moves.
  fs::remove(path("vault.key"));
  fs::create_directory(path("vault.key"));
  renewed = false;
  EXPECT_THROW(VaultStore::update(
                   3600, [](Vault&) {}, &renewed),
               StorageError);
  EXPECT_FALSE(renewed);
  EXPECT_TRUE(fs::is_directory(path("vault.key")));
  EXPECT_FALSE(fs::exists(path("vault.bin.bad.3")));
}

TEST_F(VaultStoreTest, UnreadableVaultReadsEmptyButIsNotWrittenOver) {
  std::filesystem::create_directory(path("vault.bin"));
  EXPECT_TRUE(VaultStore::read(3600).entries.empty());
  EXPECT_THROW(VaultStore::update(3600, [](Vault&) {}), StorageError);
  EXPECT_TRUE(std::filesystem::is_directory(path("vault.bin")));
}

TEST_F(VaultStoreTest, FailingBodyWritesNothingAndClearRemovesTheVault) {
  VaultStore::update(3600, [](Vault& v) { v.entries = {entry(u"[A_1]", u"a", Kind::custom)}; });
  const std::string before = contents("vault.bin");
  EXPECT_THROW(VaultStore::update(3600,
                                  [](Vault& v) {
                                    v.entries.clear();
                                    throw std::runtime_error("changed my mind");
                                  }),
               std::runtime_error);
  EXPECT_EQ(contents("vault.bin"), before);
  VaultStore::clear();
  EXPECT_TRUE(VaultStore::read(3600).entries.empty());
  EXPECT_NO_THROW(VaultStore::clear()) << "clearing twice";
}

// The vault's own encoder writes what the generic one writes, byte for byte,
// whatever the texts hold.
TEST(VaultEncoding, WritesWhatTheGenericEncoderWrites) {
  const Date past = *parseISO8601("1900-02-28T23:59:59Z");
  const Date fraction = kNow + std::chrono::milliseconds(999);
  Vault v;
  v.entries = {
      entry(u"[EMAIL_1]", u"ada@example.com", Kind::email),
      entry(u"[CUSTOM_2]", u"quote \" backslash \\ slash / tab\t nl\n cr\r bs\b ff\f",
            Kind::custom),
      entry(u"[A_1]", std::u16string(u"\x01\x1f\x7f nul:") + u'\0' + u"end", Kind::custom, past),
      entry(u"é•••", u"\u00e9\u4e2d\U0001F600 \u2028", Kind::name, fraction),
      entry(u"[B_1]",
            std::u16string(u"lone ") + char16_t(0xD800) + u" low " + char16_t(0xDC00) + u" last " +
                char16_t(0xDBFF),
            Kind::custom),
      {u"\"[N_1]\"", u"85000", Kind::financialRecord, kNow, true},
      {u"[N_2]", u"12", Kind::financialRecord, kNow, false},
  };
  for (std::size_t n = 0; n <= v.entries.size(); ++n) {
    Vault part;
    part.entries.assign(v.entries.begin(), v.entries.begin() + std::ptrdiff_t(n));
    const std::string generic =
        json::dumpCompact(json::Json{{"entries", json::encode(part.entries)}});
    EXPECT_EQ(json::encodeVault(part), generic) << n << " entries";
  }
  EXPECT_EQ(json::decodeVault(json::encodeVault(v)).entries.size(), v.entries.size());

  // A year of more than four digits, then back to the day before.
  v.entries.push_back(
      entry(u"[C_1]", u"far", Kind::custom, kNow + std::chrono::hours(24 * 366 * 9000)));
  v.entries.push_back(entry(u"[C_2]", u"near", Kind::custom, kNow - std::chrono::seconds(1)));
  EXPECT_EQ(json::encodeVault(v),
            json::dumpCompact(json::Json{{"entries", json::encode(v.entries)}}));
}

// Written again from the last text, the vault reads exactly as when written
// whole: an entry is copied only while it still reads as its part, and each
// part given back is that entry's own text.
TEST(VaultEncoding, TakesOnlyUnchangedEntriesFromTheLastText) {
  Vault base;
  base.entries = {entry(u"[EMAIL_1]", u"ada@example.com", Kind::email),
                  entry(u"[NAME_1]", u"Zoë “Z” Lee\n", Kind::name),
                  {u"\"[N_1]\"", u"85000", Kind::financialRecord, kNow, true},
                  entry(u"[EMAIL_2]", u"bob@example.com", Kind::email),
                  entry(u"[A_1]", u"a long original of more than eight letters", Kind::custom)};
  std::string last;
  std::vector<json::VaultPart> lastParts;
  json::encodeVault(base, {}, {}, last, lastParts);

  using Change = std::function<void(Vault&, std::vector<json::VaultPart>&)>;
  const std::pair<const char*, Change> changes[] = {
      {"none", [](Vault&, auto&) {}},
      {"one more", [](Vault& v, auto&) { v.entries.push_back(v.entries[1]); }},
      {"the first gone, parts kept in step",
       [](Vault& v, auto& parts) {
         v.entries.erase(v.entries.begin());
         parts.erase(parts.begin());
       }},
      {"one in the middle gone, parts not in step",
       [](Vault& v, auto&) { v.entries.erase(v.entries.begin() + 2); }},
      {"a later date", [](Vault& v, auto&) { v.entries[0].created += std::chrono::seconds(1); }},
      {"a letter changed in place", [](Vault& v, auto&) { v.entries[3].original[0] = u'c'; }},
      {"a letter past the first eight", [](Vault& v, auto&) { v.entries[4].original[30] = u'X'; }},
      {"a mask's last letter", [](Vault& v, auto&) { v.entries[0].mask[7] = u'9'; }},
      {"another kind", [](Vault& v, auto&) { v.entries[3].kind = Kind::name; }},
      {"a JSON number", [](Vault& v, auto&) { v.entries[3].jsonNumber = false; }},
      {"two of one length swapped", [](Vault& v, auto&) { std::swap(v.entries[0], v.entries[3]); }},
      {"parts beyond the text",
       [](Vault&, auto& parts) {
         parts[1] = {parts[1].begin, parts[1].end + 100000};
       }},
      {"a part backwards", [](Vault&, auto& parts) { std::swap(parts[2].begin, parts[2].end); }},
      {"everything gone", [](Vault& v, auto&) { v.entries.clear(); }},
  };
  for (const auto& [name, change] : changes) {
    Vault v = base;
    std::vector<json::VaultPart> was = lastParts;
    change(v, was);
    std::string out = "left over from before";
    std::vector<json::VaultPart> parts;
    json::encodeVault(v, last, was, out, parts);
    EXPECT_EQ(out, json::encodeVault(v)) << name;
    ASSERT_EQ(parts.size(), v.entries.size()) << name;
    for (std::size_t i = 0; i < parts.size(); ++i) {
      Vault one;
      one.entries = {v.entries[i]};
      const std::string alone = json::encodeVault(one);
      EXPECT_EQ(out.substr(parts[i].begin, parts[i].end - parts[i].begin),
                alone.substr(12, alone.size() - 14))
          << name << ", entry " << i;
    }
  }
}

// The vault held between operations gives way to whatever the file holds
// now: another instance's write, a clear, and a failed update that wrote
// nothing.
TEST_F(VaultStoreTest, TheVaultHeldInMemoryNeverHidesTheFile) {
  const auto add = [](const std::u16string& mask) {
    VaultStore::update(3600,
                       [&](Vault& v) { v.entries.push_back(entry(mask, u"x", Kind::custom)); });
  };
  const auto masks = [] { return masksOf(VaultStore::read(3600)); };
  using Masks = std::vector<std::u16string>;

  add(u"[A_1]");
  const std::string first = contents("vault.bin");
  add(u"[B_1]");
  // Another instance wrote the vault as it was after A (its own write, the
  // same key).
  write("vault.bin", first);
  EXPECT_EQ(masks(), Masks{u"[A_1]"});
  add(u"[C_1]");
  EXPECT_EQ(masks(), (Masks{u"[A_1]", u"[C_1]"}));

  // An update whose body fails leaves the file as it was, and so what is read.
  EXPECT_THROW(VaultStore::update(3600,
                                  [](Vault& v) {
                                    v.entries.clear();
                                    throw StorageError("failed");
                                  }),
               StorageError);
  add(u"[D_1]");
  EXPECT_EQ(masks(), (Masks{u"[A_1]", u"[C_1]", u"[D_1]"}));

  VaultStore::clear();
  EXPECT_EQ(masks(), Masks{});
  add(u"[E_1]");
  EXPECT_EQ(masks(), Masks{u"[E_1]"});

  // Renewed by another instance: a new key and a vault sealed with it.
  const std::string key = Crypto::randomBytes(Crypto::keySize);
  write("vault.key", key);
  write("vault.bin", Crypto::seal(key, R"({"entries":[]})"));
  EXPECT_EQ(masks(), Masks{});
}

// A number once given stays given after its entry expires, in either style
// and through the file: an old text that still quotes it never restores
// someone else's value.
TEST_F(VaultStoreTest, ANumberIsNeverGivenToAnotherValueAfterItsEntryExpired) {
  const auto paste = [&](std::u16string value, Style style, std::u16string mask) {
    return VaultStore::update(3600, [&](Vault& v) {
      return v.record(value, {at(value, value, Kind::email, mask)}, {}, {}, style, true, now);
    });
  };
  EXPECT_EQ(paste(u"carol@example.com", Style::token, u""), u"[EMAIL_1]");
  EXPECT_EQ(paste(u"cleo@example.com", Style::mask, u"c•••@e•••.com"), u"c•••@e•••.com");
  now += std::chrono::hours(2);
  EXPECT_EQ(paste(u"dave@example.com", Style::token, u""), u"[EMAIL_2]");
  EXPECT_EQ(paste(u"cory@example.com", Style::mask, u"c•••@e•••.com"), u"c•••@e•••.com #2");
  // carol's and cleo's placeholders restore nothing now.
  const Vault v = VaultStore::read(3600);
  EXPECT_EQ(v.restore(u"[EMAIL_1] c•••@e•••.com").second, 0);
  EXPECT_EQ(masksOf(v), (std::vector<std::u16string>{u"[EMAIL_2]", u"c•••@e•••.com #2"}));

  // A vault written before numbers were kept opens, counting from its live
  // entries; the numbers of entries that expire there are kept from then on.
  const std::string key = contents("vault.key");
  write("vault.bin",
        Crypto::seal(key, R"({"entries":[{"created":"2026-12-06T22:00:00Z","kind":"email",)"
                          R"("mask":"[EMAIL_7]","original":"old@example.com"}]})"));
  now += std::chrono::hours(2);
  EXPECT_EQ(paste(u"erin@example.com", Style::token, u""), u"[EMAIL_8]");
  // What the file holds reads as JSON with its entries where they were.
  const auto plain = Crypto::open(key, contents("vault.bin"));
  ASSERT_TRUE(plain);
  const auto j = nlohmann::json::parse(*plain);
  EXPECT_EQ(j["entries"].size(), 1u);
  EXPECT_EQ(j["numbers"]["EMAIL"], 8);
}

// A placeholder that the copied text already quotes is never given to a new
// value, nor to a value that had it before: restoring would take the quote
// along.
TEST(VaultRecord, APlaceholderTheTextQuotesIsNeverWrittenIntoIt) {
  Vault v;
  v.entries = {entry(u"[EMAIL_2]", u"bob@x.io", Kind::email)};
  const std::u16string text = u"write [EMAIL_1] here, or [EMAIL_3], not ann@x.io or bob@x.io";
  const std::u16string out =
      v.record(text, {at(text, u"ann@x.io", Kind::email), at(text, u"bob@x.io", Kind::email)}, {},
               {}, Style::token, true, kNow);
  EXPECT_EQ(out, u"write [EMAIL_1] here, or [EMAIL_3], not [EMAIL_4] or [EMAIL_2]");
  EXPECT_EQ(v.restore(out).first, u"write [EMAIL_1] here, or [EMAIL_3], not ann@x.io or bob@x.io");

  const std::u16string quoted = u"b•••@x•••.io stands here; bob@x.io";
  EXPECT_EQ(v.record(quoted, {at(quoted, u"bob@x.io", Kind::email, u"b•••@x•••.io", u"", 5)}, {},
                     {}, Style::mask, true, kNow),
            u"b•••@x•••.io stands here; b•••@x•••.io #2");
  // Without the quote, the same value takes its placeholder again.
  const std::u16string plain = u"again bob@x.io and [EMAIL_1]";
  EXPECT_EQ(
      v.record(plain, {at(plain, u"bob@x.io", Kind::email)}, {}, {}, Style::token, true, kNow),
      u"again [EMAIL_2] and [EMAIL_1]");
}

// The file loses what expired without waiting for the next paste, and an
// entry written while the clock ran ahead lives the retention from when the
// clock came right; a vault with nothing to drop is left as it is.
TEST_F(VaultStoreTest, PruneDropsExpiredOriginalsFromTheFileAndDatesFutureOnesNow) {
  EXPECT_FALSE(VaultStore::prune(3600, now)) << "no vault";
  EXPECT_FALSE(std::filesystem::exists(path("vault.bin")));
  VaultStore::update(1e13, [&](Vault& v) {
    v.entries = {entry(u"[A_1]", u"gone", Kind::custom, now - std::chrono::hours(2)),
                 entry(u"[B_1]", u"stays", Kind::custom, now - std::chrono::minutes(10)),
                 entry(u"[C_1]", u"ahead", Kind::custom, now + std::chrono::days(3))};
  });
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_TRUE(VaultStore::prune(3600, now));
  const Vault after = VaultStore::read(inf);
  EXPECT_EQ(masksOf(after), (std::vector<std::u16string>{u"[B_1]", u"[C_1]"}));
  EXPECT_EQ(after.entries[1].created, now);
  const std::string sealed = contents("vault.bin");
  EXPECT_FALSE(VaultStore::prune(3600, now));
  EXPECT_EQ(contents("vault.bin"), sealed) << "nothing to drop: not written";

  now += std::chrono::minutes(61);
  EXPECT_TRUE(VaultStore::prune(3600, now));
  EXPECT_TRUE(VaultStore::read(inf).entries.empty());
  // The file holds none of the originals, nor does it forget their numbers.
  const auto plain = Crypto::open(contents("vault.key"), contents("vault.bin"));
  ASSERT_TRUE(plain);
  EXPECT_EQ(plain->find("stays"), std::string::npos);
  EXPECT_EQ(plain->find("ahead"), std::string::npos);
  EXPECT_NE(plain->find("\"numbers\""), std::string::npos);
}

// Copies recorded through the store look their placeholders up in an index
// of the vault it holds: the file still decides. Another copy's write is read
// anew, an entry taken again is written with its new date, numbers outlive
// their entries through a prune and a fresh read, and every text restores.
TEST_F(VaultStoreTest, RecordsThroughTheStoreFollowTheFileAndRestoreEveryText) {
  const auto value = [](int n) { return u"user" + toUtf16(std::to_string(n)) + u"@example.com"; };
  const auto copy = [&](std::u16string v, Style style = Style::token, std::u16string mask = u"") {
    const std::u16string text = u"mail " + v;
    return VaultStore::record(3600, text, {at(text, v, Kind::email, mask)}, {}, {}, style, true,
                              now);
  };
  const auto token = [](int n) { return u"mail [EMAIL_" + toUtf16(std::to_string(n)) + u"]"; };
  std::vector<std::u16string> outs;
  std::string after100;
  for (int n = 1; n <= 200; ++n) {
    outs.push_back(copy(value(n)));
    EXPECT_EQ(outs.back(), token(n));
    if (n == 100) after100 = contents("vault.bin");
  }
  now += std::chrono::minutes(5);
  EXPECT_EQ(copy(value(5)), token(5)) << "the same value, its placeholder again";
  EXPECT_EQ(copy(u"cleo@example.com", Style::mask, u"c•••@e•••.com"), u"mail c•••@e•••.com");
  EXPECT_EQ(copy(u"cory@example.com", Style::mask, u"c•••@e•••.com"), u"mail c•••@e•••.com #2");
  EXPECT_EQ(copy(u"cleo@example.com", Style::mask, u"c•••@e•••.com"), u"mail c•••@e•••.com");

  // Every text restores from the file, and the entry taken again carries
  // its new date there.
  const Vault all = VaultStore::read(3600);
  for (int n = 1; n <= 200; ++n) EXPECT_EQ(all.restore(outs[n - 1]).first, u"mail " + value(n));
  ASSERT_EQ(all.entries.size(), 202u);
  EXPECT_EQ(all.entries[4].created, now);
  EXPECT_EQ(all.entries[5].created, now - std::chrono::minutes(5));

  // Another copy of the program wrote the vault as it was after 100 copies:
  // that file is read, not the vault held here.
  write("vault.bin", after100);
  EXPECT_EQ(copy(value(150)), token(101));
  EXPECT_EQ(copy(value(50)), token(50));
  EXPECT_EQ(copy(u"cleo@example.com", Style::mask, u"c•••@e•••.com"), u"mail c•••@e•••.com");
  EXPECT_EQ(VaultStore::read(3600).entries.size(), 102u);

  // All of it expires; the numbers stay, after the prune and after the file
  // is read anew (sealed again as another start of the program would find it).
  now += std::chrono::hours(2);
  EXPECT_TRUE(VaultStore::prune(3600, now));
  const std::string key = contents("vault.key");
  const auto plain = Crypto::open(key, contents("vault.bin"));
  ASSERT_TRUE(plain);
  write("vault.bin", Crypto::seal(key, *plain));
  EXPECT_EQ(copy(value(1)), token(102));
  EXPECT_EQ(copy(u"cory@example.com", Style::mask, u"c•••@e•••.com"), u"mail c•••@e•••.com #2");
  EXPECT_EQ(VaultStore::read(3600).restore(token(1)).second, 0);
  EXPECT_EQ(VaultStore::read(3600).restore(token(102)).first, u"mail " + value(1));
}

// A vault of more than a few hundred entries lies in two files: a base file
// with most of them, and "vault.bin" with the rest, naming the base.
class VaultFilesTest : public VaultStoreTest {
 protected:
  using Files = std::map<std::string, std::string>;

  static std::u16string value(int n) {
    return u"user" + toUtf16(std::to_string(n)) + u"@example.com";
  }
  static std::u16string token(int n) { return u"[EMAIL_" + toUtf16(std::to_string(n)) + u"]"; }

  // Entries 1 to n, as earlier copies left them.
  void fill(int n, Date created) {
    VaultStore::update(1e13, [&](Vault& v) {
      for (int k = 1; k <= n; ++k)
        v.entries.push_back(entry(token(k), value(k), Kind::email, created));
    });
  }
  std::u16string copy(const std::u16string& v, double ttl = 3600) {
    return VaultStore::record(ttl, v, {at(v, v, Kind::email)}, {}, {}, Style::token, true, now);
  }

  Files files() const {
    Files out;
    for (const auto& f : std::filesystem::directory_iterator(home))
      if (f.path().filename() != ".lock")
        out[f.path().filename().string()] = contents(f.path().filename());
    return out;
  }
  // The folder as it would be left: these files and no others.
  void leave(const Files& wanted) const {
    for (const auto& [name, bytes] : files())
      if (!wanted.contains(name)) std::filesystem::remove(path(name));
    for (const auto& [name, bytes] : wanted) write(name, bytes);
  }
  // The base files in the folder, by name.
  std::vector<std::string> bases() const {
    std::vector<std::string> out;
    for (const auto& [name, bytes] : files())
      if (name.starts_with("vault.base-") && name.ends_with(".bin")) out.push_back(name);
    return out;
  }
  std::string plain(const std::string& name) const {
    return Crypto::open(contents("vault.key"), contents(name)).value_or("");
  }
};

TEST_F(VaultFilesTest, CopiesWriteOnlyVaultBinUntilTheirEntriesGoIntoANewBase) {
  fill(300, now);
  ASSERT_EQ(bases().size(), 1u);
  const std::string base = bases()[0], baseBytes = contents(base);
  EXPECT_EQ(plain("vault.bin").find("user1@"), std::string::npos) << "the base holds them";
  for (int n = 301; n <= 556; ++n) ASSERT_EQ(copy(value(n)), token(n));
  EXPECT_EQ(bases(), std::vector<std::string>{base});
  EXPECT_EQ(contents(base), baseBytes);
  EXPECT_LT(contents("vault.bin").size(), baseBytes.size());
  // One more than the base takes beside it: all of them go into a new one.
  EXPECT_EQ(copy(value(557)), token(557));
  ASSERT_EQ(bases().size(), 1u);
  EXPECT_NE(bases()[0], base);
  EXPECT_EQ(plain("vault.bin").find("user557@"), std::string::npos);
  const Vault all = VaultStore::read(3600);
  ASSERT_EQ(all.entries.size(), 557u);
  for (int n = 1; n <= 557; ++n) EXPECT_EQ(all.entries[n - 1].original, value(n));

  // A vault.bin written before bases were kept is read whole, and split.
  const std::string key = contents("vault.key");
  Vault old;
  for (int k = 1; k <= 300; ++k) old.entries.push_back(entry(token(k), value(k), Kind::email));
  leave({{"vault.key", key}, {"vault.bin", Crypto::seal(key, json::encodeVault(old))}});
  EXPECT_EQ(copy(value(1000)), token(301));
  EXPECT_EQ(VaultStore::read(3600).restore(token(7) + token(301)).first, value(7) + value(1000));
  EXPECT_EQ(bases().size(), 1u);
}

// Every state a crash can leave between the steps of writing a new base
// reads as the vault before it or after it, each entry once.
TEST_F(VaultFilesTest, ACrashBetweenTheStepsOfANewBaseLosesAndRepeatsNothing) {
  fill(300, now);
  const Files before = files();
  const std::string oldBase = bases()[0];
  VaultStore::update(3600,
                     [&](Vault& v) { v.entries.push_back(entry(u"[B_1]", u"b", Kind::custom)); });
  const Files after = files();
  const std::string newBase = bases()[0];
  ASSERT_NE(newBase, oldBase);
  ASSERT_FALSE(after.contains(oldBase));

  // The new base written, vault.bin not yet: the new base is left over.
  Files crash = before;
  crash[newBase] = after.at(newBase);
  leave(crash);
  EXPECT_EQ(VaultStore::read(3600).entries.size(), 300u);
  EXPECT_EQ(bases(), std::vector<std::string>{oldBase});
  // vault.bin written, the old base not yet removed: the old one is.
  crash = after;
  crash[oldBase] = before.at(oldBase);
  leave(crash);
  const Vault v = VaultStore::read(3600);
  ASSERT_EQ(v.entries.size(), 301u);
  EXPECT_EQ(v.entries.back().mask, u"[B_1]");
  EXPECT_EQ(bases(), std::vector<std::string>{newBase});
}

// A base that is missing, damaged or not the one vault.bin names makes the
// vault unreadable: set aside with vault.bin and the key, when it may be.
TEST_F(VaultFilesTest, ABaseMissingOrDamagedIsSetAsideWithTheRest) {
  fill(300, now);
  const Files good = files();
  const std::string base = bases()[0];
  const std::string key = good.at("vault.key");
  struct Row {
    const char* name;
    std::optional<std::string> bytes;  // the base's; none: missing
  };
  std::string flipped = good.at(base);
  flipped[flipped.size() / 2] ^= 1;
  Vault other;
  other.entries = {entry(u"[A_1]", u"a", Kind::custom)};
  const Row rows[] = {{"missing", std::nullopt},
                      {"flipped byte", flipped},
                      {"another vault", Crypto::seal(key, json::encodeVault(other))}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    Files damaged = good;
    if (r.bytes)
      damaged[base] = *r.bytes;
    else
      damaged.erase(base);
    leave(damaged);
    EXPECT_THROW(VaultStore::read(3600), StorageError);
    bool renewed = false;
    std::size_t found = 99;
    VaultStore::update(
        3600, [&](Vault& v) { found = v.entries.size(); }, &renewed);
    EXPECT_TRUE(renewed);
    EXPECT_EQ(found, 0u);
    EXPECT_EQ(contents("vault.bin.bad"), good.at("vault.bin"));
    EXPECT_EQ(contents("vault.key.bad"), key);
    EXPECT_EQ(std::filesystem::exists(path(base + ".bad")), r.bytes.has_value());
    EXPECT_TRUE(bases().empty());
  }
  // A vault.bin that cannot be read for now takes its base with it nowhere.
  Files unreadable = good;
  unreadable.erase("vault.bin");
  leave(unreadable);
  std::filesystem::create_directory(path("vault.bin"));
  EXPECT_TRUE(VaultStore::read(3600).entries.empty());
  std::filesystem::remove(path("vault.bin"));
  leave(good);
  EXPECT_EQ(VaultStore::read(3600).entries.size(), 300u);
}

// The vault held between copies gives way when another program changed the
// base: in place, or replaced by a file of the same size.
TEST_F(VaultFilesTest, AnotherWriteOfTheBaseIsRead) {
  fill(300, now);
  const std::string base = bases()[0], key = contents("vault.key");
  EXPECT_EQ(copy(value(301)), token(301));
  auto j = nlohmann::json::parse(plain(base));
  j["entries"].erase(j["entries"].begin());
  write(base, Crypto::seal(key, j.dump()));
  EXPECT_EQ(VaultStore::read(3600).entries.size(), 300u);
  EXPECT_EQ(copy(value(1)), token(302)) << "its entry is gone";

  std::string text = plain(base);
  text.replace(text.find("user2@"), 6, "uzer2@");
  write("replacement", Crypto::seal(key, text));
  std::filesystem::rename(path("replacement"), path(base));
  EXPECT_EQ(VaultStore::read(3600).restore(token(2)).first, u"uzer2@example.com");
}

// An entry of the base taken again keeps its new date in vault.bin. What
// expired in the base is never taken again, and leaves it with the next
// prune, which writes it anew: the originals leave every file. A clear
// leaves no file.
TEST_F(VaultFilesTest, PruneAndClearReachBothFiles) {
  fill(300, now - std::chrono::hours(2));
  const std::string base = bases()[0], baseBytes = contents(base);
  EXPECT_EQ(copy(value(5), 1e13), token(5));
  EXPECT_EQ(copy(value(6)), token(301)) << "expired";
  EXPECT_EQ(contents(base), baseBytes);
  // Read as another start of the program would: the new date holds.
  const std::string key = contents("vault.key");
  write("vault.bin", Crypto::seal(key, plain("vault.bin")));
  EXPECT_EQ(VaultStore::read(1e13).entries[4].created, now);

  EXPECT_TRUE(VaultStore::prune(3600, now));
  EXPECT_EQ(masksOf(VaultStore::read(3600)), (std::vector<std::u16string>{token(5), token(301)}));
  EXPECT_TRUE(bases().empty());
  for (const auto& [name, bytes] : files()) {
    const std::string text = name == "vault.key" ? bytes : plain(name);
    EXPECT_EQ(text.find("user7@"), std::string::npos) << name;
  }
  EXPECT_EQ(copy(value(7)), token(302)) << "numbers outlive the base";

  fill(300, now);
  ASSERT_EQ(bases().size(), 1u);
  VaultStore::clear();
  EXPECT_FALSE(std::filesystem::exists(path("vault.bin")));
  EXPECT_TRUE(bases().empty());
  EXPECT_TRUE(VaultStore::read(3600).entries.empty());
}
