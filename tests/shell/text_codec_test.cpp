#include "platform/qt/text_codec.h"

#include <gtest/gtest.h>

#include <string>

namespace tlv {
namespace {

TEST(TextCodec, EveryCodeSurvivesARoundTrip) {
  std::string all;
  for (int code = 0; code < 256; ++code) all.push_back(static_cast<char>(code));
  const QString text = FromWindows1252(all);
  ASSERT_EQ(text.size(), 256);
  EXPECT_EQ(ToWindows1252(text), all);
  // No two codes share a character.
  for (int i = 0; i < 256; ++i) {
    for (int j = i + 1; j < 256; ++j) ASSERT_NE(text.at(i), text.at(j)) << i << " " << j;
  }
}

TEST(TextCodec, HighControlRangeFollowsThePublishedMapping) {
  EXPECT_EQ(Windows1252ToUnicode(0x80), u'\u20AC');
  EXPECT_EQ(Windows1252ToUnicode(0x85), u'\u2026');
  EXPECT_EQ(Windows1252ToUnicode(0x8A), u'\u0160');
  EXPECT_EQ(Windows1252ToUnicode(0x92), u'\u2019');
  EXPECT_EQ(Windows1252ToUnicode(0x96), u'\u2013');
  EXPECT_EQ(Windows1252ToUnicode(0x99), u'\u2122');
  EXPECT_EQ(Windows1252ToUnicode(0x9F), u'\u0178');
  // Undefined codes keep their value as C1 controls.
  for (unsigned char undefined : {0x81, 0x8D, 0x8F, 0x90, 0x9D}) {
    EXPECT_EQ(Windows1252ToUnicode(undefined), static_cast<char16_t>(undefined));
  }
  // Latin-1 codes are themselves.
  EXPECT_EQ(Windows1252ToUnicode(0xE9), u'\u00E9');
  EXPECT_EQ(Windows1252ToUnicode(0xA0), u'\u00A0');
}

TEST(TextCodec, CharactersOutsideTheCodePageBecomeQuestionMarks) {
  EXPECT_EQ(ToWindows1252(QString::fromUtf8("Caf\xC3\xA9 \xE2\x82\xAC")), "Caf\xE9 \x80");
  EXPECT_EQ(ToWindows1252(QString::fromUtf8("a\xE4\xB8\xAD"
                                            "b")),
            "a?b");
  // A character beyond the basic plane is one question mark, not two.
  EXPECT_EQ(ToWindows1252(QString::fromUtf8("x\xF0\x9F\x98\x80y")), "x?y");
  // U+0080 is not the euro sign's code.
  unsigned char code = 0;
  EXPECT_FALSE(UnicodeToWindows1252(0x0080, code));
  EXPECT_TRUE(UnicodeToWindows1252(0x20AC, code));
  EXPECT_EQ(code, 0x80);
}

}  // namespace
}  // namespace tlv
