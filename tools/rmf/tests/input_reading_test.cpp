#include "input_reading.h"

#include <gtest/gtest.h>

#include <string>

namespace rmf {
namespace {

struct HexCase {
  const char* text;
  Bytes expected;
};

TEST(HexText, ReadsPairsAndSkipsWhiteSpaceAndPrefixes) {
  const HexCase cases[] = {
      {"", {}},
      {"00 01 ff", {0x00, 0x01, 0xff}},
      {"DEADbeef", {0xde, 0xad, 0xbe, 0xef}},
      {"0x00 0x1A\n0XfF\t", {0x00, 0x1a, 0xff}},
      {"  23 00 00 00\r\n68 65 61 64  ", {0x23, 0, 0, 0, 'h', 'e', 'a', 'd'}},
      {"0x0x10", {0x10}},
  };
  for (const HexCase& hexCase : cases) {
    EXPECT_EQ(ParseHexText(hexCase.text), hexCase.expected) << hexCase.text;
  }
}

struct BadHexCase {
  const char* text;
  const char* message;
};

TEST(HexText, NamesTheOffsetOfBadInput) {
  const BadHexCase cases[] = {
      {"abc", "bad hex: odd number of digits at offset 2"},
      {"ab c", "bad hex: odd number of digits at offset 3"},
      {"a bc", "bad hex: odd number of digits at offset 0"},
      {"zz", "bad hex: unexpected character at offset 0"},
      {"00 0g", "bad hex: unexpected character at offset 4"},
      {"00,01", "bad hex: unexpected character at offset 2"},
  };
  for (const BadHexCase& badCase : cases) {
    try {
      ParseHexText(badCase.text);
      ADD_FAILURE() << "accepted " << badCase.text;
    } catch (const InputError& error) {
      EXPECT_EQ(std::string(error.what()), badCase.message) << badCase.text;
    }
  }
}

TEST(CaptureDetection, KnowsPcapAndPcapngMagicNumbers) {
  EXPECT_TRUE(LooksLikeCapture({0xd4, 0xc3, 0xb2, 0xa1, 0x02, 0x00}));
  EXPECT_TRUE(LooksLikeCapture({0xa1, 0xb2, 0xc3, 0xd4}));
  EXPECT_TRUE(LooksLikeCapture({0x4d, 0x3c, 0xb2, 0xa1}));
  EXPECT_TRUE(LooksLikeCapture({0x0a, 0x0d, 0x0d, 0x0a, 0x1c}));
  // A document begins with the size of its "head" box.
  EXPECT_FALSE(LooksLikeCapture({0x23, 0x00, 0x00, 0x00, 'h', 'e', 'a', 'd'}));
  EXPECT_FALSE(LooksLikeCapture({0xd4, 0xc3, 0xb2}));
  EXPECT_FALSE(LooksLikeCapture({}));
}

TEST(InputFiles, UnreadableFileIsAnInputErrorNamingIt) {
  try {
    ReadInput("/nonexistent/rmf-input");
    ADD_FAILURE() << "read a missing file";
  } catch (const InputError& error) {
    EXPECT_EQ(std::string(error.what()),
              "cannot open '/nonexistent/rmf-input': No such file or directory");
  }
}

}  // namespace
}  // namespace rmf
