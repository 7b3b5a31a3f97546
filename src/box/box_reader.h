// Reading primitives: box headers, the shared box walk, the box search and
// range copies, all over a read-only view of encoded bytes.
//
// Offsets and range ends are 64-bit, so no size field can wrap them. Readers
// are lenient: a value whose bytes lie past the end reads as 0, a header past
// the end reads as size 0 and kind none.
#pragma once

#include <algorithm>
#include <cstdint>
#include <span>
#include <string_view>

#include "box/box_kinds.h"
#include "box/little_endian.h"

namespace ravuna_motion_format {

using ByteView = std::span<const std::uint8_t>;

inline constexpr std::uint64_t kBoxHeaderSize = 8;

// Containers nested deeper than this below the start of a walk or search are
// treated as leaves: not entered.
inline constexpr int kMaxBoxDepth = 32;

struct BoxHeader {
  std::uint32_t size;  // payload bytes after the 8-byte header
  BoxType type;
};

// Whether a value of `width` bytes at `position` lies within the bytes.
inline bool FitsWithin(ByteView bytes, std::uint64_t position, std::uint64_t width) noexcept {
  return position <= bytes.size() && width <= bytes.size() - position;
}

// A little-endian number of type T at `position`, or 0 when it does not fit.
template <class T>
T ReadLittleEndian(ByteView bytes, std::uint64_t position) noexcept {
  if (!FitsWithin(bytes, position, sizeof(T))) {
    return T{};
  }
  return LoadLittleEndian<T>(bytes.data() + position);
}

// Size and kind of the box at `offset`; size 0 when fewer than 4 bytes
// remain, kind none when fewer than 8 remain or the code is unknown. Inline:
// every walk and search reads one per box.
inline BoxHeader ReadBoxHeader(ByteView bytes, std::uint64_t offset) noexcept {
  if (FitsWithin(bytes, offset, kBoxHeaderSize)) {
    const std::uint8_t* header = bytes.data() + offset;
    return {LoadLittleEndian<std::uint32_t>(header), BoxTypeFromCode(header + 4)};
  }
  return {ReadLittleEndian<std::uint32_t>(bytes, offset), BoxType::none};
}

// Caps the boxes one walk or search may visit, so that hostile nesting in
// which child ranges reach past their parents cannot make the work grow
// faster than the input: at most kMaxBoxDepth + 1 visits per 8-byte step.
class VisitBudget {
 public:
  explicit VisitBudget(ByteView bytes) noexcept
      : remaining_((kMaxBoxDepth + 1) * (bytes.size() / kBoxHeaderSize + 1)) {}
  bool Spend() noexcept {
    if (remaining_ == 0) {
      return false;
    }
    --remaining_;
    return true;
  }

 private:
  std::uint64_t remaining_;
};

// A reader's handling of kinds: called for every box the walk visits with the
// kind, the offset of the payload and the size field; returns true when it
// handled the box. An unhandled container is entered, anything else skipped.
template <class Handler>
concept BoxHandler = requires(Handler handler, BoxType type, std::uint64_t offset,
                              std::uint32_t size) {
  { handler(type, offset, size) } -> std::convertible_to<bool>;
};

template <BoxHandler Handler>
void WalkBoxRange(ByteView bytes, std::uint64_t start, std::uint64_t end, Handler& handler,
                  int depth, VisitBudget& budget) {
  std::uint64_t offset = start;
  while (offset + kBoxHeaderSize < end) {
    if (!budget.Spend()) {
      return;
    }
    const BoxHeader header = ReadBoxHeader(bytes, offset);
    const std::uint64_t payload = offset + kBoxHeaderSize;
    if (!handler(header.type, payload, header.size) && IsContainer(header.type) &&
        depth < kMaxBoxDepth) {
      // A nested range ends where its size field says, but never more than one
      // past the bytes present: beyond that every header reads as nothing.
      const std::uint64_t nestedEnd = std::min(payload + header.size, bytes.size() + 1);
      WalkBoxRange(bytes, payload, nestedEnd, handler, depth + 1, budget);
    }
    offset = payload + header.size;
  }
}

// The box walk: visits the boxes of [start, end) in document order, entering
// containers. A negative end means the end of the bytes. A range shorter than
// 9 bytes yields nothing; boxes of kind none and of size 0 are stepped over.
template <BoxHandler Handler>
void WalkBoxes(ByteView bytes, std::uint64_t start, std::int64_t end, Handler&& handler) {
  VisitBudget budget(bytes);
  const std::uint64_t rangeEnd = end < 0 ? bytes.size() : static_cast<std::uint64_t>(end);
  WalkBoxRange(bytes, start, rangeEnd, handler, 0, budget);
}

struct FoundBox {
  bool found = false;
  std::int64_t offset = -1;  // offset of the box's header, -1 when not found
  std::uint64_t length = 0;  // 8 + size field, 0 when not found
};

// Depth-first, pre-order search for the first box of `wanted` in the range
// starting at `start` of `length` bytes (negative: to the end). A level ends
// at a box of size below 1 or of unknown kind, unless it is the wanted kind.
FoundBox FindBox(ByteView bytes, BoxType wanted, std::uint64_t start, std::int64_t length);

// The bytes [offset, offset + count), cut short where the bytes end; empty
// when count is below 1.
ByteView SliceBytes(ByteView bytes, std::uint64_t offset, std::int64_t count) noexcept;

// The count bytes at offset as a text, zero bytes included; empty when count
// is below 1 or the range runs past the end.
std::string_view ReadBoxString(ByteView bytes, std::uint64_t offset, std::int64_t count) noexcept;

}  // namespace ravuna_motion_format
