#include "rmf/capture/packet_decoding.h"

#include <pcap/pcap.h>
#include <tins/dot1q.h>
#include <tins/ethernetII.h>
#include <tins/exceptions.h>
#include <tins/ip.h>
#include <tins/ipv6.h>
#include <tins/sll.h>

#include <algorithm>

namespace rmf {
namespace {

constexpr std::uint16_t kEtherTypeVlan = 0x8100;
constexpr std::uint16_t kEtherTypeQinQ = 0x88a8;
constexpr std::size_t kVlanTagSize = 4;
constexpr std::size_t kCookedHeaderSize = 16;
constexpr std::size_t kCooked2HeaderSize = 20;
constexpr std::size_t kLoopbackHeaderSize = 4;
constexpr std::uint16_t kPacketOutgoing = 4;  // Linux's PACKET_OUTGOING
constexpr std::size_t kCooked2PacketTypeAt = 10;

// IPv6 extension headers that may stand before the payload.
constexpr std::uint8_t kIpv6HopByHop = 0;
constexpr std::uint8_t kIpv6Routing = 43;
constexpr std::uint8_t kIpv6DestinationOptions = 60;
constexpr int kIpv6ExtensionHeaderLimit = 16;

std::optional<IpPacket> DecodeIpv4(PacketView bytes) {
  if (bytes.size() < kIpv4HeaderSize) {
    throw Tins::malformed_packet();
  }
  const std::size_t headerSize = (bytes[0] & 0x0fU) * 4U;
  if (headerSize < kIpv4HeaderSize || bytes.size() < headerSize) {
    throw Tins::malformed_packet();
  }
  // The header alone: libtins would otherwise parse the payload too, and
  // refuse a packet whose UDP header is cut short.
  const Tins::IP header(bytes.data(), static_cast<std::uint32_t>(headerSize));
  if (header.tot_len() < headerSize) {
    throw Tins::malformed_packet();
  }
  IpPacket ip;
  const std::uint32_t source = header.src_addr();
  const std::uint32_t destination = header.dst_addr();
  std::copy_n(reinterpret_cast<const std::uint8_t*>(&source), 4, ip.source.begin());
  std::copy_n(reinterpret_cast<const std::uint8_t*>(&destination), 4, ip.destination.begin());
  ip.protocol = header.protocol();
  ip.identification = header.id();
  ip.fragmentOffset = header.fragment_offset() * 8U;
  ip.moreFragments = (header.flags() & Tins::IP::MORE_FRAGMENTS) != 0;
  ip.isFragment = ip.moreFragments || ip.fragmentOffset != 0;
  ip.statedPayloadLength = header.tot_len() - headerSize;
  ip.payload =
      bytes.subspan(headerSize, std::min(ip.statedPayloadLength, bytes.size() - headerSize));
  return ip;
}

std::optional<IpPacket> DecodeIpv6(PacketView bytes) {
  if (bytes.size() < kIpv6HeaderSize) {
    throw Tins::malformed_packet();
  }
  const Tins::IPv6 header(bytes.data(), static_cast<std::uint32_t>(kIpv6HeaderSize));
  IpPacket ip;
  ip.isIpv6 = true;
  const Tins::IPv6Address source = header.src_addr();
  const Tins::IPv6Address destination = header.dst_addr();
  std::copy(source.begin(), source.end(), ip.source.begin());
  std::copy(destination.begin(), destination.end(), ip.destination.begin());
  // libtins 4.0 keeps the fragment header's fields to itself, so the chain
  // of extension headers is walked here.
  std::size_t at = kIpv6HeaderSize;
  std::size_t end = kIpv6HeaderSize + header.payload_length();
  std::uint8_t next = header.next_header();
  for (int count = 0; count < kIpv6ExtensionHeaderLimit; ++count) {
    if (next != kIpv6HopByHop && next != kIpv6Routing && next != kIpv6Fragment &&
        next != kIpv6DestinationOptions) {
      break;
    }
    if (bytes.size() < at + 8 || end < at + 8) {
      throw Tins::malformed_packet();
    }
    std::size_t size = (bytes[at + 1] + 1U) * 8U;
    if (next == kIpv6Fragment) {
      size = 8;
      const auto offsetAndFlags = ReadBigEndian<std::uint16_t>(bytes, at + 2);
      ip.fragmentOffset = offsetAndFlags & 0xfff8U;
      ip.moreFragments = (offsetAndFlags & 1U) != 0;
      ip.identification = ReadBigEndian<std::uint32_t>(bytes, at + 4);
      ip.isFragment = ip.moreFragments || ip.fragmentOffset != 0;
    }
    next = bytes[at];
    at += size;
  }
  if (at > end || at > bytes.size()) {
    throw Tins::malformed_packet();
  }
  ip.protocol = next;
  ip.statedPayloadLength = end - at;
  ip.payload = bytes.subspan(at, std::min(ip.statedPayloadLength, bytes.size() - at));
  return ip;
}

std::optional<IpPacket> DecodeIp(PacketView bytes) {
  if (bytes.empty()) {
    return std::nullopt;
  }
  switch (bytes[0] >> 4U) {
    case 4: return DecodeIpv4(bytes);
    case 6: return DecodeIpv6(bytes);
    default: return std::nullopt;
  }
}

std::optional<IpPacket> DecodeEtherType(std::uint16_t etherType, PacketView bytes) {
  switch (etherType) {
    case kEtherTypeIpv4: return bytes.empty() ? throw Tins::malformed_packet() : DecodeIpv4(bytes);
    case kEtherTypeIpv6: return bytes.empty() ? throw Tins::malformed_packet() : DecodeIpv6(bytes);
    default: return std::nullopt;
  }
}

std::optional<IpPacket> DecodeEthernet(PacketView frame) {
  if (frame.size() < kEthernetHeaderSize) {
    return std::nullopt;
  }
  const Tins::EthernetII ethernet(frame.data(), kEthernetHeaderSize);
  std::uint16_t etherType = ethernet.payload_type();
  std::size_t at = kEthernetHeaderSize;
  while ((etherType == kEtherTypeVlan || etherType == kEtherTypeQinQ) &&
         frame.size() >= at + kVlanTagSize) {
    etherType = Tins::Dot1Q(frame.data() + at, kVlanTagSize).payload_type();
    at += kVlanTagSize;
  }
  return DecodeEtherType(etherType, frame.subspan(at));
}

std::optional<IpPacket> DecodeCooked(PacketView frame) {
  if (frame.size() < kCookedHeaderSize) {
    return std::nullopt;
  }
  const Tins::SLL cooked(frame.data(), kCookedHeaderSize);
  return DecodeEtherType(cooked.protocol(), frame.subspan(kCookedHeaderSize));
}

// Linux cooked v2, which libtins 4.0 does not know: the protocol comes first,
// then the interface index, ARPHRD type, packet type and address.
std::optional<IpPacket> DecodeCooked2(PacketView frame) {
  if (frame.size() < kCooked2HeaderSize) {
    return std::nullopt;
  }
  return DecodeEtherType(ReadBigEndian<std::uint16_t>(frame, 0), frame.subspan(kCooked2HeaderSize));
}

// The address family is in the capturing machine's byte order; IPv4 is 2 in
// every BSD, IPv6 is 24, 28 or 30 depending on the system.
std::optional<IpPacket> DecodeLoopback(PacketView frame) {
  if (frame.size() < kLoopbackHeaderSize) {
    return std::nullopt;
  }
  const std::uint32_t family = frame[0] != 0 ? frame[0] : frame[3];
  const bool isIp = family == 2 || family == 24 || family == 28 || family == 30;
  return isIp ? DecodeIp(frame.subspan(kLoopbackHeaderSize)) : std::nullopt;
}

}  // namespace

DecodedFrame DecodeFrame(int linkType, PacketView frame) {
  DecodedFrame decoded;
  try {
    switch (linkType) {
      case DLT_EN10MB: decoded.ip = DecodeEthernet(frame); break;
      case DLT_LINUX_SLL:
        decoded.ip = DecodeCooked(frame);
        decoded.outgoing = frame.size() >= kCookedHeaderSize &&
                           ReadBigEndian<std::uint16_t>(frame, 0) == kPacketOutgoing;
        break;
      case DLT_LINUX_SLL2:
        decoded.ip = DecodeCooked2(frame);
        decoded.outgoing =
            frame.size() >= kCooked2HeaderSize && frame[kCooked2PacketTypeAt] == kPacketOutgoing;
        break;
      case DLT_RAW:
      case DLT_IPV4:
      case DLT_IPV6: decoded.ip = DecodeIp(frame); break;
      case DLT_NULL:
      case DLT_LOOP: decoded.ip = DecodeLoopback(frame); break;
      default: break;
    }
  } catch (const Tins::exception_base&) {
    decoded.malformation = "IP header cut short or malformed";
  }
  return decoded;
}

}  // namespace rmf
