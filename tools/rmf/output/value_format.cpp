#include "rmf/output/value_format.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <system_error>

namespace rmf {
namespace {

template <class Float>
std::string FormatShortest(Float value) {
  if (std::isnan(value)) {
    return "nan";
  }
  std::array<char, 64> buffer{};
  const std::to_chars_result result =
      std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
  return {buffer.data(), result.ptr};
}

std::string TwoDigits(std::uint8_t value) {
  std::array<char, 4> buffer{};
  std::snprintf(buffer.data(), buffer.size(), "%02u", static_cast<unsigned>(value));
  return buffer.data();
}

}  // namespace

std::string FormatFloat(float value) { return FormatShortest(value); }

std::string FormatDouble(double value) { return FormatShortest(value); }

std::string QuoteText(std::string_view text) {
  static constexpr char kHexDigits[] = "0123456789abcdef";
  std::string quoted = "\"";
  for (const char character : text) {
    const auto byte = static_cast<unsigned char>(character);
    switch (character) {
      case '"': quoted += "\\\""; continue;
      case '\\': quoted += "\\\\"; continue;
      case '\n': quoted += "\\n"; continue;
      case '\r': quoted += "\\r"; continue;
      case '\t': quoted += "\\t"; continue;
      default: break;
    }
    if (byte < 0x20 || byte >= 0x7f) {
      quoted += "\\x";
      quoted += kHexDigits[byte >> 4U];
      quoted += kHexDigits[byte & 0x0fU];
    } else {
      quoted += character;
    }
  }
  quoted += '"';
  return quoted;
}

std::string FormatTimecode(const std::array<std::uint8_t, 6>& timecode) {
  return TwoDigits(timecode[0]) + ":" + TwoDigits(timecode[1]) + ":" + TwoDigits(timecode[2]) +
         ":" + TwoDigits(timecode[3]);
}

std::string FormatHexBytes(std::span<const std::uint8_t> bytes) {
  static constexpr char kHexDigits[] = "0123456789abcdef";
  std::string text;
  text.reserve(bytes.size() * 3);
  for (const std::uint8_t byte : bytes) {
    if (!text.empty()) {
      text += ' ';
    }
    text += kHexDigits[byte >> 4U];
    text += kHexDigits[byte & 0x0fU];
  }
  return text;
}

}  // namespace rmf
