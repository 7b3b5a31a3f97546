// The IP packet inside a captured frame: link layers and IP headers read
// through libtins, one header at a time, so a packet cut short still shows
// the headers it has.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace rmf {

using PacketView = std::span<const std::uint8_t>;
using IpAddressBytes = std::array<std::uint8_t, 16>;  // IPv4 uses the first four

inline constexpr std::uint8_t kIpProtocolUdp = 17;
inline constexpr std::uint8_t kIpv6Fragment = 44;  // the next-header value of a fragment header
inline constexpr std::size_t kEthernetHeaderSize = 14;
inline constexpr std::size_t kIpv6HeaderSize = 40;
inline constexpr std::size_t kUdpHeaderSize = 8;

struct IpPacket {
  bool isIpv6 = false;
  IpAddressBytes source{};
  IpAddressBytes destination{};
  std::uint8_t protocol = 0;         // what the payload is, after IPv6 extension headers
  std::uint32_t identification = 0;  // shared by the fragments of one datagram
  bool isFragment = false;
  std::uint32_t fragmentOffset = 0;  // bytes
  bool moreFragments = false;
  PacketView payload;  // after the headers, at most the stated length
  std::size_t statedPayloadLength = 0;

  bool CutShort() const { return payload.size() < statedPayloadLength; }
};

struct DecodedFrame {
  std::optional<IpPacket> ip;  // nothing for frames carrying anything else
  std::string malformation;    // IP whose headers cannot be read
};

// Links: Ethernet with any number of 802.1Q/802.1ad tags, Linux cooked v1 and
// v2, raw IP (IPv4 or IPv6), BSD loopback in either byte order.
DecodedFrame DecodeFrame(int linkType, PacketView frame);

// The ones' complement of the ones' complement sum of the bytes taken as
// big-endian 16-bit words, as IP headers carry it: 0 over a header whose
// checksum field holds.
std::uint16_t InternetChecksum(PacketView bytes);

// Whether the UDP checksum of a whole datagram holds. IPv4 may leave it out
// (0); IPv6 may not.
bool UdpChecksumHolds(const IpPacket& ip, PacketView udp);

}  // namespace rmf
