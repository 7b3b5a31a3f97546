#include "rmf/capture/packet_building.h"

#include <algorithm>
#include <array>

namespace rmf {
namespace {

constexpr std::uint8_t kHopLimit = 64;
constexpr std::uint16_t kIpv4MoreFragments = 0x2000;

IpAddressBytes AddressBytesOf(const UdpEndpoint& endpoint) {
  if (endpoint.isIpv6) {
    return endpoint.address6;
  }
  IpAddressBytes bytes{};
  WriteBigEndian<std::uint32_t>(bytes, 0, endpoint.address);
  return bytes;
}

std::size_t HeadersSize(const IpPacket& ip) {
  if (!ip.isIpv6) {
    return kIpv4HeaderSize;
  }
  return kIpv6HeaderSize + (ip.isFragment ? kIpv6FragmentHeaderSize : 0);
}

// The UDP header and payload, with the checksum over both and the
// pseudo-header of the IP packet that carries them.
Bytes UdpBytes(const IpPacket& ip, const UdpEndpoint& source, const UdpEndpoint& destination,
               PacketView payload) {
  Bytes udp(kUdpHeaderSize);
  WriteBigEndian(udp, 0, source.port);
  WriteBigEndian(udp, 2, destination.port);
  WriteBigEndian(udp, 4, static_cast<std::uint16_t>(kUdpHeaderSize + payload.size()));
  udp.insert(udp.end(), payload.begin(), payload.end());
  // A checksum of 0 would say "none"; 0xffff is the same sum.
  const std::uint16_t checksum = UdpChecksum(ip, udp);
  WriteBigEndian(udp, 6, checksum == 0 ? std::uint16_t{0xffff} : checksum);
  return udp;
}

void WriteIpv4Header(const IpPacket& ip, Bytes& packet) {
  packet[0] = 0x45;  // version 4, a header of five 32-bit words
  WriteBigEndian(packet, 2, static_cast<std::uint16_t>(packet.size()));
  WriteBigEndian(packet, 4, static_cast<std::uint16_t>(ip.identification));
  WriteBigEndian(packet, 6,
                 static_cast<std::uint16_t>((ip.moreFragments ? kIpv4MoreFragments : 0U) |
                                            ip.fragmentOffset / 8));
  packet[8] = kHopLimit;
  packet[9] = ip.protocol;
  std::copy_n(ip.source.begin(), 4, packet.begin() + 12);
  std::copy_n(ip.destination.begin(), 4, packet.begin() + 16);
  WriteBigEndian(packet, 10, InternetChecksum({packet.data(), kIpv4HeaderSize}));
}

void WriteIpv6Header(const IpPacket& ip, Bytes& packet) {
  packet[0] = 0x60;  // version 6
  WriteBigEndian(packet, 4, static_cast<std::uint16_t>(packet.size() - kIpv6HeaderSize));
  packet[6] = ip.isFragment ? kIpv6Fragment : ip.protocol;
  packet[7] = kHopLimit;
  std::copy(ip.source.begin(), ip.source.end(), packet.begin() + 8);
  std::copy(ip.destination.begin(), ip.destination.end(), packet.begin() + 24);
  if (ip.isFragment) {
    packet[kIpv6HeaderSize] = ip.protocol;
    WriteBigEndian(packet, kIpv6HeaderSize + 2,
                   static_cast<std::uint16_t>(ip.fragmentOffset | (ip.moreFragments ? 1U : 0U)));
    WriteBigEndian(packet, kIpv6HeaderSize + 4, ip.identification);
  }
}

Bytes IpPacketBytes(const IpPacket& ip) {
  Bytes packet(HeadersSize(ip));
  packet.insert(packet.end(), ip.payload.begin(), ip.payload.end());
  if (ip.isIpv6) {
    WriteIpv6Header(ip, packet);
  } else {
    WriteIpv4Header(ip, packet);
  }
  return packet;
}

// Fragment data comes in multiples of 8 bytes, as the offset field counts.
std::size_t DataPerFragment(std::size_t mtu, std::size_t headersSize) {
  const std::size_t room = mtu > headersSize ? (mtu - headersSize) / 8 * 8 : 0;
  if (room == 0) {
    throw InputError("an MTU of " + std::to_string(mtu) + " bytes leaves no room for data");
  }
  return room;
}

}  // namespace

std::vector<Bytes> BuildUdpPackets(const UdpEndpoint& source, const UdpEndpoint& destination,
                                   PacketView payload, std::size_t mtu,
                                   std::uint32_t identification) {
  IpPacket ip;
  ip.isIpv6 = source.isIpv6;
  ip.source = AddressBytesOf(source);
  ip.destination = AddressBytesOf(destination);
  ip.protocol = kIpProtocolUdp;
  ip.identification = identification;
  const Bytes udp = UdpBytes(ip, source, destination, payload);
  if (HeadersSize(ip) + udp.size() <= mtu) {
    ip.payload = udp;
    return {IpPacketBytes(ip)};
  }
  ip.isFragment = true;
  const std::size_t room = DataPerFragment(mtu, HeadersSize(ip));
  std::vector<Bytes> fragments;
  for (std::size_t offset = 0; offset < udp.size(); offset += room) {
    ip.fragmentOffset = static_cast<std::uint32_t>(offset);
    ip.payload = PacketView(udp).subspan(offset, std::min(room, udp.size() - offset));
    ip.moreFragments = offset + ip.payload.size() < udp.size();
    fragments.push_back(IpPacketBytes(ip));
  }
  return fragments;
}

Bytes EthernetFrameOf(PacketView ipPacket) {
  std::array<std::uint8_t, kEthernetHeaderSize> header{};
  header[0] = 0x02;  // destination 02:00:00:00:00:00
  header[6] = 0x02;  // source 02:00:00:00:00:01
  header[11] = 0x01;
  const bool isIpv6 = !ipPacket.empty() && ipPacket[0] >> 4U == 6;
  WriteBigEndian(header, 12, isIpv6 ? kEtherTypeIpv6 : kEtherTypeIpv4);
  Bytes frame(ipPacket.begin(), ipPacket.end());
  frame.insert(frame.begin(), header.begin(), header.end());
  return frame;
}

}  // namespace rmf
