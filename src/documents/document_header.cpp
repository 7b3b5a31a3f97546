#include "documents/document_header.h"

#include <cstddef>
#include <limits>

#include "box/envelope_decoder.h"

namespace ravuna_motion_format {
namespace {

bool IsFormatSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Reads one "%hu" field at `position`: white space, an optional sign, then
// at least one digit. Out of range magnitudes saturate as the C library's
// unsigned conversion does, a minus sign negates modulo 2^64, and the result
// keeps its low 16 bits. False when no digit follows.
bool ReadUnsignedShortField(std::string_view text, std::size_t& position, std::uint16_t& value) {
  std::size_t at = position;
  while (at < text.size() && IsFormatSpace(text[at])) {
    ++at;
  }
  bool negative = false;
  if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
    negative = text[at] == '-';
    ++at;
  }
  if (at >= text.size() || !IsDigit(text[at])) {
    return false;
  }
  constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
  std::uint64_t magnitude = 0;
  bool overflow = false;
  for (; at < text.size() && IsDigit(text[at]); ++at) {
    const auto digit = static_cast<std::uint64_t>(text[at] - '0');
    overflow = overflow || magnitude > (kMax - digit) / 10U;
    magnitude = overflow ? kMax : magnitude * 10U + digit;
  }
  const std::uint64_t converted = overflow ? kMax : (negative ? 0U - magnitude : magnitude);
  value = static_cast<std::uint16_t>(converted);
  position = at;
  return true;
}

}  // namespace

MotionFormat* BuildMotionFormatHeader(MotionFormat* format, std::string ipText,
                                      std::uint16_t port) {
  BoxList head;
  head.Reserve(2);
  head.Add(new Box(BoxType::ftyp, std::string(kFormatTypeText),
                   static_cast<std::int32_t>(kFormatTypeText.size())));
  head.Add(new Box(BoxType::vrsn, std::byte{kCurrentDataVersion}, 1));
  format->header = NewContainer(BoxType::head, head);

  BoxList sender;
  sender.Reserve(2);
  sender.Add(new Box(BoxType::ipad, StringToIpAddress(ipText), 8));
  sender.Add(new Box(BoxType::rcvp, static_cast<unsigned short>(port), 2));
  format->senderDefinition = NewContainer(BoxType::sndf, sender);
  return format;
}

MotionFormatPtr NewMotionFormat(std::string ipText, std::uint16_t port, OwnedBox data) {
  MotionFormatPtr format(new MotionFormat);
  BuildMotionFormatHeader(format.get(), std::move(ipText), port);
  format->data = data.release();
  return format;
}

std::uint64_t StringToIpAddress(std::string_view text) {
  std::uint16_t parts[4] = {0, 0, 0, 0};
  std::size_t position = 0;
  for (std::size_t i = 0; i < 4; ++i) {
    if (i > 0) {
      if (position >= text.size() || text[position] != '.') {
        break;
      }
      ++position;
    }
    if (!ReadUnsignedShortField(text, position, parts[i])) {
      break;
    }
  }
  return ((static_cast<std::uint64_t>(parts[0]) * 1000U + parts[1]) * 1000U + parts[2]) * 1000U +
         parts[3];
}

}  // namespace ravuna_motion_format
