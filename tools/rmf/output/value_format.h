// How the tool writes values as text: shortest round-trip floats, quoted and
// escaped texts, timecodes and hex bytes.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace rmf {

// Shortest text that reads back to the same value ("nan", "inf", "-inf" for
// the non-finite ones).
std::string FormatFloat(float value);
std::string FormatDouble(double value);

// The text in double quotes; quote, backslash and every byte outside
// printable ASCII are escaped, so any bytes print on one line.
std::string QuoteText(std::string_view text);

// "HH:MM:SS:FF" from the first four timecode bytes.
std::string FormatTimecode(const std::array<std::uint8_t, 6>& timecode);

// Bytes as lowercase hex pairs separated by single blanks.
std::string FormatHexBytes(std::span<const std::uint8_t> bytes);

}  // namespace rmf
