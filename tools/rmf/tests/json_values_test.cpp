#include "rmf/output/json_values.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "rmf/input_reading.h"

namespace rmf {
namespace {

// Through JSON text and back, as between `inspect --json` and `encode`.
Json ThroughText(const Json& value) { return Json::parse(Json{{"v", value}}.dump())["v"]; }

std::vector<std::uint32_t> FloatBitPatterns() {
  std::vector<std::uint32_t> patterns = {0x00000000, 0x80000000, 0x00000001, 0x007fffff, 0x00800000,
                                         0x3f800000, 0x3dcccccd, 0x7f7fffff, 0xff7fffff, 0x7f800000,
                                         0xff800000, 0x7fc00000, 0x7fc00001, 0xffc00000, 0x7f800001,
                                         0x4b800001, 0x33000001};
  std::mt19937 generator(20261206);
  for (int i = 0; i < 20000; ++i) {
    patterns.push_back(static_cast<std::uint32_t>(generator()));
  }
  return patterns;
}

TEST(JsonFloat, EveryBitPatternComesBackThroughJsonText) {
  for (const std::uint32_t bits : FloatBitPatterns()) {
    const float value = std::bit_cast<float>(bits);
    const float back = JsonToFloat(ThroughText(FloatToJson(value)));
    ASSERT_EQ(std::bit_cast<std::uint32_t>(back), bits) << std::hex << bits;
  }
}

TEST(JsonFloat, IsWrittenAsItsShortestText) {
  EXPECT_EQ(FloatToJson(0.1F).dump(), "0.1");
  EXPECT_EQ(FloatToJson(9.81F).dump(), "9.81");
  EXPECT_EQ(FloatToJson(-0.0F).dump(), "-0.0");
  EXPECT_EQ(FloatToJson(std::numeric_limits<float>::infinity()).dump(), "\"Infinity\"");
  EXPECT_EQ(FloatToJson(std::numeric_limits<float>::quiet_NaN()).dump(), "\"NaN\"");
  EXPECT_EQ(FloatToJson(std::bit_cast<float>(std::uint32_t{0xffc00001})).dump(),
            "\"NaN:0xffc00001\"");
}

TEST(JsonFloat, NumberTypedByHandReadsAsTheNearestFloat) {
  EXPECT_EQ(JsonToFloat(Json::parse("0.100000001")), 0.1F);
  EXPECT_EQ(JsonToFloat(Json::parse("3")), 3.0F);
}

TEST(JsonDouble, EveryBitPatternComesBackThroughJsonText) {
  std::mt19937_64 generator(7);
  std::vector<std::uint64_t> patterns = {0,
                                         0x8000000000000000,
                                         1,
                                         0x7ff0000000000000,
                                         0x7ff8000000000000,
                                         0x7ff8000000000001,
                                         0x41d954fc40033333};
  for (int i = 0; i < 20000; ++i) {
    patterns.push_back(generator());
  }
  for (const std::uint64_t bits : patterns) {
    const double back = JsonToDouble(ThroughText(DoubleToJson(std::bit_cast<double>(bits))));
    ASSERT_EQ(std::bit_cast<std::uint64_t>(back), bits) << std::hex << bits;
  }
}

TEST(JsonNumbers, WrongTypesAndBadNaNTextsAreInputErrors) {
  EXPECT_THROW(JsonToFloat(Json::parse("\"1.5\"")), InputError);
  EXPECT_THROW(JsonToFloat(Json::parse("\"NaN:0x3f800000\"")), InputError);  // 1.0, not a NaN
  EXPECT_THROW(JsonToFloat(Json::parse("\"NaN:0x7fc00000zz\"")), InputError);
  EXPECT_THROW(JsonToFloat(Json::parse("null")), InputError);
  EXPECT_THROW(JsonToDouble(Json::parse("[1]")), InputError);
}

TEST(JsonText, Utf8StaysTextOtherBytesBecomeHex) {
  EXPECT_EQ(TextToJson("right wrist").dump(), "\"right wrist\"");
  EXPECT_EQ(TextToJson("caf\xc3\xa9").dump(), "\"caf\xc3\xa9\"");
  EXPECT_EQ(TextToJson("a\xff").dump(), "{\"hex\":\"61 ff\"}");
  for (const std::string& text : {std::string("caf\xc3\xa9"), std::string("a\xff\xc3"),
                                  std::string("x\0y", 3), std::string()}) {
    EXPECT_EQ(JsonToText(ThroughText(TextToJson(text))), text);
  }
  EXPECT_THROW(JsonToText(Json::parse("7")), InputError);
  EXPECT_THROW(JsonToText(Json::parse("{\"hex\":\"zz\"}")), InputError);
}

}  // namespace
}  // namespace rmf
