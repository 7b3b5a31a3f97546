#include "rmf/output/value_format.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <limits>

namespace rmf {
namespace {

TEST(FloatText, IsTheShortestTextThatReadsBack) {
  EXPECT_EQ(FormatFloat(0.1F), "0.1");
  EXPECT_EQ(FormatFloat(1.0F / 3.0F), "0.33333334");
  EXPECT_EQ(FormatFloat(1.0F), "1");
  EXPECT_EQ(FormatFloat(-0.0F), "-0");
  EXPECT_EQ(FormatFloat(9.81F), "9.81");
  EXPECT_EQ(FormatFloat(std::numeric_limits<float>::denorm_min()), "1e-45");
  EXPECT_EQ(FormatFloat(std::numeric_limits<float>::max()), "3.4028235e+38");
  EXPECT_EQ(FormatFloat(std::numeric_limits<float>::infinity()), "inf");
  EXPECT_EQ(FormatFloat(-std::numeric_limits<float>::infinity()), "-inf");
  EXPECT_EQ(FormatFloat(std::bit_cast<float>(std::uint32_t{0xffc00001})), "nan");
}

TEST(DoubleText, IsTheShortestTextThatReadsBack) {
  EXPECT_EQ(FormatDouble(0.1), "0.1");
  EXPECT_EQ(FormatDouble(2.0), "2");
  EXPECT_EQ(FormatDouble(1700000000.05), "1700000000.05");
  // Widened, a float shows all the digits the double holds.
  EXPECT_EQ(FormatDouble(static_cast<double>(0.1F)), "0.10000000149011612");
}

TEST(QuotedText, EscapesQuotesBackslashesAndEveryNonPrintableByte) {
  EXPECT_EQ(QuoteText(""), "\"\"");
  EXPECT_EQ(QuoteText("right wrist"), "\"right wrist\"");
  EXPECT_EQ(QuoteText("a\"b\\c"), "\"a\\\"b\\\\c\"");
  EXPECT_EQ(QuoteText("\n\r\t"), "\"\\n\\r\\t\"");
  EXPECT_EQ(QuoteText(std::string("a\0b", 3)), "\"a\\x00b\"");
  EXPECT_EQ(QuoteText("\x7f\xc3\xa9\x1f"), "\"\\x7f\\xc3\\xa9\\x1f\"");
}

TEST(TimecodeText, IsHoursMinutesSecondsFramesInTwoDigits) {
  EXPECT_EQ(FormatTimecode({1, 2, 3, 4, 5, 1}), "01:02:03:04");
  EXPECT_EQ(FormatTimecode({23, 59, 59, 29, 0, 0}), "23:59:59:29");
  EXPECT_EQ(FormatTimecode({255, 0, 100, 9, 0, 0}), "255:00:100:09");
}

TEST(HexBytes, AreLowercasePairsSeparatedByBlanks) {
  EXPECT_EQ(FormatHexBytes({}), "");
  const std::uint8_t bytes[] = {0x00, 0x0a, 0xff, 0x5c};
  EXPECT_EQ(FormatHexBytes(bytes), "00 0a ff 5c");
}

}  // namespace
}  // namespace rmf
