// Personal data written the way people write it without a field name right
// next to it: dates of birth asked for a sentence or a line before, street
// addresses of many countries and scripts, and national phone numbers in
// prose. Each family has its positives and the look-alikes that must stay
// unmarked.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Detector.h"
#include "Types.h"

using namespace clipvane;

namespace {

std::vector<std::string> valuesOf(Kind kind, std::string_view text) {
  std::vector<std::string> out;
  for (const auto& f : Detector{}.detect(toUtf16(text)))
    if (f.kind == kind) out.push_back(toUtf8(f.value));
  return out;
}

struct Case {
  std::string_view text;
  std::vector<std::string> expected;  // values of the kind, in order
};

void expectTable(Kind kind, const std::vector<Case>& cases) {
  for (const auto& c : cases)
    EXPECT_EQ(valuesOf(kind, c.text), c.expected) << rawName(kind) << ": " << c.text;
}

// Texts in which nothing at all may be found.
void expectNothing(const std::vector<std::string_view>& texts) {
  for (auto text : texts) {
    std::string found;
    for (const auto& f : Detector{}.detect(toUtf16(text)))
      found += " " + std::string(rawName(f.kind)) + ":" + toUtf8(f.value);
    EXPECT_TRUE(found.empty()) << text << " ->" << found;
  }
}

}  // namespace

// ---- dates of birth whose cue stands a sentence or a line before -------------

TEST(PersonalBirthDates, CueInTheSentenceOrLineBefore) {
  expectTable(Kind::birthDate,
              {
                  {"Can you confirm when you were born? It's 14/03/1988.", {"14/03/1988"}},
                  {"When were you born?\nMarch 14, 1988", {"March 14, 1988"}},
                  {"Date of birth\n14/03/1988\nPlace of birth\nLyon", {"14/03/1988"}},
                  {"DOB\n\n1988-03-14", {"1988-03-14"}},
                  {"Q: When is your birthday?\nA: 3 May 1990", {"3 May 1990"}},
                  {"She was born in Lyon on 14 March 1988.", {"14 March 1988"}},
                  {"Please confirm your date of birth. I think it is 02.11.1975.", {"02.11.1975"}},
                  {"Wann sind Sie geboren?\n14.03.1988", {"14.03.1988"}},
                  {"Дата рождения: 14.03.1988", {"14.03.1988"}},
                  {"Ημερομηνία γέννησης: 14/03/1988", {"14/03/1988"}},
                  // one finding where the label rules take the date already
                  {"DOB: 14/03/1988", {"14/03/1988"}},
                  {"Born:\n12 June 1975", {"12 June 1975"}},
              });
}

// Dates near a birth cue that are some other event's.
TEST(PersonalBirthDates, OtherDatesNearACueStayUnmarked) {
  expectNothing({
      "The meeting was on 14/03/1988.",
      "Born in 1950, he died on 14/03/2010.",
      "She was born in Lyon and moved to Paris on 14/03/2010.",
      "DOB: unknown\nVisit date: 14/03/2020",
      "Place of birth\nLyon\n14/03/2020",
      "I was born in Lyon. The firm came later. On 14/03/2010 it went public.",
      "Newborn screening on 14/03/2024 was normal.",
      "born\n2024-03-14 09:26:53 INFO worker started",
      "What is your date of birth?\nRelease notes\n2024-03-14",
      "Our product was born out of frustration. Version 1 shipped on 14/03/2019.",
  });
  expectTable(Kind::birthDate,
              {{"Date of birth: 01/02/1980\nDate of issue: 14/03/2010", {"01/02/1980"}}});
}
