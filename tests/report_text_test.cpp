// Router text as the reports write it: always valid UTF-8, odd bytes read as
// Latin-1, control characters escaped in the text report.
#include <gtest/gtest.h>

#include "ReportText.h"

namespace {

std::string Readable(std::string_view bytes) {
  std::string out;
  AppendReadable(out, bytes);
  return out;
}

TEST(ReportText, ValidUtf8PassesUnchanged) {
  for (const char* text : {"", "to-pe2", "caf\xC3\xA9", "\xE2\x82\xAC 5", "\xF0\x9F\x98\x80",
                           "\xEF\xBF\xBF", "\xF4\x8F\xBF\xBF", "tab\there"}) {
    EXPECT_EQ(ValidUtf8(text), text);
  }
}

TEST(ReportText, EveryOtherByteIsItsLatin1Character) {
  EXPECT_EQ(ValidUtf8("to-p\xE9" "2"), "to-p\xC3\xA9" "2");
  EXPECT_EQ(ValidUtf8("\xFF\x80"), "\xC3\xBF\xC2\x80");
  // A sequence cut short: its lead byte alone is Latin-1, what follows is read anew.
  EXPECT_EQ(ValidUtf8("\xC3" "a"), "\xC3\x83" "a");
  EXPECT_EQ(ValidUtf8("\xE2\x82"), "\xC3\xA2\xC2\x82");
  // Overlong forms, surrogates and code points past U+10FFFF are not UTF-8.
  EXPECT_EQ(ValidUtf8("\xC0\xAF"), "\xC3\x80\xC2\xAF");
  EXPECT_EQ(ValidUtf8("\xE0\x80\xAF"), "\xC3\xA0\xC2\x80\xC2\xAF");
  EXPECT_EQ(ValidUtf8("\xED\xA0\x80"), "\xC3\xAD\xC2\xA0\xC2\x80");
  EXPECT_EQ(ValidUtf8("\xF4\x90\x80\x80"), "\xC3\xB4\xC2\x90\xC2\x80\xC2\x80");
  const std::string withNul("a\0b", 3);
  EXPECT_EQ(ValidUtf8(withNul), withNul);
}

TEST(ReportText, TheTextReportEscapesControlCharactersButTab) {
  EXPECT_EQ(Readable(std::string("a\nb\r\0\x01\x1B\x7F\tc", 10)), "a\\nb\\r\\x00\\x01\\x1b\\x7f\tc");
  EXPECT_EQ(Readable("\xC2\x85 \x85 \xE9"), "\\x85 \\x85 \xC3\xA9");  // C1 whether UTF-8 or Latin-1
  EXPECT_EQ(Readable("\\x41"), "\\x41");
  EXPECT_EQ(CharacterCount(Readable("to-p\xE9" "2")), 6u);
}

}  // namespace
