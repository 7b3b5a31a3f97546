// The encoder: a document tree to its bytes, little-endian on any host.
#pragma once

#include <cstddef>
#include <cstdint>
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
// bytes when the format or one of its three boxes is null.
ByteVector EncodeMotionFormat(const MotionFormat* format);

// Appenders behind EncodeMotionFormat, each writing at the end of `out`.
void EncodeBoxes(std::span<Box* const> boxes, ByteVector& out);
void EncodeBox(const Box* box, ByteVector& out);       // header and payload
void EncodeBoxValue(const Box* box, ByteVector& out);  // payload only

}  // namespace ravuna_motion_format
