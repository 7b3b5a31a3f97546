// The reading primitives on hostile bytes, and the envelope checks in order.
#include "box/box_reader.h"

#include <gtest/gtest.h>

#include "box/envelope_decoder.h"
#include "test_bytes.h"

namespace ravuna_motion_format {
namespace {

using namespace test_bytes;

std::size_t CountVisits(const Bytes& bytes) {
  std::size_t visits = 0;
  WalkBoxes(bytes, 0, -1, [&](BoxType, std::uint64_t, std::uint32_t) { return ++visits, false; });
  return visits;
}

TEST(BoxWalk, VisitsInDocumentOrderAtTheRightOffsets) {
  std::vector<std::pair<BoxType, std::uint64_t>> visits;
  WalkBoxes(Cat({HeadBox(), SenderBox(1, 2)}), 0, -1,
            [&](BoxType type, std::uint64_t payload, std::uint32_t) {
              return visits.emplace_back(type, payload - 8), false;
            });
  EXPECT_EQ(visits, (decltype(visits){{BoxType::head, 0},
                                      {BoxType::ftyp, 8},
                                      {BoxType::vrsn, 34},
                                      {BoxType::sndf, 43},
                                      {BoxType::ipad, 51},
                                      {BoxType::rcvp, 67}}));
}

TEST(FindBox, OutermostLevelStopsWhereAContainerOnlySkips) {
  const Bytes frame = BoxBytes("fram", {1});
  EXPECT_FALSE(FindBox(Cat({Bytes(8, 0), frame}), BoxType::fram, 0, -1).found);
  EXPECT_FALSE(FindBox(Cat({BoxBytes("head", {}), frame}), BoxType::fram, 0, -1).found);
  const Bytes skipped = Cat({BoxBytes("sndf", Cat({Bytes(8, 0), BoxBytes("vrsn", {})})), frame});
  const FoundBox found = FindBox(skipped, BoxType::fram, 0, -1);
  EXPECT_TRUE(found.found && found.offset == 24 && found.length == 9);
  EXPECT_FALSE(FindBox(Bytes(frame.begin(), frame.end() - 2), BoxType::fram, 0, -1).found);
}

// Every level claims the rest of the input.
Bytes Nested(std::size_t levels) {
  Bytes bytes;
  for (std::size_t i = 0; i < levels; ++i) {
    const Bytes header = BoxClaiming("head", static_cast<std::uint32_t>((levels - i - 1) * 8 + 8));
    bytes.insert(bytes.end(), header.begin(), header.end());
  }
  const Bytes inner = BoxBytes("fram", {});
  bytes.insert(bytes.end(), inner.begin(), inner.end());
  return bytes;
}

TEST(HostileInput, NestingIsFollowedToTheCapExactly) {
  EXPECT_TRUE(FindBox(Nested(kMaxBoxDepth), BoxType::fram, 0, -1).found);
  EXPECT_FALSE(FindBox(Nested(kMaxBoxDepth + 1), BoxType::fram, 0, -1).found);
  EXPECT_EQ(CountVisits(Nested(200000)), static_cast<std::size_t>(kMaxBoxDepth + 1));
}

TEST(HostileInput, OverlappingAndHugeSizesKeepWorkLinear) {
  Bytes overlap;  // every unit's last child claims the rest of the input
  for (std::uint32_t rest = 4096 * 32; rest > 0; rest -= 32) {
    const Bytes unit = Cat({BoxClaiming("head", 24), BoxClaiming("sndf", rest),
                            BoxClaiming("ftyp", 8, Bytes(8, 'x'))});
    overlap.insert(overlap.end(), unit.begin(), unit.end());
  }
  EXPECT_LE(CountVisits(overlap), (kMaxBoxDepth + 1) * (overlap.size() / 8 + 1));
  EXPECT_FALSE(FindBox(overlap, BoxType::fram, 0, -1).found);
  for (std::uint32_t size : {0x80000000U, 0xFFFFFFF8U, 0xFFFFFFFFU, 0x7FFFFFF8U}) {
    SCOPED_TRACE(size);
    const Bytes bytes = Cat({BoxClaiming("head", size), BoxBytes("vrsn", {1}), Bytes(32, 0)});
    EXPECT_LE(CountVisits(bytes), bytes.size() / 8);
    EXPECT_EQ(FindBox(bytes, BoxType::vrsn, 0, -1).found, static_cast<std::int32_t>(size) > 0);
  }
}

TEST(DecodeMotionFormat, EachCheckFailsInOrderAndWritesNothing) {
  const Bytes frame = BoxBytes("fram", {}), sender = SenderBox(192168001010, 65535);
  const std::pair<Bytes, EnvelopeStatus> cases[] = {
      {Cat({HeadBox(), sender, frame}), EnvelopeStatus::ok},
      {Cat({sender, frame}), EnvelopeStatus::missingHeader},
      {Cat({HeadBox(), frame}), EnvelopeStatus::missingSenderDefinition},
      {Cat({HeadBox(), sender, BoxBytes("skdf", {})}), EnvelopeStatus::missingData},
      {Cat({HeadBox(2), sender}), EnvelopeStatus::missingData},
      {Cat({HeadBox(2), sender, frame}), EnvelopeStatus::unsupportedVersion},
      {Cat({HeadBox(0), sender, frame}), EnvelopeStatus::unsupportedVersion}};
  for (const auto& [bytes, status] : cases) {
    std::string ip = "unchanged";
    std::optional<std::uint32_t> port;
    const EnvelopeResult result = DecodeMotionFormat(bytes, ip, port, BoxType::fram);
    EXPECT_EQ(result.status, status);
    const bool ok = status == EnvelopeStatus::ok;
    EXPECT_EQ(ip, ok ? "192.168.1.10" : "unchanged");
    EXPECT_EQ(port, ok ? std::optional<std::uint32_t>(65535) : std::nullopt);
    if (ok) {
      EXPECT_EQ(Bytes(result.data.begin(), result.data.end()), frame);
    }
  }
}

}  // namespace
}  // namespace ravuna_motion_format
