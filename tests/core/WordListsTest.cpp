#include <gtest/gtest.h>

#include <future>
#include <thread>

#include "AsyncTimeout.h"
#include "WordLists.h"
#include "detect/AhoCorasick.h"

using namespace clipvane;
using Strings = std::vector<std::u16string>;

TEST(WordLists, ParseCSV) {
  struct Case {
    std::u16string_view text;
    Strings values;
    int rows;
  };
  const Case cases[] = {
      {u"", {}, 0},
      {u"\n\r\n\n", {}, 0},
      {u"alpha\n\n  beta  \n", {u"alpha", u"beta"}, 2},
      {u"a, \"b, c\" ,d", {u"a", u"b, c", u"d"}, 1},
      {u"\"say \"\"hi\"\"\",x", {u"say \"hi\"", u"x"}, 1},
      {u"\"unterminated, still one", {u"unterminated, still one"}, 1},
      {u"\"\",,  , x", {u"x"}, 1},
      {u"name\tcompany, inc\r\nJohn Smith\t \"Acme\"\r\n",
       {u"name", u"company, inc", u"John Smith", u"\"Acme\""},
       2},
      {u"a\rb\u2028c\u0085d\u2029e\u000Bf\u000Cg", {u"a", u"b", u"c", u"d", u"e", u"f", u"g"}, 7},
      {u"Acme Corp\nacme  corp\nACME\u00A0CORP\nAcmeCorp,acme corp", {u"Acme Corp"}, 4},
      {u"\uFEFFid,\u00A0Z\u00FCrich\u00A0", {u"id", u"Z\u00FCrich"}, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(toUtf8(c.text));
    const auto parsed = WordLists::parseCSV(c.text);
    EXPECT_EQ(parsed.values, c.values);
    EXPECT_EQ(parsed.rows, c.rows);
  }
}

TEST(WordLists, Labels) {
  EXPECT_EQ(WordLists::label(Kind::organization), u"Company");
  EXPECT_EQ(WordLists::label(Kind::identifier), u"Customer ID");
  EXPECT_EQ(WordLists::label(Kind::custom), u"Other");
  EXPECT_EQ(WordLists::label(Kind::apiKey), u"API key");
  ASSERT_EQ(WordLists::importKinds().size(), 4u);
  EXPECT_EQ(WordLists::importKinds()[1],
            (std::pair<std::u16string, Kind>{u"Company", Kind::organization}));
}

namespace {
Finding finding(Kind kind, std::u16string value, int at = 0) {
  Finding f{kind, Range{at, int(value.size())}, value, u"m\u2022\u2022\u2022",
            std::u16string(kind.label())};
  return f;
}
}  // namespace

TEST(WordLists, RelabelAndRemoveIgnored) {
  const std::vector<Finding> findings = {finding(Kind::email, u"John@Example.com"),
                                         finding(Kind::name, u"Acme", 20),
                                         finding(Kind::phone, u"555 0100", 30)};
  const std::vector<MarkedText> marked = {{.text = u" john@example.COM\n", .kind = Kind::name},
                                          {.text = u"acme", .kind = Kind::custom}};
  const auto relabelled = WordLists::relabel(findings, marked);
  ASSERT_EQ(relabelled.size(), 3u);
  EXPECT_EQ(relabelled[0].kind, Kind(Kind::name));
  EXPECT_EQ(relabelled[0].label, u"Name");
  EXPECT_EQ(relabelled[0].value, u"John@Example.com");
  EXPECT_EQ(relabelled[1].kind, Kind(Kind::custom));
  EXPECT_EQ(relabelled[1].label, u"Other");
  EXPECT_EQ(relabelled[2], findings[2]);

  const std::vector<IgnoredText> ignored = {{.text = u"\tACME ", .seenAs = u"Name"},
                                            {.text = u"555", .seenAs = u"Phone"}};
  const auto kept = WordLists::removeIgnored(findings, ignored);
  ASSERT_EQ(kept.size(), 2u);
  EXPECT_EQ(kept[0], findings[0]);
  EXPECT_EQ(kept[1], findings[2]);
}

namespace {
std::vector<Range> rangesOf(const std::vector<WordLists::Term>& terms, std::u16string_view text) {
  std::vector<Range> out;
  for (const auto& s : WordLists::spans(terms, text)) out.push_back(s.range);
  return out;
}
}  // namespace

TEST(WordLists, SpansWholeWordsCaseFolded) {
  struct Case {
    std::u16string_view term, text;
    std::vector<Range> expected;
  };
  const Case cases[] = {
      {u"Acme", u"ACME corp, acme-corp, acmeX, xacme, acme_1", {{0, 4}, {11, 4}, {36, 4}}},
      {u"acme", u"\U0001F600 acme", {{3, 4}}},
      {u"Stra\u00dfe", u"STRASSE strasse Stra\u00dfe", {{0, 7}, {8, 7}, {16, 6}}},
      {u"ss", u"\u00df", {{0, 1}}},
      {u"s", u"\u00df", {}},
      {u"istanbul", u"\u0130STANBUL", {{0, 8}}},
      {u"\u0131l\u0131k", u"ilik", {}},
      {u"M\u00fcller", u"Herr M\u00dcLLER, m\u00fcllerin", {{5, 6}}},
      {u"caf", u"caf\u00e9", {}},
      {u"cafe", u"cafe\u0301 cafe", {{6, 4}}},
      {u"cafe\u0301", u"cafe\u0301s CAFE\u0301", {{7, 5}}},
      {u"#secret", u"a#secret", {{1, 7}}},
      {u"a-a", u"a-a-a", {{0, 3}}},
      {u"  Project Falcon\n", u"project  falcon, Project Falcon", {{17, 14}}},
      {u"x\U0001D400", u"X\U0001D400 x\U0001D400y", {{0, 3}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(toUtf8(c.term) + " in " + toUtf8(c.text));
    EXPECT_EQ(rangesOf({{std::u16string(c.term), Kind::custom}}, c.text), c.expected);
  }
}

TEST(WordLists, SpansOfSeveralTerms) {
  const std::vector<WordLists::Term> terms = {{u"New York", Kind::address},
                                              {u"York City", Kind::organization},
                                              {u"NEW YORK", Kind::custom},
                                              {u"  ", Kind::custom},
                                              {u"", Kind::custom}};
  const auto spans = WordLists::spans(terms, u"new york city");
  const std::vector<Detector::Span> expected = {{Kind::address, {0, 8}},
                                                {Kind::organization, {4, 9}}};
  EXPECT_EQ(spans, expected);
  EXPECT_TRUE(WordLists::spans(terms, u"").empty());
  EXPECT_TRUE(WordLists::spans({}, u"new york").empty());
}

TEST(WordLists, ThousandTerms) {
  std::vector<WordLists::Term> terms;
  for (int i = 0; i < 1000; ++i)
    terms.push_back({u"Client " + toUtf16(std::to_string(i)) + u" \u00c9", Kind::name});
  std::u16string text;
  std::vector<Range> expected;
  for (int i = 0; i < 1000; i += 7) {
    text += u"see ";
    expected.push_back({int(text.size()), 0});
    const std::u16string term = u"client " + toUtf16(std::to_string(i)) + u" \u00e9";
    text += term;
    expected.back().length = int(term.size());
    text += u" and client " + toUtf16(std::to_string(i)) + u"0 \u00e9x; ";
  }
  EXPECT_EQ(rangesOf(terms, text), expected);
}

// Terms over a large alphabet take the automaton's sparse form.
TEST(WordLists, ManyDistinctCharacters) {
  std::vector<WordLists::Term> terms;
  for (char16_t i = 0; i < 1000; ++i) {
    std::u16string t;
    for (char16_t k = 0; k < 5; ++k) t.push_back(char16_t(0x4E00 + (i * 5 + k) % 4000));
    terms.push_back({t, Kind::organization});
  }
  std::u16string text = u"x " + terms[999].first + u" " + terms[3].first + u"!";
  const std::vector<Range> expected = {{2, 5}, {8, 5}};
  EXPECT_EQ(rangesOf(terms, text), expected);
}

TEST(AhoCorasick, ReportsEveryOverlappingOccurrence) {
  detect::AhoCorasick ac;
  ac.build(std::vector<std::u16string>{u"he", u"SHE", u"his", u"hers", u"She"});
  EXPECT_EQ(ac.canonical(4), 1);
  std::vector<std::pair<int, Range>> got;
  ac.scan(u"uSHers", [&](int t, Range r) { got.push_back({t, r}); });
  const std::vector<std::pair<int, Range>> expected = {
      {1, {1, 3}}, {4, {1, 3}}, {0, {2, 2}}, {3, {2, 4}}};
  EXPECT_EQ(got, expected);
}

TEST(AsyncTimeout, ValueOrNothing) {
  std::promise<int> ready;
  ready.set_value(7);
  EXPECT_EQ(AsyncTimeout::value(ready.get_future().share(), 0.0), 7);

  std::promise<int> never;
  EXPECT_EQ(AsyncTimeout::value(never.get_future().share(), 0.01), std::nullopt);
  EXPECT_EQ(AsyncTimeout::value(std::shared_future<int>(), 1.0), std::nullopt);

  // The work is not cancelled: its value arrives after the time-out.
  std::promise<void> release;
  auto slow = std::async(std::launch::async, [gate = release.get_future()]() mutable {
                gate.wait();
                return std::string("late");
              }).share();
  EXPECT_EQ(AsyncTimeout::value(slow, 0.01), std::nullopt);
  release.set_value();
  EXPECT_EQ(slow.get(), "late");
}
