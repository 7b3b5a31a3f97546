// Getting the bytes to inspect: files or standard input, raw or as hex text.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace rmf {

using Bytes = std::vector<std::uint8_t>;

// An input the tool cannot use: unreadable file, bad hex, bad JSON.
class InputError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The whole content of the file, or of standard input for "-".
Bytes ReadInput(const std::string& path);

// Hex text to bytes. White space and "0x"/"0X" prefixes are skipped anywhere
// between pairs; anything else, or an odd digit count, is an InputError
// naming the position.
Bytes ParseHexText(std::string_view text);

// Whether the bytes begin like a pcap or pcapng capture file.
bool LooksLikeCapture(const Bytes& bytes);

}  // namespace rmf
