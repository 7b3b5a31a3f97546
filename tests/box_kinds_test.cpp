#include "box/box_kinds.h"

#include <gtest/gtest.h>

#include <string>

namespace ravuna_motion_format {
namespace {

TEST(BoxKinds, CodesOfEveryKindInOrder) {
  const char* const codes[] = {"none", "head", "ftyp", "vrsn", "sndf", "ipad", "rcvp",
                               "skdf", "bons", "bndt", "bnid", "pbid", "tran", "fram",
                               "fnum", "time", "uttm", "tmcd", "btrs", "btdt", "sndt",
                               "snad", "snnm", "snji", "snvl"};
  for (std::uint32_t number = 0; number < 25; ++number) {
    EXPECT_EQ(BoxTypeToString(static_cast<BoxType>(number)), codes[number]) << number;
  }
}

TEST(BoxKinds, NumbersOutsideTheTableAreNone) {
  for (std::uint32_t number : {25U, 100U, 4294967295U}) {
    EXPECT_EQ(BoxTypeToString(static_cast<BoxType>(number)), "none");
  }
  EXPECT_EQ(BoxTypeToString(static_cast<BoxType>(17)), "tmcd");
}

TEST(BoxKinds, StringToBoxTypeMatchesWholeTextsExactly) {
  EXPECT_EQ(StringToBoxType("tmcd"), BoxType::tmcd);
  for (const char* text : {"Tmcd", "tmc", "tmcd ", "", "none", "TMCD", "tmcdx"}) {
    EXPECT_EQ(StringToBoxType(text), BoxType::none) << text;
  }
  EXPECT_EQ(StringToBoxType(std::string("tm\0d", 4)), BoxType::none);
}

TEST(BoxKinds, EveryKindRoundTripsThroughItsCodeAndItsBytes) {
  for (std::uint32_t number = 1; number < 25; ++number) {
    const auto type = static_cast<BoxType>(number);
    const std::string code = BoxTypeToString(type);
    EXPECT_EQ(StringToBoxType(code), type);
    EXPECT_EQ(BoxTypeFromCode(reinterpret_cast<const std::uint8_t*>(code.data())), type);
  }
}

TEST(BoxKinds, CodeBytesAgreeWithTheTextLookupOnNearMisses) {
  for (std::uint32_t number = 0; number < 25; ++number) {
    std::string code = BoxTypeToString(static_cast<BoxType>(number));
    for (std::size_t i = 0; i < 4; ++i) {
      for (char replacement : {'\0', 'A', static_cast<char>(0xFF), code[i]}) {
        std::string changed = code;
        changed[i] = replacement;
        EXPECT_EQ(BoxTypeFromCode(reinterpret_cast<const std::uint8_t*>(changed.data())),
                  StringToBoxType(changed));
      }
    }
  }
}

TEST(BoxKinds, ValueTypesAndContainers) {
  EXPECT_FALSE(GetBoxValueType(BoxType::none).known);
  EXPECT_FALSE(GetBoxValueType(static_cast<BoxType>(25)).known);
  const BoxType containers[] = {BoxType::head, BoxType::sndf, BoxType::skdf,
                                BoxType::bons, BoxType::bndt, BoxType::fram,
                                BoxType::btrs, BoxType::btdt, BoxType::sndt};
  int containerCount = 0;
  for (std::uint32_t number = 0; number < 30; ++number) {
    containerCount += IsContainer(static_cast<BoxType>(number)) ? 1 : 0;
  }
  EXPECT_EQ(containerCount, 9);
  for (BoxType type : containers) {
    EXPECT_TRUE(IsContainer(type));
  }
  EXPECT_EQ(GetBoxValueType(BoxType::rcvp).valueType, BoxValueType::uint16);
  EXPECT_EQ(GetBoxValueType(BoxType::bnid).valueType, BoxValueType::int16);
  EXPECT_EQ(GetBoxValueType(BoxType::tmcd).valueType, BoxValueType::byteArray);
  EXPECT_EQ(GetBoxValueType(BoxType::snvl).valueType, BoxValueType::floatArray);
  EXPECT_EQ(GetBoxValueType(BoxType::uttm).valueType, BoxValueType::float64);
  EXPECT_EQ(GetBoxValueType(BoxType::vrsn).valueType, BoxValueType::byte);
}

}  // namespace
}  // namespace ravuna_motion_format
