#include <unicode/locid.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

#include "Detector.h"

namespace clipvane {

std::string Finding::tokenName(std::u16string_view label) {
  icu::UnicodeString upper(false, label.empty() ? u"" : label.data(),
                           static_cast<int32_t>(label.size()));
  upper.toUpper(icu::Locale::getRoot());  // full mapping: "ß" becomes "SS"

  std::u16string word;
  bool gap = false;     // other characters since the last kept one
  bool inWord = false;  // the previous character was kept
  for (int32_t i = 0; i < upper.length();) {
    const UChar32 c = upper.char32At(i);
    i += U16_LENGTH(c);
    const int8_t type = u_charType(c);
    const bool mark =
        type == U_NON_SPACING_MARK || type == U_COMBINING_SPACING_MARK || type == U_ENCLOSING_MARK;
    // A combining accent stays with the letter it belongs to.
    const bool keep = u_hasBinaryProperty(c, UCHAR_ALPHABETIC) || type == U_DECIMAL_DIGIT_NUMBER ||
                      (mark && inWord);
    if (!keep) {
      gap = true;
      inWord = false;
      continue;
    }
    if (gap && !word.empty()) word.push_back(u'_');
    gap = false;
    inWord = true;
    if (U_IS_BMP(c)) {
      word.push_back(char16_t(c));
    } else {
      word.push_back(char16_t(U16_LEAD(c)));
      word.push_back(char16_t(U16_TRAIL(c)));
    }
  }
  return word.empty() ? std::string("CUSTOM") : toUtf8(word);
}

}  // namespace clipvane
