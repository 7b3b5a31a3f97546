// A caller's byte buffer as the exports take it: a signed length, then a
// pointer that is read only when the length is positive.
#pragma once

#include <cstddef>

#include "box/box_reader.h"

namespace ravuna_motion_format {

// A null pointer with a positive length: the call is refused.
inline bool RefusesBytes(int size, const unsigned char* bytes) noexcept {
  return size > 0 && bytes == nullptr;
}

// The caller's bytes, read in place for the length of the call.
inline ByteView CallerBytes(int size, const unsigned char* bytes) noexcept {
  return size > 0 ? ByteView(bytes, static_cast<std::size_t>(size)) : ByteView();
}

}  // namespace ravuna_motion_format
