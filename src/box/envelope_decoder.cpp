#include "box/envelope_decoder.h"

#include <algorithm>

namespace ravuna_motion_format {

EnvelopeResult DecodeMotionFormat(ByteView bytes, SenderValues& sender, BoxType dataKind) {
  EnvelopeResult result;
  const auto slice = [bytes](const FoundBox& box) {
    return SliceBytes(bytes, static_cast<std::uint64_t>(box.offset),
                      static_cast<std::int64_t>(box.length));
  };
  const FoundBox header = FindBox(bytes, BoxType::head, 0, -1);
  if (!header.found) {
    result.status = EnvelopeStatus::missingHeader;
    return result;
  }
  const FoundBox senderDefinition = FindBox(bytes, BoxType::sndf, 0, -1);
  if (!senderDefinition.found) {
    result.status = EnvelopeStatus::missingSenderDefinition;
    return result;
  }
  const FoundBox data = FindBox(bytes, dataKind, 0, -1);
  if (!data.found) {
    result.status = EnvelopeStatus::missingData;
    return result;
  }
  result.header = slice(header);
  result.senderDefinition = slice(senderDefinition);
  HeaderValues headerValues;
  ReadBoxes<kHeaderReading>(result.header, headerValues);
  result.version = headerValues.version;
  if (std::find(SupportedDataVersions.begin(), SupportedDataVersions.end(), result.version) ==
      SupportedDataVersions.end()) {
    result.status = EnvelopeStatus::unsupportedVersion;
    return result;
  }
  ReadBoxes<kSenderReading>(result.senderDefinition, sender);
  result.data = slice(data);
  return result;
}

std::string IpAddressToString(std::uint64_t packed) {
  // Composed in a local buffer: every parse makes this text, and four
  // to_string calls with three concatenations cost several times as much.
  char text[16];  // "999.999.999.999"
  std::size_t length = 0;
  for (const std::uint64_t divisor : {1000000000ULL, 1000000ULL, 1000ULL, 1ULL}) {
    if (length > 0) {
      text[length++] = '.';
    }
    const auto group = static_cast<unsigned>(packed / divisor % 1000U);
    if (group >= 100) {
      text[length++] = static_cast<char>('0' + group / 100);
    }
    if (group >= 10) {
      text[length++] = static_cast<char>('0' + group / 10 % 10);
    }
    text[length++] = static_cast<char>('0' + group % 10);
  }
  return std::string(text, length);
}

}  // namespace ravuna_motion_format
