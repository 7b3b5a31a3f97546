// The record of memory handed out to callers: the library owns it and frees
// it at the next call that hands out memory.
#pragma once

#include <array>

namespace ravuna_motion_format {

// Ten slots: 1 and 2 the bone id and parent bone id arrays, 3 to 9 the seven
// transform arrays, 10 an encoded document. Every pointer came from new[].
struct RetainedSlots {
  int* boneIds = nullptr;              // slot 1
  int* parentBoneIds = nullptr;        // slot 2
  std::array<float*, 7> transforms{};  // slots 3 to 9
  unsigned char* document = nullptr;   // slot 10
};

// Frees every non-empty slot in slot order 1 to 10 with the matching
// delete[], then stores the given pointers, empty ones included. Call only
// under the service lock.
void RetainBuffers(const RetainedSlots& slots) noexcept;

// What the table holds now (for checks; read under the service lock).
const RetainedSlots& RetainedBuffers() noexcept;

}  // namespace ravuna_motion_format
