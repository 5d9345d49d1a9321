#pragma once
// User patterns written in ECMAScript syntax, compiled for ICU.
#include <unicode/regex.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "Types.h"

namespace clipvane {

class JSRegex {
 public:
  class Error : public std::runtime_error {
   public:
    using std::runtime_error::runtime_error;
  };

  // Throws Error on a pattern that is invalid in ECMAScript.
  static JSRegex compile(std::u16string_view pattern, bool ignoreCase);

  // Every non-empty match, in order. A match that runs into the time limit
  // ends the search for this text (what was found before it is kept).
  std::vector<Range> matches(std::u16string_view text) const;

  // The translated ICU pattern (for tests and diagnostics).
  const std::u16string& icuPattern() const { return icuPattern_; }

  // ICU's time limit for one match, in its steps (about 10,000 engine
  // operations each, roughly a millisecond): a catastrophic pattern such as
  // "(a+)+$" on 100 KB gives up after some 50 ms. All matches of one text
  // together also stop after a second of wall-clock time.
  static constexpr int timeLimitMilliseconds = 200;

 private:
  std::shared_ptr<const icu::RegexPattern> pattern_;
  std::u16string icuPattern_;
};

}  // namespace clipvane
