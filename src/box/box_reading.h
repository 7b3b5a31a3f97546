// How a parse reads a box: which leaf kinds it takes, and into which values.
// Each description is written once and serves twice: the general read walks
// with a ValueReader of it, and the verdict derives from it which boxes a
// parse reads and which of them it needs.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <utility>

#include "box/box_reader.h"

namespace ravuna_motion_format {

// How many boxes of a kind a document needs: one, or one per "bnid".
enum class LeafCount : std::uint8_t { once, perBone };

template <class Values>
struct LeafReading {
  BoxType type;
  LeafCount count;
  // Reads the box's value into `values`; the last box of a kind wins, except
  // where the reading appends.
  void (*read)(Values& values, ByteView bytes, const WalkedBox& box);
};

template <class Values, std::size_t N>
struct BoxReading {
  using ValuesType = Values;
  static constexpr std::size_t kLeafCount = N;

  std::array<LeafReading<Values>, N> leaves;

  // One bit per kind number: the kinds this reading takes.
  constexpr std::uint32_t Kinds() const noexcept { return KindsCounted(true, true); }
  constexpr std::uint32_t KindsNeededOnce() const noexcept { return KindsCounted(true, false); }
  constexpr std::uint32_t KindsNeededPerBone() const noexcept { return KindsCounted(false, true); }

 private:
  constexpr std::uint32_t KindsCounted(bool once, bool perBone) const noexcept {
    std::uint32_t kinds = 0;
    for (const LeafReading<Values>& leaf : leaves) {
      if ((leaf.count == LeafCount::once && once) ||
          (leaf.count == LeafCount::perBone && perBone)) {
        kinds |= 1U << static_cast<std::uint32_t>(leaf.type);
      }
    }
    return kinds;
  }
};

// Whether a kind is among the bits of a kind set.
constexpr bool HasKind(std::uint32_t kinds, BoxType type) noexcept {
  return (kinds >> static_cast<std::uint32_t>(type) & 1U) != 0;
}

// The walk's reader that stores every leaf the reading takes. The dispatch
// is unrolled at compile time: a chain of compares, each read inlined.
template <const auto& Reading>
class ValueReader : public BoxWalkReader {
 public:
  using Values = typename std::remove_cvref_t<decltype(Reading)>::ValuesType;

  ValueReader(ByteView bytes, Values& values) noexcept : bytes_(bytes), values_(values) {}

  void Leaf(const WalkedBox& box) {
    Dispatch(box, std::make_index_sequence<std::remove_cvref_t<decltype(Reading)>::kLeafCount>{});
  }

 private:
  template <std::size_t... I>
  void Dispatch(const WalkedBox& box, std::index_sequence<I...>) {
    (void)((box.header.type == Reading.leaves[I].type &&
            (Reading.leaves[I].read(values_, bytes_, box), true)) ||
           ...);
  }

  ByteView bytes_;
  Values& values_;
};

// Walks the bytes and reads what the reading takes into `values`.
template <const auto& Reading>
void ReadBoxes(ByteView bytes, typename ValueReader<Reading>::Values& values) {
  ValueReader<Reading> reader(bytes, values);
  WalkBoxes(bytes, reader);
}

}  // namespace ravuna_motion_format
