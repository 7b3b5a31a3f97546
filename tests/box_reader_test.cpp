// The box walk's work stays linear on hostile nesting and overlapping sizes.
#include "box/box_reader.h"

#include <gtest/gtest.h>

#include "test_bytes.h"

namespace ravuna_motion_format {
namespace {

using namespace test_bytes;

// Counts every box the walk visits: leaves, containers, unknown codes.
struct VisitCounter : BoxWalkReader {
  std::size_t visits = 0;
  void Leaf(const WalkedBox&) { ++visits; }
  void UnknownCode(const WalkedBox&) { ++visits; }
  void NestingCap(const WalkedBox&) { ++visits; }
  bool Enter(const WalkedBox&) { return ++visits, true; }
};

std::size_t CountVisits(const Bytes& bytes) {
  VisitCounter counter;
  WalkBoxes(bytes, counter);
  return counter.visits;
}

TEST(HostileInput, DeepNestingStopsAtTheCap) {
  Bytes nested;  // every level claims the rest of the input
  for (std::uint32_t level = 20000; level > 0; --level) {
    const Bytes header = BoxClaiming("head", (level - 1) * 8);
    nested.insert(nested.end(), header.begin(), header.end());
  }
  EXPECT_EQ(CountVisits(nested), static_cast<std::size_t>(kMaxBoxDepth + 1));
}

TEST(HostileInput, OverlappingSizesKeepWorkLinear) {
  Bytes overlap;  // every unit's last child claims the rest of the input
  for (std::uint32_t rest = 2048 * 32; rest > 0; rest -= 32) {
    overlap = Cat({overlap, BoxClaiming("head", 24), BoxClaiming("sndf", rest),
                   BoxBytes("ftyp", Bytes(8, 'x'))});
  }
  EXPECT_LE(CountVisits(overlap), (kMaxBoxDepth + 1) * (overlap.size() / 8 + 1));
  EXPECT_FALSE(FindBox(overlap, BoxType::fram, 0, -1).found);
}

}  // namespace
}  // namespace ravuna_motion_format
