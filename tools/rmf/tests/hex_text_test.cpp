#include "rmf/documents/hex_text.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>

#include "rmf/capture/capture_reading.h"
#include "rmf/commands.h"
#include "rmf/output/value_format.h"

namespace rmf {
namespace {

std::string ParsedOrMessage(std::string_view text) {
  try {
    return FormatHexBytes(ParseHexText(text));
  } catch (const InputError& error) {
    return error.what();
  }
}

// hex_dumps/readable holds sample.bin as xxd (plain, -a, -i, -p, -g1 -c12
// -u), hexdump -C and od -v -An -tx1 print it: "*" lines, a '|' and blanks
// in the text column, a short last line. Each is read as hex without --hex
// too; sample.bin itself is not.
TEST(HexText, ReadsTheDumpsOfCommonTools) {
  const std::filesystem::path folder = RMF_HEX_DUMPS_DIR;
  const Bytes expected = ReadInput((folder / "sample.bin").string());
  for (const auto& entry : std::filesystem::directory_iterator(folder / "readable")) {
    const Bytes text = ReadInput(entry.path().string());
    EXPECT_EQ(ParsedOrMessage({reinterpret_cast<const char*>(text.data()), text.size()}),
              FormatHexBytes(expected))
        << entry.path();
    EXPECT_EQ(ReadInputBytes(entry.path().string(), false), expected) << entry.path();
  }
  EXPECT_EQ(ReadInputBytes((folder / "sample.bin").string(), false), expected);
}

// Without --hex: text is taken for hex when it reads as hex, or when it is a
// dump whose offsets or layout say so (its error then names the line).
TEST(HexText, TextIsTakenForHexOnlyWhenItIsHex) {
  const std::vector<std::pair<std::string, bool>> cases = {
      {"23 00 00 00 68 65 61 64\n", true},
      {"0x23, 0x00, 0x00\n", true},
      {"00000000: 2300 0000 6865 6164  #...head\n", true},
      {"00000000: 2300 0000 6865 6164  #...head\n00000020: 00\n", true},  // a line lost
      {"0000000 23 00 00 00 68 65\n", true},                              // od's offsets: refused
      {"{\"kind\": \"frame_data\"}\n", false},
      {"hello, world\n", false},
      {"abc: not a dump\n", false},
      {std::string("\x23\0\0\0head", 8), false},
      {"", false},
  };
  for (const auto& [text, hex] : cases) {
    EXPECT_EQ(LooksLikeHexText(text), hex) << QuoteText(text);
  }
}

// hex_dumps/cases.txt: texts in each layout, well and badly formed, each
// with the bytes it gives or the error that names its line and column.
TEST(HexText, ReadsEachLayoutAndNamesTheLineOfBadInput) {
  const Bytes file = ReadInput(std::string(RMF_HEX_DUMPS_DIR) + "/cases.txt");
  std::istringstream lines(std::string(file.begin(), file.end()));
  std::string name;
  std::string text;
  int count = 0;
  for (std::string line; std::getline(lines, line);) {
    if (line.starts_with("=== ")) {
      name = line.substr(4);
      text.clear();
    } else if (line.starts_with("--> ")) {
      text.pop_back();  // the newline before "-->"
      EXPECT_EQ(ParsedOrMessage(text), line.substr(4)) << name;
      ++count;
    } else if (!name.empty()) {
      text += line + "\n";
    }
  }
  EXPECT_EQ(count, 24);
}

TEST(InputFiles, CaptureMagicNumbersAndUnreadableFiles) {
  for (const Bytes& capture : {Bytes{0xd4, 0xc3, 0xb2, 0xa1}, Bytes{0xa1, 0xb2, 0xc3, 0xd4},
                               Bytes{0x4d, 0x3c, 0xb2, 0xa1, 0}, Bytes{0x0a, 0x0d, 0x0d, 0x0a}}) {
    EXPECT_TRUE(LooksLikeCapture(capture));
  }
  // A document begins with the size of its "head" box.
  EXPECT_FALSE(LooksLikeCapture({0x23, 0x00, 0x00, 0x00, 'h', 'e', 'a', 'd'}));
  EXPECT_FALSE(LooksLikeCapture({0xd4, 0xc3, 0xb2}));
  for (const char* path : {"/nonexistent/rmf-input", "/"}) {
    EXPECT_THROW(ReadInput(path), InputError) << path;
  }
}

}  // namespace
}  // namespace rmf
