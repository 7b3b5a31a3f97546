// The encoder: a document tree to its bytes, little-endian on any host.
#pragma once

#include <cstdint>
#include <vector>

#include "box/box.h"

namespace ravuna_motion_format {

using ByteVector = std::vector<std::uint8_t>;

// The encoded document: "head", "sndf" and the data box back to back, or no
// bytes when the format or one of its three boxes is null.
ByteVector EncodeMotionFormat(const MotionFormat* format);

}  // namespace ravuna_motion_format
