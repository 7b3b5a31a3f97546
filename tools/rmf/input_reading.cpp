#include "input_reading.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>

namespace rmf {
namespace {

int HexDigitValue(char character) {
  if (character >= '0' && character <= '9') {
    return character - '0';
  }
  if (character >= 'a' && character <= 'f') {
    return character - 'a' + 10;
  }
  if (character >= 'A' && character <= 'F') {
    return character - 'A' + 10;
  }
  return -1;
}

bool IsHexSpace(char character) {
  return character == ' ' || character == '\t' || character == '\n' || character == '\r' ||
         character == '\f' || character == '\v';
}

Bytes ReadStream(std::istream& stream) {
  return Bytes(std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>());
}

}  // namespace

Bytes ReadInput(const std::string& path) {
  if (path == "-") {
    Bytes bytes = ReadStream(std::cin);
    if (std::cin.bad()) {
      throw InputError("cannot read standard input");
    }
    return bytes;
  }
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    throw InputError("cannot open '" + path + "': " + std::strerror(errno));
  }
  Bytes bytes = ReadStream(file);
  if (file.bad()) {
    throw InputError("cannot read '" + path + "'");
  }
  return bytes;
}

Bytes ParseHexText(std::string_view text) {
  Bytes bytes;
  bytes.reserve(text.size() / 2);
  std::size_t position = 0;
  while (position < text.size()) {
    const char character = text[position];
    if (IsHexSpace(character)) {
      ++position;
      continue;
    }
    if (character == '0' && position + 1 < text.size() &&
        (text[position + 1] == 'x' || text[position + 1] == 'X')) {
      position += 2;
      continue;
    }
    const int high = HexDigitValue(character);
    if (high < 0) {
      throw InputError("bad hex: unexpected character at offset " + std::to_string(position));
    }
    if (position + 1 >= text.size() || IsHexSpace(text[position + 1])) {
      throw InputError("bad hex: odd number of digits at offset " + std::to_string(position));
    }
    if (HexDigitValue(text[position + 1]) < 0) {
      throw InputError("bad hex: unexpected character at offset " + std::to_string(position + 1));
    }
    const int low = HexDigitValue(text[position + 1]);
    bytes.push_back(static_cast<std::uint8_t>(high * 16 + low));
    position += 2;
  }
  return bytes;
}

bool LooksLikeCapture(const Bytes& bytes) {
  static constexpr std::array<std::array<std::uint8_t, 4>, 5> kMagics = {{
      {0xd4, 0xc3, 0xb2, 0xa1},  // pcap, microseconds, little-endian
      {0xa1, 0xb2, 0xc3, 0xd4},  // pcap, microseconds, big-endian
      {0x4d, 0x3c, 0xb2, 0xa1},  // pcap, nanoseconds, little-endian
      {0xa1, 0xb2, 0x3c, 0x4d},  // pcap, nanoseconds, big-endian
      {0x0a, 0x0d, 0x0d, 0x0a},  // pcapng section header block
  }};
  if (bytes.size() < 4) {
    return false;
  }
  for (const auto& magic : kMagics) {
    if (std::equal(magic.begin(), magic.end(), bytes.begin())) {
      return true;
    }
  }
  return false;
}

}  // namespace rmf
