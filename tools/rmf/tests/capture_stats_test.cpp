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
      {30, Datagram(kSenderA, Frame(5))},                 // gap: 4 missing
      {40, Datagram(kSenderA, Frame(5))},                 // repeat
      {45, Datagram(kSenderA, Truncated(Frame(6), 60))},  // no "fram": rejected
      {50, Datagram(kSenderA, Frame(4))},                 // backwards
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
  EXPECT_EQ(frames.gaps, 1U);
  EXPECT_EQ(frames.missingFrames, 1U);
  EXPECT_EQ(frames.repeats, 1U);
  EXPECT_EQ(frames.backwards, 1U);
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
