// Captures shaped like real networks: fragments in every order, IPv6, VLAN
// tags, Linux cooked v2, bad checksums. Each must give back exactly the
// documents sent and the counts expected. Whole packets are written by
// libtins, which computes lengths and checksums on its own: the reader's
// checks and the tool's packet builder are held against it.
#include <gtest/gtest.h>
#include <tins/ip.h>
#include <tins/ipv6.h>
#include <tins/rawpdu.h>
#include <tins/udp.h>

#include "capture_test_bytes.h"
#include "rmf/capture/capture_stats.h"
#include "rmf/capture/packet_building.h"

namespace rmf {
namespace {

using namespace capture_test_bytes;

const UdpEndpoint kIpv4Source{kSenderA, 9000};
const UdpEndpoint kIpv4Destination{kBroadcast, 9001};

UdpEndpoint Ipv6Endpoint(const char* address, std::uint16_t port) {
  const Tins::IPv6Address parsed(address);
  UdpEndpoint endpoint{0, port, true, {}};
  std::copy(parsed.begin(), parsed.end(), endpoint.address6.begin());
  return endpoint;
}

const UdpEndpoint kIpv6Source = Ipv6Endpoint("fd00::5", 9000);
const UdpEndpoint kIpv6Destination = Ipv6Endpoint("fd00::255", 9001);

Bytes Ipv4Udp(const Bytes& payload) {
  Tins::IP ip("10.0.0.255", "10.0.0.5");
  ip /= Tins::UDP(9001, 9000) / Tins::RawPDU(payload.begin(), payload.end());
  return ip.serialize();
}

Bytes Ipv6Udp(const Bytes& payload) {
  Tins::IPv6 ip("fd00::255", "fd00::5");
  ip /= Tins::UDP(9001, 9000) / Tins::RawPDU(payload.begin(), payload.end());
  return ip.serialize();
}

// Link headers before an IP packet: Ethernet with two tags, or Linux cooked v2.
Bytes Linked(int linkType, Bytes ip) {
  const std::uint8_t ipv6 = ip[0] >> 4U == 6 ? 1 : 0;
  const Bytes etherType = {static_cast<std::uint8_t>(ipv6 ? 0x86 : 0x08),
                           static_cast<std::uint8_t>(ipv6 ? 0xdd : 0x00)};
  Bytes header;
  if (linkType == DLT_EN10MB) {
    header.assign(12, 0x02);
    header.insert(header.end(), {0x88, 0xa8, 0, 10, 0x81, 0x00, 0, 20});
    header.insert(header.end(), etherType.begin(), etherType.end());
  } else if (linkType == DLT_LINUX_SLL2) {
    header.assign(etherType.begin(), etherType.end());
    header.resize(20, 0);
  }
  ip.insert(ip.begin(), header.begin(), header.end());
  return ip;
}

Bytes WithBadChecksum(Bytes ip) {
  ip[26] ^= 0x5aU;  // the UDP checksum after a 20-byte IPv4 header
  return ip;
}

struct CaptureCase {
  const char* name;
  int linkType;
  std::vector<Bytes> packets;
  std::vector<Bytes> documents;  // payloads expected, in order
  std::uint64_t incomplete;
  std::uint64_t checksumFailures;
};

TEST(NetworkCaptures, GiveEveryDocumentAndCountWhatIsMissing) {
  const auto ipv4 = [](const Bytes& payload, std::size_t mtu, std::uint32_t id) {
    return BuildUdpPackets(kIpv4Source, kIpv4Destination, payload, mtu, id);
  };
  const std::vector<Bytes> f1 = ipv4(Frame(1), 100, 1);
  const std::vector<Bytes> f2 = ipv4(Frame(2), 100, 2);
  const std::vector<Bytes> wide = ipv4(Frame(3), 100, 3);
  const std::vector<Bytes> narrow = ipv4(Frame(3), 60, 3);
  const std::vector<Bytes> f4 = ipv4(Frame(4), 100, 4);
  const std::vector<Bytes> v6 =
      BuildUdpPackets(kIpv6Source, kIpv6Destination, Frame(6), 120, 0x10006);
  ASSERT_EQ(f1.size(), 3U);
  ASSERT_EQ(narrow.size(), 6U);
  ASSERT_EQ(v6.size(), 3U);
  const std::vector<CaptureCase> cases = {
      {"IPv4 fragments in order", DLT_RAW, f1, {Frame(1)}, 0, 0},
      {"IPv4 fragments out of order, duplicated",
       DLT_RAW,
       {f2[2], f2[0], f2[2], f2[0], f2[1]},
       {Frame(2)},
       0,
       0},
      {"IPv4 fragments overlapping",
       DLT_RAW,
       {narrow[1], wide[0], narrow[3], wide[2], narrow[2]},
       {Frame(3)},
       0,
       0},
      {"IPv4 fragment missing", DLT_RAW, {f4[0], f4[2], Ipv4Udp(Frame(5))}, {Frame(5)}, 1, 0},
      {"IPv6 fragments reversed", DLT_RAW, {v6[2], v6[1], v6[0]}, {Frame(6)}, 0, 0},
      {"IPv6 fragment missing", DLT_RAW, {v6[0], v6[2]}, {}, 1, 0},
      {"stacked VLAN tags",
       DLT_EN10MB,
       {Linked(DLT_EN10MB, Ipv4Udp(Frame(7))), Linked(DLT_EN10MB, v6[1]), Linked(DLT_EN10MB, v6[0]),
        Linked(DLT_EN10MB, v6[2])},
       {Frame(7), Frame(6)},
       0,
       0},
      {"Linux cooked v2",
       DLT_LINUX_SLL2,
       {Linked(DLT_LINUX_SLL2, Ipv6Udp(Frame(8))), Linked(DLT_LINUX_SLL2, f1[1]),
        Linked(DLT_LINUX_SLL2, f1[0]), Linked(DLT_LINUX_SLL2, f1[2])},
       {Frame(8), Frame(1)},
       0,
       0},
      {"bad UDP checksums",
       DLT_RAW,
       {WithBadChecksum(Ipv4Udp(Frame(9))), Ipv4Udp(Frame(10))},
       {Frame(9), Frame(10)},
       0,
       1},
  };
  for (const CaptureCase& test : cases) {
    SCOPED_TRACE(test.name);
    std::vector<TimedDatagram> timed;
    for (const Bytes& packet : test.packets) {
      timed.push_back({static_cast<int>(timed.size()), packet});
    }
    const CaptureContents capture = ReadCapture(WriteCapture(test.linkType, timed));
    std::vector<Bytes> documents;
    for (const CapturedPacket& packet : capture.packets) {
      if (packet.isUdp) {
        EXPECT_EQ(packet.malformation, "");
        EXPECT_EQ(FormatEndpoint(packet.source),
                  packet.source.isIpv6 ? "[fd00::5]:9000" : "10.0.0.5:9000");
        documents.push_back(packet.payload);
      }
    }
    EXPECT_EQ(documents, test.documents);
    const CaptureStats stats = ComputeCaptureStats(capture);
    EXPECT_EQ(stats.packets, test.packets.size());
    EXPECT_EQ(stats.documents, test.documents.size());
    EXPECT_EQ(stats.malformedPackets, 0U);
    EXPECT_EQ(stats.incompleteDatagrams, test.incomplete);
    EXPECT_EQ(stats.checksumFailures, test.checksumFailures);
  }
}

TEST(PacketBuilding, WholePacketsHoldTheLengthsAndChecksumsLibtinsComputes) {
  const Bytes odd = {1, 2, 3};
  for (const Bytes& payload : {Frame(1), odd}) {
    const Bytes ipv4 = BuildUdpPacket(kIpv4Source, kIpv4Destination, payload);
    const Bytes ipv6 = BuildUdpPacket(kIpv6Source, kIpv6Destination, payload);
    EXPECT_EQ(Tins::IP(ipv4.data(), static_cast<std::uint32_t>(ipv4.size())).serialize(), ipv4);
    EXPECT_EQ(Tins::IPv6(ipv6.data(), static_cast<std::uint32_t>(ipv6.size())).serialize(), ipv6);
  }
  EXPECT_THROW(BuildUdpPackets(kIpv4Source, kIpv4Destination, Frame(1), 27, 1), InputError);
}

// A flood of datagrams that never complete: memory stays within the limit
// (plus the one datagram being filled), and every one is counted.
TEST(NetworkCaptures, NeverCompletedDatagramsStayWithinTheLimits) {
  const ReassemblyLimits limits{std::size_t{1} << 16U, 8, 1'000'000};
  IpReassembler reassembler(limits);
  Bytes far(16, 0xab);
  for (std::uint32_t id = 0; id < 200; ++id) {
    IpPacket piece;
    piece.isFragment = piece.moreFragments = true;
    piece.identification = id;
    piece.fragmentOffset = (id * 4096) % 65520;
    piece.payload = far;
    piece.statedPayloadLength = far.size();
    EXPECT_FALSE(reassembler.Add(piece, id * 10'000).has_value());
    ASSERT_LE(reassembler.BufferedBytes(), limits.maxBufferedBytes + 65535);
  }
  EXPECT_EQ(reassembler.Finish(), 200U);
}

}  // namespace
}  // namespace rmf
