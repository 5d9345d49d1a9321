#include <gtest/gtest.h>

#include <thread>

#include "Detector.h"
#include "JSRegex.h"

using namespace clipvane;
using namespace std::literals;

namespace {

std::vector<std::u16string> found(std::u16string_view pattern, std::u16string_view text,
                                  bool ignoreCase = false) {
  std::vector<std::u16string> out;
  for (const Range& r : JSRegex::compile(pattern, ignoreCase).matches(text))
    out.emplace_back(text.substr(r.location, r.length));
  return out;
}

using Strings = std::vector<std::u16string>;

}  // namespace

// Each pattern behaves differently when handed to ICU untranslated.
TEST(JSRegex, EcmaScriptSemantics) {
  struct Case {
    std::u16string_view pattern, text;
    Strings expected;
  };
  const Case cases[] = {
      // ASCII-only classes and boundaries.
      {u"\\d+", u"\u0661\u0662\u0663 42", {u"42"}},
      {u"\\w+", u"caf\u00e9", {u"caf"}},
      {u"\\bcaf\\b", u"caf\u00e9 caf", {u"caf", u"caf"}},
      {u"\\Bx", u"\u00e9x ax", {u"x"}},
      {u"\\s", u"\u0085\ufeff", {u"\ufeff"}},
      {u".", u"\u0085\n", {u"\u0085"}},
      // Anchors mean the whole input.
      {u"a$", u"a\n", {}},
      {u"^a", u"b\na", {}},
      {u"(?m:^a$)", u"b\na\n", {u"a"}},
      // Any character, across lines.
      {u"[^]+", u"a\nb", {u"a\nb"}},
      {u".+", u"a\nb", {u"a", u"b"}},
      {u"(?s:.+)", u"a\nb", {u"a\nb"}},
      {u"[]", u"a", {}},
      // Literal brackets, braces and ICU set syntax.
      {u"[[]", u"a[b", {u"["}},
      {u"[a&&b]", u"&ab", {u"&", u"a", u"b"}},
      {u"[!--]+", u"-+!", {u"-+!"}},
      {u"[[:alpha:]]", u"a]", {u"a]"}},
      {u"[$^]+", u"$^", {u"$^"}},
      {u"a{", u"a{", {u"a{"}},
      {u"x{1,", u"x{1,", {u"x{1,"}},
      {u"}", u"}", {u"}"}},
      {u"a{,2}", u"a{,2}", {u"a{,2}"}},
      {u"]", u"]", {u"]"}},
      // Escapes ICU would read otherwise.
      {u"\\Q.", u"Q.", {u"Q."}},
      {u"\\p{L}", u"p{L} x", {u"p{L}"}},
      {u"\\k", u"k", {u"k"}},
      {u"\\8", u"8", {u"8"}},
      {u"\\x41\\u0042\\u{43}\\103\\0", u"ABCC\0"sv, {u"ABCC\0"s}},
      {u"\\xZ\\uZ", u"xZuZ", {u"xZuZ"}},
      {u"\\cJ[\\cJ][\\c1]", u"\n\n\x11", {u"\n\n\x11"}},
      {u"\\c1", u"\\c1", {u"\\c1"}},
      {u"[\\b]", u"\b", {u"\b"}},
      {u"[\\d-z]+", u"1-z", {u"1-z"}},
      {u"\\u{1F600}|\\uD83D\\uDE01", u"a\U0001F600\U0001F601", {u"\U0001F600", u"\U0001F601"}},
      // Groups and references.
      {u"(?<year>\\d{4})-\\k<year>", u"2024-2025 2024-2024", {u"2024-2024"}},
      {u"(a)\\1", u"aa", {u"aa"}},
      // A reference to a group that has not matched matches nothing.
      {u"(a)?b\\1c", u"bc abac", {u"bc", u"abac"}},
      {u"\\1(a)b", u"ab", {u"ab"}},
      {u"(?:(x)|(y))\\2z", u"xz yyz", {u"xz", u"yyz"}},
      {u"(?<q>[\"'])?v\\k<q>", u"v; 'v'", {u"v", u"'v'"}},
      {u"(a)\\10", u"aa a\b", {u"a\b"}},
      {u"(?i:ab)c", u"ABc ABC", {u"ABc"}},
      {u"(?=a)?b", u"b", {u"b"}},
      // Look-behind, also unbounded.
      {u"(?<=\\$)\\d+", u"$42 and 7", {u"42"}},
      {u"(?<=id:\\s*)\\d+", u"id:   42 x 7", {u"42"}},
      {u"(?<!\\d)\\d{3}(?!\\d)", u"1234 567", {u"567"}},
      // Empty matches are skipped; ranges stay UTF-16.
      {u"a*", u"baab", {u"aa"}},
      {u"x", u"\U0001F600x", {u"x"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(toUtf8(c.pattern));
    EXPECT_EQ(found(c.pattern, c.text), c.expected)
        << toUtf8(JSRegex::compile(c.pattern, false).icuPattern());
  }
}

TEST(JSRegex, IgnoreCase) {
  EXPECT_EQ(found(u"abc", u"xABCx", true), Strings{u"ABC"});
  EXPECT_EQ(found(u"abc", u"xABCx", false), Strings{});
  EXPECT_EQ(found(u"[^a]", u"Ab", true), Strings{u"b"});
  // \w stays ASCII: the long s folds to "s" but is no word character.
  EXPECT_EQ(found(u"\\w", u"\u017f", true), Strings{});
  EXPECT_EQ(found(u"(?-i:a)b", u"AB aB", true), Strings{u"aB"});
  // Class escapes keep their exact sets inside a class; literals fold.
  EXPECT_EQ(found(u"[\\W]", u"sk-", true), Strings{u"-"});
  EXPECT_EQ(found(u"[\\Dx]+", u"1X2", true), Strings{u"X"});
  EXPECT_EQ(found(u"[a-c]+", u"xAbCx", true), Strings{u"AbC"});
  EXPECT_EQ(found(u"(?i:[a-c]+)d", u"ABd ABD", false), Strings{u"ABd"});
}

TEST(JSRegex, RangesAreUtf16) {
  const auto ranges = JSRegex::compile(u"\\d+", false).matches(u"\U0001F600 12");
  ASSERT_EQ(ranges.size(), 1u);
  EXPECT_EQ(ranges[0], (Range{3, 2}));
}

TEST(JSRegex, RuleEditorExamples) {
  struct Case {
    std::u16string_view pattern, text, match;
  };
  const Case cases[] = {
      {u"NW-\\d{4,}", u"see NW-12345.", u"NW-12345"},
      {u"\\bEMP-\\d{5}\\b", u"id EMP-00042, EMP-123456", u"EMP-00042"},
      {u"\\bINV-\\d{4}-\\d{4,}\\b", u"INV-2024-00017 paid", u"INV-2024-00017"},
      {u"\\b(?:JIRA|OPS)-\\d+\\b", u"fixed in OPS-77", u"OPS-77"},
      {u"(?:\\+84|0)(?:3|5|7|8|9)\\d{8}\\b", u"call +84912345678 now", u"+84912345678"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(toUtf8(c.pattern));
    EXPECT_EQ(found(c.pattern, c.text), Strings{std::u16string(c.match)});
  }
}

TEST(JSRegex, InvalidPatternsThrow) {
  const std::u16string_view bad[] = {
      u"(",
      u")",
      u"a)",
      u"[a",
      u"a**",
      u"*a",
      u"a|+",
      u"a{2,1}",
      u"{1}",
      u"a{1}{2}",
      u"[z-a]",
      u"\\",
      u"^*",
      u"$+",
      u"\\b+",
      u"(?<=a)*",
      u"(?x)",
      u"(?i)a",
      u"(?-:a)",
      u"(?ii:a)",
      u"(?<n>a)(?<n>b)",
      u"(?<1a>x)",
      u"(?<a>x)\\k<b>",
      u"(?<a>x)\\k",
      u"(?<a>x)[\\k]",
      u"(?<>x)",
  };
  const std::u16string deep = std::u16string(5000, u'(') + std::u16string(5000, u')');
  EXPECT_THROW(JSRegex::compile(deep, false), JSRegex::Error);
  EXPECT_NO_THROW(JSRegex::compile(std::u16string(40, u'(') + std::u16string(40, u')'), false));
  for (auto p : bad) {
    SCOPED_TRACE(toUtf8(p));
    EXPECT_THROW(JSRegex::compile(p, false), JSRegex::Error);
  }
}

TEST(JSRegex, RunawayPatternsReturn) {
  std::u16string text(100000, u'a');
  text += u"b";
  EXPECT_TRUE(JSRegex::compile(u"(a+)+$", false).matches(text).empty());
  // Linear per match but tried at every position: the scan budget ends it.
  const auto some = JSRegex::compile(u"a(?=[^x]*$)", false).matches(std::u16string(200000, u'a'));
  EXPECT_FALSE(some.empty());
}

TEST(JSRegex, SharedAcrossThreads) {
  const JSRegex re = JSRegex::compile(u"\\bEMP-\\d{5}\\b", false);
  std::u16string text;
  for (int i = 0; i < 500; ++i) text += u"EMP-12345 ";
  std::vector<std::size_t> counts(4);
  std::vector<std::thread> threads;
  for (std::size_t t = 0; t < counts.size(); ++t)
    threads.emplace_back([&, t] { counts[t] = re.matches(text).size(); });
  for (auto& t : threads) t.join();
  for (auto n : counts) EXPECT_EQ(n, 500u);
}

TEST(Finding, TokenName) {
  struct Case {
    std::u16string_view label;
    std::string_view token;
  };
  const Case cases[] = {
      {u"Employee ID", "EMPLOYEE_ID"},
      {u"", "CUSTOM"},
      {u"  --  ", "CUSTOM"},
      {u"  api-key (prod)! ", "API_KEY_PROD"},
      {u"v2 token", "V2_TOKEN"},
      {u"Stra\u00dfe", "STRASSE"},
      {u"d\u00e9j\u00e0 vu", "D\u00c9J\u00c0_VU"},
      {u"cafe\u0301 id", "CAFE\u0301_ID"},
      {u"\u0645\u0639\u0631\u0641 \u0661", "\u0645\u0639\u0631\u0641_\u0661"},
      {u"\U0001F600 Project \U0001F600", "PROJECT"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(toUtf8(c.label));
    EXPECT_EQ(Finding::tokenName(c.label), c.token);
  }
}
