#include <gtest/gtest.h>

#include <string>

#include "detect/FieldText.h"

using clipvane::detect::fieldtext::letterRunEnd;

namespace {

// The character-by-character reading that letterRunEnd() must agree with.
int walked(std::u16string_view t, int i, int le, int most, bool small) {
  int e = i;
  while (e < le && e - i < most &&
         (small ? t[e] >= u'a' && t[e] <= u'z'
                : (t[e] >= u'a' && t[e] <= u'z') || (t[e] >= u'A' && t[e] <= u'Z')))
    ++e;
  return e;
}

TEST(LetterRunTest, EndsAtTheFirstOtherCharacterTheLimitOrTheMost) {
  const std::u16string t = u"Baker street 12 and more words to fill the line";
  EXPECT_EQ(letterRunEnd(t, 0, int(t.size()), 16), 5);
  EXPECT_EQ(letterRunEnd(t, 0, int(t.size()), 16, true), 0);  // a capital is no small letter
  EXPECT_EQ(letterRunEnd(t, 1, int(t.size()), 16, true), 5);
  EXPECT_EQ(letterRunEnd(t, 6, int(t.size()), 3), 9);  // at most three
  EXPECT_EQ(letterRunEnd(t, 6, 8, 16), 8);             // never past the line's end
  EXPECT_EQ(letterRunEnd(t, 8, 8, 16), 8);
}

TEST(LetterRunTest, AgreesWithAWalkOnMarksPastAsciiAndNearTheTextsEnd) {
  // Marks next to the letters' ranges ("@[`{"), letters past ASCII (é, Ł, a
  // full-width A and a code unit whose high bit is set), and runs that go on
  // past sixteen characters.
  const std::u16string t =
      u"ab@cd[ef`gh{ijXYZ\u00E9kl\u0141mn\uFF21op\xD800qr"
      u"abcdefghijklmnopqrstuvwxyz ABCDEFGHIJKLMNOPQRSTUVWXYZ end";
  const int n = int(t.size());
  for (int i = 0; i < n; ++i)
    for (int le : {i, std::min(n, i + 3), std::min(n, i + 17), n})
      for (int most : {1, 5, 11, 16})
        for (bool small : {false, true})
          EXPECT_EQ(letterRunEnd(t, i, le, most, small), walked(t, i, le, most, small))
              << "at " << i << " up to " << le << " most " << most << " small " << small;
}

}  // namespace
