#include <gtest/gtest.h>

#include "Kinds.h"
#include "Types.h"

using namespace clipvane;

TEST(Kinds, RawNamesRoundTripInDeclarationOrder) {
  const auto all = allCases<Kind>();
  ASSERT_EQ(all.size(), 27u);
  EXPECT_EQ(rawName(all.front()), "name");
  EXPECT_EQ(rawName(all.back()), "custom");
  for (Kind k : all) EXPECT_EQ(fromRawName<Kind>(rawName(k)), k);
  EXPECT_FALSE(fromRawName<Kind>("Email").has_value());
}

TEST(Kinds, TableValues) {
  struct Row {
    Kind kind;
    std::u16string_view label;
    std::string_view token;
    Kind::Group group;
    Kind::Risk risk;
  };
  const Row rows[] = {
      {Kind::driverLicense, u"Driver\u2019s license", "DRIVER_LICENSE", Kind::Group::personal,
       Kind::Risk::personal},
      {Kind::card, u"Card number", "CARD", Kind::Group::financial, Kind::Risk::blocked},
      {Kind::databaseUrl, u"Database URL", "DB_URL", Kind::Group::secrets, Kind::Risk::secret},
      {Kind::userPath, u"User folder", "USER_PATH", Kind::Group::internal, Kind::Risk::internal},
      {Kind::medicalRecord, u"Medical record", "MEDICAL", Kind::Group::records,
       Kind::Risk::personal},
  };
  for (const auto& r : rows) {
    EXPECT_EQ(r.kind.label(), r.label);
    EXPECT_EQ(r.kind.token(), r.token);
    EXPECT_EQ(r.kind.group(), r.group);
    EXPECT_EQ(r.kind.risk(), r.risk);
  }
  for (Kind k : allCases<Kind>()) EXPECT_FALSE(k.materialIcon().empty());
}

TEST(Types, ISO8601ReadsFractionsAndOffsets) {
  const auto base = parseISO8601("2026-12-06T20:37:24Z");
  ASSERT_TRUE(base);
  EXPECT_EQ(formatISO8601(*base), "2026-12-06T20:37:24Z");
  EXPECT_EQ(formatISO8601(*parseISO8601("2026-12-06T21:37:24.75+01:00")), "2026-12-06T20:37:24Z");
  EXPECT_EQ(formatISO8601(distantFuture()), "4001-01-01T00:00:00Z");
  EXPECT_FALSE(parseISO8601("2026-13-06T20:37:24Z"));
  EXPECT_FALSE(parseISO8601("2026-12-06T20:37:24"));
  EXPECT_FALSE(parseISO8601("yesterday"));
}

TEST(Types, UuidAndUtf16) {
  const Uuid u = Uuid::generate();
  EXPECT_EQ(Uuid::parse(u.string()), u);
  EXPECT_EQ(u.string().size(), 36u);
  EXPECT_NE(Uuid::generate(), u);
  EXPECT_EQ(toUtf16("a\xF0\x9F\x98\x80"
                    "b"),
            u"a\U0001F600b");
  EXPECT_EQ(toUtf8(u"\u00e9\U0001F600"), "\xC3\xA9\xF0\x9F\x98\x80");
  // Ill-formed input, after a plain start and at the very start, stands as U+FFFD.
  EXPECT_EQ(toUtf16("ab\xFF"
                    "c\xC3\xA9"),
            u"ab\uFFFDc\u00e9");
  EXPECT_EQ(toUtf16("\xED\xA0\x80x"), u"\uFFFD\uFFFD\uFFFDx");
  EXPECT_EQ(toUtf16(""), u"");
  EXPECT_EQ(toUtf8(std::u16string(1, char16_t(0xD800)) + u"x"), "\xEF\xBF\xBDx");
  EXPECT_EQ(toUtf8(u""), "");
  // Long plain runs are widened in blocks: a character past one, inside one
  // and at its last byte keeps its place.
  const std::string plain(37, 'x');
  for (const std::size_t at : {0u, 15u, 16u, 31u, 36u}) {
    std::string bytes = plain;
    bytes.replace(at, 1, "\xC3\xA9");
    std::u16string wide(plain.begin(), plain.end());
    wide[at] = u'\u00e9';
    EXPECT_EQ(toUtf16(bytes), wide) << at;
    EXPECT_EQ(toUtf8(wide), bytes) << at;
  }
  EXPECT_EQ(toUtf16(plain + plain), std::u16string(74, u'x'));
}
