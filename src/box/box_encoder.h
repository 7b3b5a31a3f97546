// The encoder: a document tree to its bytes, little-endian on any host.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "box/box.h"

namespace ravuna_motion_format {

using ByteVector = std::vector<std::uint8_t>;

// Why EncodeMotionFormat gave no bytes.
enum class EncodeStatus {
  ok,
  nullFormat,            // "motion format is null"
  nullHeader,            // "motion format header is null"
  nullSenderDefinition,  // "motion format sender definition is null"
  nullData,              // "motion format data is null"
};

std::string_view EncodeStatusText(EncodeStatus status) noexcept;

// Checks that the tree is complete; the first null field decides.
EncodeStatus CheckMotionFormat(const MotionFormat* format) noexcept;

// The encoded document: "head", "sndf" and the data box back to back, or no
// bytes when the format or one of its three boxes is null. The output is
// sized once from the three top boxes' size fields.
ByteVector EncodeMotionFormat(const MotionFormat* format);

// The length the three top boxes' size fields declare (0 for an incomplete
// tree). A tree whose values match its sizes encodes to exactly this.
std::uint64_t DeclaredDocumentLength(const MotionFormat* format) noexcept;

// The same bytes as EncodeMotionFormat, written straight into `out`: the
// number of bytes written, or nothing when they do not fit in `out`.
std::optional<std::size_t> EncodeMotionFormatInto(const MotionFormat* format,
                                                  std::span<std::uint8_t> out) noexcept;

// Appenders behind EncodeMotionFormat, each writing at the end of `out`.
void EncodeBoxes(std::span<Box* const> boxes, ByteVector& out);
void EncodeBox(const Box* box, ByteVector& out);       // header and payload
void EncodeBoxValue(const Box* box, ByteVector& out);  // payload only

// Byte conversions, least significant byte first.
void UInt16ToBytes(std::uint16_t value, ByteVector& out);
void UInt32ToBytes(std::uint32_t value, ByteVector& out);
void UInt64ToBytes(std::uint64_t value, ByteVector& out);
void FloatToBytes(float value, ByteVector& out);
void DoubleToBytes(double value, ByteVector& out);
void StringToBytes(std::string_view text, ByteVector& out);

}  // namespace ravuna_motion_format
