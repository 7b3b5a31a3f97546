// Decoding of the envelope every document shares: "head" (format text and
// data version), "sndf" (sender address and port) and the data box.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "box/box_reader.h"

namespace ravuna_motion_format {

// The data versions this library reads; the first is the one it writes.
inline constexpr std::array<std::uint8_t, 1> SupportedDataVersions = {1};
inline constexpr std::uint8_t kCurrentDataVersion = SupportedDataVersions[0];

// Which check of the envelope failed, in the order the checks run.
enum class EnvelopeStatus {
  ok,
  missingHeader,            // "Invalid header data."
  missingSenderDefinition,  // "Invalid sender definition data."
  missingData,              // "Invalid value data."
  unsupportedVersion,       // "Invalid data version. Current version : 1, ..."
};

struct EnvelopeResult {
  EnvelopeStatus status = EnvelopeStatus::ok;
  std::uint8_t version = kCurrentDataVersion;  // the version byte read, if any
  ByteView data;                               // the data box with its header, on success

  explicit operator bool() const noexcept { return status == EnvelopeStatus::ok; }
};

// The diagnostic text of a failed envelope check.
std::string EnvelopeStatusText(const EnvelopeResult& result);

// Finds "head", "sndf" and the data box of `dataKind` anywhere in the bytes,
// checks the version and reads the sender. On success writes ipText and port
// (either keeps its value when its box is absent) and hands back the data
// box, a view into `bytes`; on failure writes nothing.
EnvelopeResult DecodeMotionFormat(ByteView bytes, std::string& ipText,
                                  std::optional<std::uint32_t>& port, BoxType dataKind);

// Walks a "head" box: the last "ftyp" sets the text, the last "vrsn" the
// version byte (0 when its byte lies past the end).
void ReadHeaderBox(ByteView bytes, std::string& formatType, std::uint8_t& version,
                   std::uint64_t start, std::int64_t end);

// Walks an "sndf" box: the last "ipad" sets the dotted address text, the last
// "rcvp" the port; a value cut short reads as 0.
void ReadSenderDefinitionBox(ByteView bytes, std::string& ipText,
                             std::optional<std::uint32_t>& port, std::uint64_t start,
                             std::int64_t end);

// The dotted text of a packed address: groups of three decimal digits, the
// lowest twelve digits only, no range check.
std::string IpAddressToString(std::uint64_t packed);

}  // namespace ravuna_motion_format
