// Decoding of the envelope every document shares: "head" (format text and
// data version), "sndf" (sender address and port) and the data box.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "box/box_reading.h"

namespace ravuna_motion_format {

// The data versions this library reads; the first is the one it writes.
inline constexpr std::array<std::uint8_t, 1> SupportedDataVersions = {1};
inline constexpr std::uint8_t kCurrentDataVersion = SupportedDataVersions[0];

// Packed addresses keep four groups of three decimal digits: a parse hands
// out the stored number modulo 10^12.
inline constexpr std::uint64_t kPackedAddressModulus = 1000000000000U;

// What "head" holds: the last "ftyp" and "vrsn" win; a version byte past the
// end reads as 0, a header without "vrsn" as the current version.
struct HeaderValues {
  std::string_view formatType;
  std::uint8_t version = kCurrentDataVersion;
};

// What "sndf" holds: the last "ipad" and "rcvp" win; a value cut short reads
// as 0, and an address or port stays unset without its box.
struct SenderValues {
  std::uint64_t packedAddress = 0;
  std::uint32_t port = 0;
  bool hasAddress = false;
  bool hasPort = false;
};

inline constexpr BoxReading<HeaderValues, 2> kHeaderReading{{{
    {BoxType::ftyp, LeafCount::once,
     [](HeaderValues& values, ByteView bytes, const WalkedBox& box) {
       values.formatType = ReadBoxString(bytes, box.Payload(), box.header.size);
     }},
    {BoxType::vrsn, LeafCount::once,
     [](HeaderValues& values, ByteView bytes, const WalkedBox& box) {
       values.version = ReadLittleEndian<std::uint8_t>(bytes, box.Payload());
     }},
}}};

inline constexpr BoxReading<SenderValues, 2> kSenderReading{{{
    {BoxType::ipad, LeafCount::once,
     [](SenderValues& values, ByteView bytes, const WalkedBox& box) {
       values.packedAddress =
           ReadLittleEndian<std::uint64_t>(bytes, box.Payload()) % kPackedAddressModulus;
       values.hasAddress = true;
     }},
    {BoxType::rcvp, LeafCount::once,
     [](SenderValues& values, ByteView bytes, const WalkedBox& box) {
       values.port = ReadLittleEndian<std::uint16_t>(bytes, box.Payload());
       values.hasPort = true;
     }},
}}};

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
  ByteView header;                             // "head" with its header, once found
  ByteView senderDefinition;                   // "sndf" with its header, once found
  ByteView data;                               // the data box with its header, on success

  explicit operator bool() const noexcept { return status == EnvelopeStatus::ok; }
};

// Finds "head", "sndf" and the data box of `dataKind` anywhere in the bytes,
// checks the version and reads the sender. On success writes the sender and
// hands back the data box, a view into `bytes`; on failure writes nothing.
EnvelopeResult DecodeMotionFormat(ByteView bytes, SenderValues& sender, BoxType dataKind);

// The dotted text of a packed address: groups of three decimal digits, the
// lowest twelve digits only, no range check.
std::string IpAddressToString(std::uint64_t packed);

}  // namespace ravuna_motion_format
