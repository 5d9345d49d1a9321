#include <gtest/gtest.h>

#include "Types.h"

using namespace clipvane;

// Every date the stores read must write back in a form they read again.
TEST(Dates, WhatIsReadWritesBackTheSame) {
  struct Row {
    const char* in;
    const char* out;  // nullptr: rejected
  };
  const Row rows[] = {
      {"4001-01-01T00:00:00Z", "4001-01-01T00:00:00Z"},
      {"9999-12-31T23:59:59Z", "9999-12-31T23:59:59Z"},
      {"9999-12-31T23:59:59-01:00", nullptr},
      {"0000-01-01T00:00:00+00:30", nullptr},
      {"1969-12-31T23:59:59.5Z", "1969-12-31T23:59:59Z"},
  };
  for (const auto& r : rows) {
    const auto d = parseISO8601(r.in);
    if (!r.out) {
      EXPECT_FALSE(d) << r.in;
      continue;
    }
    ASSERT_TRUE(d) << r.in;
    EXPECT_EQ(formatISO8601(*d), r.out);
    EXPECT_EQ(parseISO8601(formatISO8601(*d)),
              std::optional<Date>(std::chrono::floor<std::chrono::seconds>(*d)));
  }
  EXPECT_EQ(parseISO8601(formatISO8601(distantFuture())), distantFuture());
}
