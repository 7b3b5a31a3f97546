// rmf report's data and page: thinning that keeps spikes, the animation's
// even stride, events and problems where they happened, poses under the
// conventions, and a page whose data cannot end its script element.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "capture_test_bytes.h"
#include "rmf/capture/packet_building.h"
#include "rmf/report/report_page.h"

namespace rmf {
namespace {

using namespace capture_test_bytes;

Bytes FramesCapture(const std::vector<std::pair<int, int>>& numbersAndMilliseconds) {
  std::vector<TimedDatagram> datagrams;
  for (const auto& [number, milliseconds] : numbersAndMilliseconds) {
    datagrams.push_back({milliseconds, Datagram(kSenderA, Frame(number))});
  }
  return WriteRawIpCapture(datagrams);
}

TEST(ReportData, ThinnedSeriesKeepTheirSpikesAndStatsUseEveryFrame) {
  std::vector<std::pair<int, int>> frames;
  for (int i = 0; i < 1000; ++i) {
    frames.emplace_back(i + 1, i * 10 + (i >= 500 ? 90 : 0));  // one 100 ms interval
  }
  ReportLimits limits;
  limits.seriesPoints = 100;
  limits.animationValues = 3 * 1 * 70;  // 70 frames of one bone
  const CaptureReport report = BuildCaptureReport("x", FramesCapture(frames), limits);
  ASSERT_EQ(report.senders.size(), 1U);
  const SenderReport& sender = report.senders[0];
  EXPECT_EQ(report.stats.senders[0].frames.count, 1000U);
  EXPECT_LE(sender.intervalsMs.t.size(), 100U);
  EXPECT_EQ(sender.intervalsMs.sourcePoints, 999U);
  EXPECT_DOUBLE_EQ(*std::max_element(sender.intervalsMs.v.begin(), sender.intervalsMs.v.end()),
                   100.0);
  EXPECT_DOUBLE_EQ(*std::min_element(sender.intervalsMs.v.begin(), sender.intervalsMs.v.end()),
                   10.0);
  EXPECT_TRUE(std::is_sorted(sender.intervalsMs.t.begin(), sender.intervalsMs.t.end()));
  // Kept frames: every 16th (1000 / 16 = 63 <= 70 < 125), first one first.
  const AnimationFrames& animation = sender.animation;
  EXPECT_EQ(animation.stride, 16U);
  EXPECT_EQ(animation.sourceFrames, 1000U);
  ASSERT_EQ(animation.numbers.size(), 63U);
  for (std::size_t k = 0; k < animation.numbers.size(); ++k) {
    EXPECT_EQ(animation.numbers[k], static_cast<int>(1 + 16 * k));
  }
  // The histogram counts every interval once.
  const Histogram& histogram = sender.histogram;
  std::uint64_t counted = histogram.above;
  for (const std::uint64_t count : histogram.counts) {
    counted += count;
  }
  EXPECT_EQ(counted, 999U);
}

TEST(ReportData, EventsAndProblemsAreWhereTheyHappened) {
  Bytes cut = Frame(9);
  cut.resize(60);  // no "fram": rejected
  Bytes leftOver = Frame(8);
  leftOver.insert(leftOver.end(), {0, 0, 0});  // read leniently
  const Bytes capture = WriteRawIpCapture({
      {0, Datagram(kSenderA, Frame(1))},
      {10, Datagram(kSenderA, Frame(2))},
      {20, Datagram(kSenderA, Frame(5))},  // 3 and 4 never come
      {30, Datagram(kSenderA, Frame(7))},
      {40, Datagram(kSenderA, Frame(6))},  // late
      {50, Datagram(kSenderA, Frame(6))},  // again
      {60, Datagram(kSenderA, leftOver)},
      {70, Datagram(kSenderA, cut)},
      {80, Datagram(kSenderA, Frame(10), 17, 4)},
  });
  ReportLimits limits;
  limits.problemsKept = 2;
  const CaptureReport report = BuildCaptureReport("x", capture, limits);
  const SenderReport& sender = report.senders.at(0);
  ASSERT_EQ(sender.gaps.size(), 1U);
  EXPECT_DOUBLE_EQ(sender.gaps[0].t, 0.02);
  EXPECT_EQ(sender.gaps[0].number, 3);
  EXPECT_EQ(sender.gaps[0].count, 2);
  EXPECT_DOUBLE_EQ(sender.events.at(FrameEvent::reordered).at(0).t, 0.04);
  EXPECT_EQ(sender.events.at(FrameEvent::repeat).at(0).number, 6);
  EXPECT_FALSE(sender.events.contains(FrameEvent::backwards));
  // Three problems, two listed; the counts hold all three, by the library's text.
  ASSERT_EQ(report.problems.size(), 2U);
  EXPECT_EQ(report.problems[0].packet, 7U);
  EXPECT_EQ(report.problems[0].kind, "lenient read");
  EXPECT_EQ(report.problems[0].text,
            "frame data document read leniently: bytes were left over after the last box");
  EXPECT_EQ(report.problems[1].kind, "malformed");
  EXPECT_EQ(report.problemCounts.size(), 3U);
  EXPECT_EQ(report.problemCounts.count("malformed: bad UDP length 4"), 1U);
}

// A root at (0, 1, 0) turned a quarter about its third rotation component,
// a child 0.5 along the second translation component from it.
SenderReport TwoBones(std::vector<int> parents) {
  SenderReport sender;
  SkeletonDefinitionValues skeleton;
  skeleton.boneIds = {1, 2};
  skeleton.parentBoneIds = std::move(parents);
  skeleton.transforms = {{{0, 0}, {0, 0}, {0, 0}, {1, 1}, {0, 0}, {1, 0.5F}, {0, 0}}};
  sender.skeleton = skeleton;
  FrameDataValues frame;
  frame.boneIds = {1, 2};
  const auto half = static_cast<float>(std::sqrt(0.5));
  frame.transforms = {{{0, 0}, {0, 0}, {half, 0}, {half, 1}, {0, 0}, {1, 0.5F}, {0, 0}}};
  sender.animation.frames = {frame};
  sender.animation.t = {0};
  sender.animation.numbers = {1};
  return sender;
}

struct PoseCase {
  motion::Conventions conventions;
  std::array<float, 3> child;
};

TEST(ReportSkeleton, JointsAreAtWorldPositionsUnderTheConventions) {
  using motion::QuaternionOrder;
  using motion::Space;
  using motion::UpAxis;
  const std::vector<PoseCase> cases = {
      {{}, {-0.5F, 1, 0}},                                       // x, y, z, w; local; metres
      {{QuaternionOrder::xyzw, Space::local, 2.0}, {-1, 2, 0}},  // scale
      {{QuaternionOrder::xyzw, Space::world}, {0, 0.5F, 0}},     // the child's own place
      // Z-up turned Y-up: the root at (0, 0, -1), turned about Y.
      {{QuaternionOrder::xyzw, Space::local, 1.0, UpAxis::z}, {-0.5F, 0, -1}},
      // w first: half a turn about (0, 1, 1).
      {{QuaternionOrder::wxyz}, {0, 1, 0.5F}},
  };
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const PosedFrames posed = PoseFrames(TwoBones({-1, 1}), {cases[i].conventions});
    ASSERT_EQ(posed.frames, 1U) << i;
    EXPECT_EQ(posed.parents, (std::vector<int>{-1, 0})) << i;
    for (std::size_t k = 0; k < 3; ++k) {
      EXPECT_NEAR(posed.positions[3 + k], cases[i].child[k], 1e-5) << "case " << i << ", " << k;
    }
  }
  const PosedFrames cycle = PoseFrames(TwoBones({2, 1}), {});
  EXPECT_EQ(cycle.frames, 0U);
  EXPECT_NE(cycle.note.find("no tree"), std::string::npos) << cycle.note;
  SenderReport alone = TwoBones({-1, 1});
  alone.skeleton.reset();
  const PosedFrames unconnected = PoseFrames(alone, {});
  EXPECT_EQ(unconnected.parents, (std::vector<int>{-1, -1}));
  EXPECT_NEAR(unconnected.positions[4], 0.5, 1e-6);
}

TEST(ReportPage, DataCannotEndItsScriptAndCountsAreInTheDom) {
  int size = 0;
  unsigned char* buffer = nullptr;
  ConvertSensorDataToBytes("10.0.0.5", 9000, 1.0, "a", "</script><b>", 0, 0, 0, 0, 0, 0, 0, 0,
                           &size, &buffer);
  const Bytes capture = WriteRawIpCapture(
      {{0, Datagram(kSenderA, Bytes(buffer, buffer + size))}, {5, Datagram(kSenderA, Frame(1))}});
  const std::string page = ReportPage({BuildCaptureReport("a<b>.pcap", capture)}, SkeletonView{});
  EXPECT_EQ(page.find("<b>"), std::string::npos);
  EXPECT_NE(page.find("a&lt;b&gt;.pcap"), std::string::npos);
  EXPECT_NE(page.find("<td data-count=\"sensor_data\">1</td>"), std::string::npos);
  EXPECT_NE(page.find("<td data-count=\"frames\">1</td>"), std::string::npos);
  // The page's own scripts end their elements; the data's "<" never does.
  const std::size_t data = page.find("id=\"rmf-data\">");
  ASSERT_NE(data, std::string::npos);
  EXPECT_EQ(page.find('<', data + 14), page.find("</script>", data));
}

}  // namespace
}  // namespace rmf
