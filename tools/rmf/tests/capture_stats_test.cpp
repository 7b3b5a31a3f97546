#include "rmf/capture/capture_stats.h"

#include <gtest/gtest.h>
#include <pcap/pcap.h>

#include <array>

#include "capture_test_bytes.h"
#include "ravuna_motion_serializer.h"
#include "rmf/capture/packet_building.h"

namespace rmf {
namespace {

using namespace capture_test_bytes;

Bytes Truncated(Bytes bytes, std::size_t length) {
  bytes.resize(length);
  return bytes;
}

TEST(CaptureStats, CountsKindsGapsRepeatsAndMalformedPacketsPerSender) {
  const Bytes capture = WriteRawIpCapture({
      {0, Datagram(kSenderA, Frame(1))},
      {10, Datagram(kSenderA, Frame(2))},
      {20, Datagram(kSenderA, Frame(3))},
      {30, Datagram(kSenderA, Frame(5))},                 // skips 4
      {40, Datagram(kSenderA, Frame(5))},                 // repeat
      {45, Datagram(kSenderA, Truncated(Frame(6), 60))},  // no "fram": rejected
      {50, Datagram(kSenderA, Frame(4))},                 // 4 after all: reordered
      {55, Datagram(kSenderA, {'d', 'n', 's'})},
      {56, Datagram(kSenderA, Frame(7), 17, 4)},  // UDP length below its header
      {57, Datagram(kSenderA, {}, 6)},            // TCP
      {60, Datagram(kSenderB, Skeleton())},
      {70, Datagram(kSenderB, Sensor())},
  });
  const CaptureStats stats = ComputeCaptureStats(ReadCapture(capture));
  EXPECT_EQ(stats.packets, 12U);
  EXPECT_EQ(stats.udpPackets, 11U);
  EXPECT_EQ(stats.documents, 8U);
  EXPECT_EQ(stats.malformedPackets, 2U);
  EXPECT_EQ(stats.otherUdpPackets, 1U);
  ASSERT_EQ(stats.senders.size(), 2U);

  const SenderStats& a = stats.senders[0];
  EXPECT_EQ(a.packetSource, "10.0.0.5:9000");
  EXPECT_EQ(a.documentSenders, std::set<std::string>{"10.0.0.5:9000"});
  EXPECT_EQ(a.documents, (std::array<std::uint64_t, kDocumentKindCount>{0, 0, 6, 0}));
  EXPECT_EQ(a.malformedPackets, 2U);
  const FrameStats& frames = a.frames;
  EXPECT_EQ(frames.count, 6U);
  EXPECT_EQ(frames.firstNumber, 1);
  EXPECT_EQ(frames.lastNumber, 4);
  EXPECT_EQ(frames.gaps, 0U);
  EXPECT_EQ(frames.missingFrames, 0U);
  EXPECT_EQ(frames.reordered, 1U);
  EXPECT_EQ(frames.repeats, 1U);
  EXPECT_EQ(frames.backwards, 0U);
  ASSERT_TRUE(frames.Rate().has_value());
  EXPECT_NEAR(*frames.Rate(), 100.0, 1e-3);  // 5 intervals in 50 ms
  EXPECT_EQ(frames.firstTimecode, (Timecode{1, 2, 3, 1, 0, 1}));
  EXPECT_EQ(frames.lastTimecode, (Timecode{1, 2, 3, 4, 0, 1}));

  const SenderStats& b = stats.senders[1];
  EXPECT_EQ(b.packetSource, "10.0.0.6:9100");
  EXPECT_EQ(b.documentSenders, std::set<std::string>{"10.0.0.6:9100"});
  EXPECT_EQ(b.documents, (std::array<std::uint64_t, kDocumentKindCount>{0, 1, 0, 1}));
  EXPECT_EQ(b.frames.count, 0U);
  EXPECT_FALSE(b.frames.Rate().has_value());
  EXPECT_EQ(b.malformedPackets, 0U);
}

struct NumbersCase {
  std::vector<std::int32_t> numbers;
  std::uint64_t missing, gaps, reordered, repeats, backwards;
};

// A frame is missing only when it never comes within the window; one that
// comes late is reordered.
TEST(FrameStats, ReorderingIsNotLoss) {
  const std::vector<NumbersCase> cases = {
      {{1, 2, 4, 3, 5}, 0, 0, 1, 0, 0},           // two swapped
      {{1, 2, 5, 6}, 2, 1, 0, 0, 0},              // never came: missing at the end
      {{1, 3, 2, 2}, 0, 0, 1, 1, 0},              // late, then again
      {{10, 9, 8, 10}, 0, 0, 2, 1, 0},            // older than the first frame
      {{1, 2, 70, 3}, 67, 1, 0, 0, 1},            // 3 is a window behind 70
      {{1, 3, 5, 7, 2, 90}, 84, 3, 1, 0, 0},      // 4, 6 and 8 to 89 never came
      {{1, 100000000, 2}, 99999998, 1, 0, 0, 1},  // a jump of millions, then a restart
      {{100, 101, 1, 2, 3}, 0, 0, 0, 0, 1},       // the numbering begins again
      {{5, 5, 5}, 0, 0, 0, 2, 0},
  };
  for (const NumbersCase& c : cases) {
    FrameStats frames;
    std::int64_t time = 0;
    for (const std::int32_t number : c.numbers) {
      frames.Add(number, 0.0, {}, time += 1000);
    }
    frames.Finish();
    const testing::Message which = testing::Message() << testing::PrintToString(c.numbers);
    EXPECT_EQ(frames.missingFrames, c.missing) << which;
    EXPECT_EQ(frames.gaps, c.gaps) << which;
    EXPECT_EQ(frames.reordered, c.reordered) << which;
    EXPECT_EQ(frames.repeats, c.repeats) << which;
    EXPECT_EQ(frames.backwards, c.backwards) << which;
  }
}

// Frames sent every 10 ms by a clock 2 s ahead that runs 100 ppm fast.
FrameStats SentEvery10Ms(const std::vector<std::int64_t>& arrivals) {
  FrameStats frames;
  for (std::size_t i = 0; i < arrivals.size(); ++i) {
    const double sent = 1000.0 + 0.01 * static_cast<double>(i);
    frames.Add(static_cast<std::int32_t>(i), 2.0 + sent + (sent - 1000.0) * 100e-6, {},
               1'000'000'000 + arrivals[i]);
  }
  return frames;
}

TEST(FrameStats, PercentilesJitterAndClockEstimates) {
  // Intervals of 10, 10, 10, 10 and 20 ms.
  const FrameStats frames = SentEvery10Ms({0, 10000, 20000, 30000, 40000, 60000});
  const std::optional<IntervalPercentiles> p = frames.Percentiles();
  ASSERT_TRUE(p.has_value());
  EXPECT_EQ(p->min, 10000);
  EXPECT_DOUBLE_EQ(p->p50, 10000);
  EXPECT_DOUBLE_EQ(p->p90, 16000);  // between the 4th and 5th of 5, 60% of the way
  EXPECT_EQ(p->max, 20000);
  // One transit change of 10 ms (the late frame) after four of about 1 us.
  ASSERT_TRUE(frames.jitterMicroseconds.has_value());
  EXPECT_NEAR(*frames.jitterMicroseconds, 10000.0 / 16, 5.0);
  const std::optional<ClockEstimate> clock = SentEvery10Ms({0, 10000, 20000, 30000}).Clock();
  ASSERT_TRUE(clock.has_value());
  EXPECT_EQ(clock->frames, 4U);
  EXPECT_NEAR(clock->offsetSeconds, 2.0, 1e-5);
  EXPECT_NEAR(clock->driftPpm, 100.0, 0.5);
  EXPECT_FALSE(FrameStats{}.Clock().has_value());
}

struct OffloadCase {
  const char* name;
  int linkType;
  std::uint32_t source;
  std::optional<std::uint16_t> checksum;  // none: what a sender with offload writes
  bool failed, offload;
};

// A bad checksum is likely offload on a packet the capturing host sent: a
// Linux cooked header says so, loopback never left the host, and offload
// leaves the pseudo-header's sum in the field.
TEST(CaptureReading, FlagsChecksumFailuresLikelyFromOffload) {
  constexpr std::uint32_t kLoopback = (127U << 24U) | 1U;
  const std::vector<OffloadCase> cases = {
      {"valid", DLT_RAW, kSenderA, 0xffff, false, false},
      {"damaged", DLT_RAW, kSenderA, 0x1234, true, false},
      {"pseudo-header sum", DLT_RAW, kSenderA, std::nullopt, true, true},
      {"loopback", DLT_RAW, kLoopback, 0x1234, true, true},
      {"cooked, outgoing", DLT_LINUX_SLL, kSenderA, 0x1234, true, true},
  };
  for (const OffloadCase& c : cases) {
    Bytes packet = BuildUdpPacket({c.source, 9000}, {kBroadcast, 9001}, Frame(1));
    std::uint16_t field = ReadBigEndian<std::uint16_t>(packet, 26);
    if (!c.checksum) {
      // The pseudo-header's folded sum: source, destination, protocol, length.
      Bytes pseudo(packet.begin() + 12, packet.begin() + 20);
      pseudo.insert(pseudo.end(), {0, 17, packet[24], packet[25]});
      field = static_cast<std::uint16_t>(~InternetChecksum(pseudo));
    } else if (*c.checksum != 0xffff) {
      field = *c.checksum;
    }
    WriteBigEndian<std::uint16_t>(packet, 26, field);
    if (c.linkType == DLT_LINUX_SLL) {
      const Bytes cooked = {0, 4, 0, 1, 0, 6, 2, 0, 0, 0, 0, 1, 0, 0, 0x08, 0};
      packet.insert(packet.begin(), cooked.begin(), cooked.end());
    }
    const CaptureContents capture = ReadCapture(WriteCapture(c.linkType, {{0, packet}}));
    ASSERT_EQ(capture.packets.size(), 1U) << c.name;
    EXPECT_EQ(capture.packets[0].checksumFailed, c.failed) << c.name;
    EXPECT_EQ(capture.packets[0].checksumOffloadLikely, c.offload) << c.name;
    EXPECT_EQ(ComputeCaptureStats(capture).checksumOffload, c.offload ? 1U : 0U) << c.name;
  }
}

TEST(CaptureReading, NamesWhatIsWrongWithABrokenUdpPacket) {
  Bytes cut = Datagram(kSenderA, Frame(1));
  cut.resize(cut.size() - 10);  // captured shorter than the lengths say
  const std::vector<CapturedPacket> packets =
      ReadCapture(WriteRawIpCapture({
                      {0, cut},
                      {1, Datagram(kSenderA, Frame(1), 17, 4)},
                      {2, Bytes{0x45, 0, 0, 20, 0, 0, 0x20, 0, 64, 17}},
                  }))
          .packets;
  ASSERT_EQ(packets.size(), 3U);
  EXPECT_EQ(packets[0].malformation, "UDP payload cut short: 191 of 201 bytes captured");
  EXPECT_EQ(packets[0].payload.size(), 191U);
  EXPECT_EQ(packets[1].malformation, "bad UDP length 4");
  EXPECT_EQ(packets[2].malformation, "IP header cut short or malformed");
}

TEST(CaptureReading, EthernetCaptureGivesBackTimesAddressesAndPayloads) {
  const Bytes frame =
      EthernetFrameOf(BuildUdpPacket({kSenderA, 9000}, {kBroadcast, 9001}, Frame(9)));
  const std::vector<CapturedPacket> packets =
      ReadCapture(WriteCapture(DLT_EN10MB, {{250, frame}, {250, frame}})).packets;
  ASSERT_EQ(packets.size(), 2U);
  const CapturedPacket& packet = packets[1];
  EXPECT_EQ(packet.index, 2U);
  EXPECT_EQ(FormatPacketTime(packet), "1700000000.250000");
  EXPECT_TRUE(packet.isUdp);
  EXPECT_EQ(packet.malformation, "");
  EXPECT_EQ(FormatEndpoint(packet.source), "10.0.0.5:9000");
  EXPECT_EQ(FormatEndpoint(packet.destination), "10.0.0.255:9001");
  EXPECT_EQ(packet.payload, Frame(9));
}

void PutLittleEndian(Bytes& bytes, std::uint64_t value, int width) {
  for (int i = 0; i < width; ++i) {
    bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
  }
}

// A pcapng file built by hand: section header, a raw-IP interface, and one
// enhanced packet block per datagram, times in microseconds.
Bytes PcapngCapture(const std::vector<Bytes>& datagrams, std::uint64_t firstMicroseconds) {
  Bytes file;
  const auto block = [&file](std::uint32_t type, const Bytes& body) {
    const auto length = static_cast<std::uint32_t>(12 + body.size());
    PutLittleEndian(file, type, 4);
    PutLittleEndian(file, length, 4);
    file.insert(file.end(), body.begin(), body.end());
    PutLittleEndian(file, length, 4);
  };
  Bytes section;
  PutLittleEndian(section, 0x1a2b3c4d, 4);  // byte-order magic
  PutLittleEndian(section, 1, 2);           // version 1.0
  PutLittleEndian(section, 0, 2);
  PutLittleEndian(section, ~std::uint64_t{0}, 8);  // section length unknown
  block(0x0a0d0d0a, section);
  Bytes interface;
  PutLittleEndian(interface, 101, 2);  // raw IP
  PutLittleEndian(interface, 0, 2);
  PutLittleEndian(interface, 65535, 4);
  block(1, interface);
  std::uint64_t time = firstMicroseconds;
  for (const Bytes& datagram : datagrams) {
    Bytes packet;
    PutLittleEndian(packet, 0, 4);  // interface 0
    PutLittleEndian(packet, time >> 32U, 4);
    PutLittleEndian(packet, time & 0xffffffffU, 4);
    PutLittleEndian(packet, datagram.size(), 4);
    PutLittleEndian(packet, datagram.size(), 4);
    packet.insert(packet.end(), datagram.begin(), datagram.end());
    packet.resize((packet.size() + 3) / 4 * 4, 0);
    block(6, packet);
    time += 20000;
  }
  return file;
}

TEST(CaptureReading, PcapngCaptureIsReadToo) {
  const Bytes capture = PcapngCapture(
      {Datagram(kSenderA, Frame(1)), Datagram(kSenderA, Frame(3)), Datagram(kSenderB, Sensor())},
      1700000000500000);
  ASSERT_TRUE(LooksLikeCapture(capture));
  const CaptureContents contents = ReadCapture(capture);
  const std::vector<CapturedPacket>& packets = contents.packets;
  ASSERT_EQ(packets.size(), 3U);
  EXPECT_EQ(FormatPacketTime(packets[1]), "1700000000.520000");
  EXPECT_EQ(FormatEndpoint(packets[2].source), "10.0.0.6:9100");
  EXPECT_EQ(packets[0].payload, Frame(1));
  const CaptureStats stats = ComputeCaptureStats(contents);
  ASSERT_EQ(stats.senders.size(), 2U);
  EXPECT_EQ(stats.senders[0].frames.gaps, 1U);
  EXPECT_EQ(stats.senders[0].frames.Rate(), 50.0);
  EXPECT_EQ(stats.senders[1].DocumentsOf(DocumentKind::sensorData), 1U);
}

TEST(CaptureReading, DamageKeepsThePacketsBeforeItAndSaysWhere) {
  Bytes capture =
      WriteRawIpCapture({{0, Datagram(kSenderA, Frame(1))}, {1, Datagram(kSenderA, Frame(2))}});
  capture.resize(capture.size() - 5);
  const CaptureContents contents = ReadCapture(capture);
  ASSERT_EQ(contents.packets.size(), 1U);
  EXPECT_EQ(contents.packets[0].payload, Frame(1));
  EXPECT_EQ(contents.damage.rfind("capture damaged after packet 1: ", 0), 0U) << contents.damage;
  EXPECT_THROW(ReadCapture({0xd4, 0xc3, 0xb2, 0xa1, 0}), InputError);
}

}  // namespace
}  // namespace rmf
