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
#include <type_traits>

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

// One box as the walk meets it.
struct WalkedBox {
  std::uint64_t offset;  // of the 8-byte header
  BoxHeader header;
  int depth;                  // 0 for the boxes of the walked range itself
  std::uint64_t declaredEnd;  // where the enclosing size field ends the range

  std::uint64_t Payload() const noexcept { return offset + kBoxHeaderSize; }
  std::uint64_t PayloadEnd() const noexcept { return Payload() + header.size; }
};

// What the walk tells a reader, one call per thing it meets. A reader derives
// from this and hides the calls it wants; the others cost nothing.
struct BoxWalkReader {
  // A box of a known kind that holds a value.
  void Leaf(const WalkedBox&) {}
  // A box whose code is none of the kinds; the walk steps over it.
  void UnknownCode(const WalkedBox&) {}
  // A container about to be entered; false steps over it instead.
  bool Enter(const WalkedBox&) { return true; }
  // The end of an entered container, also when the walk stops inside it.
  void Leave(const WalkedBox&) {}
  // A container nested kMaxBoxDepth deep: stepped over, not entered.
  void NestingCap(const WalkedBox&) {}
  // Before any other call for the box: its size field reaches past its
  // container or past the bytes.
  void Overrun(const WalkedBox&) {}
  // The visit budget ran out: the walk stops and reports nothing more.
  void VisitBudgetSpent() {}
  // Exactly 8 bytes end a range: a whole header, which searches see but the
  // walk does not visit.
  void UnvisitedHeader(const WalkedBox&) {}
  // 1 to 7 bytes end a range, too few to hold a header.
  void BytesLeftOver(std::uint64_t /*offset*/, std::uint64_t /*count*/, int /*depth*/) {}
};

template <class Reader>
class BoxWalk {
 public:
  BoxWalk(ByteView bytes, Reader& reader) noexcept
      : bytes_(bytes), reader_(reader), budget_(bytes) {}

  void Run() { WalkRange(0, bytes_.size(), bytes_.size(), 0); }

 private:
  // Visits [start, end); `declaredEnd` is where the enclosing size field ends
  // the range, `end` where the walk stops. False once the budget is spent.
  bool WalkRange(std::uint64_t start, std::uint64_t end, std::uint64_t declaredEnd, int depth) {
    std::uint64_t offset = start;
    while (offset + kBoxHeaderSize < end) {
      if (!budget_.Spend()) {
        reader_.VisitBudgetSpent();
        return false;
      }
      const WalkedBox box{offset, ReadBoxHeader(bytes_, offset), depth, declaredEnd};
      if (!VisitBox(box)) {
        return false;
      }
      offset = box.PayloadEnd();
    }
    const std::uint64_t presentEnd = std::min<std::uint64_t>(end, bytes_.size());
    const std::uint64_t leftOver = offset < presentEnd ? presentEnd - offset : 0;
    if (leftOver == kBoxHeaderSize) {
      reader_.UnvisitedHeader(WalkedBox{offset, ReadBoxHeader(bytes_, offset), depth, declaredEnd});
    } else if (leftOver > 0) {
      reader_.BytesLeftOver(offset, leftOver, depth);
    }
    return true;
  }

  bool VisitBox(const WalkedBox& box) {
    if (box.PayloadEnd() > std::min<std::uint64_t>(box.declaredEnd, bytes_.size())) {
      reader_.Overrun(box);
    }
    if (box.header.type == BoxType::none) {
      reader_.UnknownCode(box);
    } else if (!IsContainer(box.header.type)) {
      reader_.Leaf(box);
    } else if (box.depth >= kMaxBoxDepth) {
      reader_.NestingCap(box);
    } else if (reader_.Enter(box)) {
      // A nested range ends where its size field says, but never more than
      // one past the bytes present: beyond that every header reads as nothing.
      const std::uint64_t nestedEnd = std::min<std::uint64_t>(box.PayloadEnd(), bytes_.size() + 1);
      const bool going = WalkRange(box.Payload(), nestedEnd, box.PayloadEnd(), box.depth + 1);
      reader_.Leave(box);
      return going;
    }
    return true;
  }

  ByteView bytes_;
  Reader& reader_;
  VisitBudget budget_;
};

// The box walk: visits every box of the bytes in document order, entering
// containers, and tells the reader what it meets. Bytes shorter than 9 hold
// nothing to visit; a box of size 0 is stepped over like any other.
template <class Reader>
void WalkBoxes(ByteView bytes, Reader&& reader) {
  BoxWalk<std::remove_reference_t<Reader>>(bytes, reader).Run();
}

struct FoundBox {
  bool found = false;
  std::int64_t offset = -1;  // offset of the box's header, -1 when not found
  std::uint64_t length = 0;  // 8 + size field, 0 when not found
};

// Whether a box search stops at a level on meeting this header (unless it is
// the box searched for): a size below 1 or an unknown code.
inline bool EndsSearchLevel(const BoxHeader& header) noexcept {
  return static_cast<std::int32_t>(header.size) < 1 || header.type == BoxType::none;
}

// Depth-first, pre-order search for the first box of `wanted` in the range
// starting at `start` of `length` bytes (negative: to the end). A level ends
// where EndsSearchLevel says, unless the box is the wanted kind.
FoundBox FindBox(ByteView bytes, BoxType wanted, std::uint64_t start, std::int64_t length);

// The bytes [offset, offset + count), cut short where the bytes end; empty
// when count is below 1.
ByteView SliceBytes(ByteView bytes, std::uint64_t offset, std::int64_t count) noexcept;

// The count bytes at offset as a text, zero bytes included; empty when count
// is below 1 or the range runs past the end.
std::string_view ReadBoxString(ByteView bytes, std::uint64_t offset, std::int64_t count) noexcept;

}  // namespace ravuna_motion_format
