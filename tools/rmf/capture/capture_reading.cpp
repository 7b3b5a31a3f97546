#include "rmf/capture/capture_reading.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <optional>
#include <span>

#include "rmf/capture/packet_decoding.h"
#include "rmf/capture/pcap_handles.h"

namespace rmf {
namespace {

// The address alone; the port comes from the UDP header.
UdpEndpoint EndpointOf(const IpPacket& ip, const IpAddressBytes& address) {
  UdpEndpoint endpoint;
  endpoint.isIpv6 = ip.isIpv6;
  if (ip.isIpv6) {
    endpoint.address6 = address;
  } else {
    endpoint.address = ReadBigEndian<std::uint32_t>(address, 0);
  }
  return endpoint;
}

// The UDP datagram (header and payload) carried by an IP packet whose
// payload is whole.
CapturedPacket UdpPacketOf(const IpPacket& ip, PacketView udp, std::size_t statedLength) {
  CapturedPacket packet;
  packet.isUdp = true;
  packet.source = EndpointOf(ip, ip.source);
  packet.destination = EndpointOf(ip, ip.destination);
  if (udp.size() < kUdpHeaderSize || statedLength < kUdpHeaderSize) {
    packet.malformation = "UDP header cut short";
    return packet;
  }
  packet.source.port = ReadBigEndian<std::uint16_t>(udp, 0);
  packet.destination.port = ReadBigEndian<std::uint16_t>(udp, 2);
  const std::size_t udpLength = ReadBigEndian<std::uint16_t>(udp, 4);
  if (udpLength < kUdpHeaderSize || udpLength > statedLength) {
    packet.malformation = "bad UDP length " + std::to_string(udpLength);
    return packet;
  }
  if (udp.size() < udpLength) {
    packet.malformation = "UDP payload cut short: " + std::to_string(udp.size() - kUdpHeaderSize) +
                          " of " + std::to_string(udpLength - kUdpHeaderSize) + " bytes captured";
  } else {
    packet.checksumFailed = !UdpChecksumHolds(ip, udp.first(udpLength));
  }
  const PacketView payload =
      udp.subspan(kUdpHeaderSize).first(std::min(udp.size(), udpLength) - kUdpHeaderSize);
  packet.payload.assign(payload.begin(), payload.end());
  return packet;
}

// Fills the packet from the IP packet one frame carries, through the
// reassembler when it is a fragment. A bad checksum is likely offload when
// the packet was sent by the capturing host, or holds what such a host writes.
void ReadIpPacket(const IpPacket& ip, bool outgoing, std::int64_t time, IpReassembler& reassembler,
                  CapturedPacket& packet) {
  if (ip.protocol != kIpProtocolUdp) {
    return;
  }
  std::optional<Bytes> whole;
  if (ip.isFragment) {
    whole = reassembler.Add(ip, time);
    if (!whole) {
      packet.isFragment = true;
      packet.source = EndpointOf(ip, ip.source);
      packet.destination = EndpointOf(ip, ip.destination);
      return;
    }
  }
  CapturedPacket udp = whole ? UdpPacketOf(ip, *whole, whole->size())
                             : UdpPacketOf(ip, ip.payload, ip.statedPayloadLength);
  udp.index = packet.index;
  udp.seconds = packet.seconds;
  udp.microseconds = packet.microseconds;
  udp.isFragment = ip.isFragment;
  if (udp.checksumFailed) {
    const PacketView datagram = whole ? PacketView(*whole) : ip.payload;
    udp.checksumOffloadLikely = outgoing || IsLoopback(ip) || HoldsPseudoHeaderSum(ip, datagram);
  }
  packet = std::move(udp);
}

}  // namespace

bool LooksLikeCapture(const Bytes& bytes) {
  static constexpr std::array<std::array<std::uint8_t, 4>, 5> kMagics = {{
      {0xd4, 0xc3, 0xb2, 0xa1},  // pcap, microseconds, little-endian
      {0xa1, 0xb2, 0xc3, 0xd4},  // pcap, microseconds, big-endian
      {0x4d, 0x3c, 0xb2, 0xa1},  // pcap, nanoseconds, little-endian
      {0xa1, 0xb2, 0x3c, 0x4d},  // pcap, nanoseconds, big-endian
      {0x0a, 0x0d, 0x0d, 0x0a},  // pcapng section header block
  }};
  if (bytes.size() < 4) {
    return false;
  }
  for (const auto& magic : kMagics) {
    if (std::equal(magic.begin(), magic.end(), bytes.begin())) {
      return true;
    }
  }
  return false;
}

std::string FormatPacketTime(const CapturedPacket& packet) {
  std::array<char, 40> text{};
  std::snprintf(text.data(), text.size(), "%lld.%06u", static_cast<long long>(packet.seconds),
                packet.microseconds);
  return text.data();
}

CaptureContents ReadCapture(const Bytes& capture, ReassemblyLimits limits) {
  // libpcap reads from a FILE; a memory stream lets standard input and files
  // take the same path. Once open, the capture owns the stream.
  std::FILE* stream = fmemopen(const_cast<std::uint8_t*>(capture.data()), capture.size(), "rb");
  if (stream == nullptr) {
    throw InputError("cannot open the capture in memory");
  }
  std::array<char, PCAP_ERRBUF_SIZE> error{};
  const PcapHandle handle(pcap_fopen_offline(stream, error.data()));
  if (!handle) {
    std::fclose(stream);
    throw InputError(std::string("cannot read capture: ") + error.data());
  }
  const int linkType = pcap_datalink(handle.get());
  IpReassembler reassembler(limits);
  CaptureContents contents;
  pcap_pkthdr* header = nullptr;
  const u_char* data = nullptr;
  int status = 0;
  while ((status = pcap_next_ex(handle.get(), &header, &data)) == 1) {
    CapturedPacket& packet = contents.packets.emplace_back();
    packet.index = contents.packets.size();
    packet.seconds = header->ts.tv_sec;
    packet.microseconds = static_cast<std::uint32_t>(header->ts.tv_usec);
    const DecodedFrame frame = DecodeFrame(linkType, {data, header->caplen});
    if (!frame.malformation.empty()) {
      packet.isUdp = true;
      packet.malformation = frame.malformation;
    } else if (frame.ip) {
      ReadIpPacket(*frame.ip, frame.outgoing, packet.seconds * 1000000 + packet.microseconds,
                   reassembler, packet);
    }
  }
  if (status == PCAP_ERROR) {
    contents.damage = "capture damaged after packet " + std::to_string(contents.packets.size()) +
                      ": " + pcap_geterr(handle.get());
  }
  contents.incompleteDatagrams = reassembler.Finish();
  return contents;
}

}  // namespace rmf
