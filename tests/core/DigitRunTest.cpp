// The digit-group readers find where a run of ASCII digits ends eight
// characters a look: the end must be the same as one read a character at a
// time, wherever the run starts and ends against the text's end and against
// those eight.
#include <gtest/gtest.h>

#include <string>

#include "detect/Scanner.h"

using clipvane::detect::chars::digitsEnd;

namespace {
std::size_t slowEnd(std::u16string_view text, std::size_t pos) {
  while (pos < text.size() && text[pos] >= u'0' && text[pos] <= u'9') ++pos;
  return pos;
}
}  // namespace

TEST(DigitRun, EndsWhereTheDigitsEndWhateverFollows) {
  // Neighbours of "0" and "9" in every byte of a character, Arabic-Indic and
  // full-width digits (no ASCII digits), and characters whose low byte is a
  // digit's.
  const char16_t others[] = {u'/',
                             u':',
                             u' ',
                             u'a',
                             u'\0',
                             u'\u0660',
                             u'\uFF10',
                             u'\u0130',
                             u'\u3035',
                             u'\uFF19',
                             u'\u0039' + 0x100};
  for (char16_t other : others) {
    for (std::size_t lead = 0; lead < 10; ++lead) {
      for (std::size_t run = 0; run <= 20; ++run) {
        for (std::size_t tail = 0; tail <= 9; ++tail) {
          std::u16string text(lead, u'x');
          for (std::size_t k = 0; k < run; ++k) text += char16_t(u'0' + (k * 7) % 10);
          if (tail > 0) text += other;
          text.append(tail > 0 ? tail - 1 : 0, u'5');
          SCOPED_TRACE(testing::Message()
                       << int(other) << " " << lead << " " << run << " " << tail);
          ASSERT_EQ(digitsEnd(text, lead), slowEnd(text, lead));
          ASSERT_EQ(digitsEnd(text, lead), lead + run);
        }
      }
    }
  }
  const std::u16string shortText = u"123";
  EXPECT_EQ(digitsEnd(shortText, 3), 3u);  // at the end
  EXPECT_EQ(digitsEnd(std::u16string_view(shortText).substr(3), 0), 0u);
}
