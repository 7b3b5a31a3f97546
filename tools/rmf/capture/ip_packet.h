// IP and UDP as the tool reads and builds them: addresses, header sizes and
// numbers, big-endian header fields and the Internet checksum.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace rmf {

using PacketView = std::span<const std::uint8_t>;
using IpAddressBytes = std::array<std::uint8_t, 16>;  // IPv4 uses the first four

inline constexpr std::uint8_t kIpProtocolUdp = 17;
inline constexpr std::uint8_t kIpv6Fragment = 44;  // the next-header value of a fragment header
inline constexpr std::uint16_t kEtherTypeIpv4 = 0x0800;
inline constexpr std::uint16_t kEtherTypeIpv6 = 0x86dd;
inline constexpr std::size_t kEthernetHeaderSize = 14;
inline constexpr std::size_t kIpv4HeaderSize = 20;  // without options
inline constexpr std::size_t kIpv6HeaderSize = 40;
inline constexpr std::size_t kIpv6FragmentHeaderSize = 8;
inline constexpr std::size_t kUdpHeaderSize = 8;

struct UdpEndpoint {
  std::uint32_t address = 0;  // IPv4, most significant byte first
  std::uint16_t port = 0;
  bool isIpv6 = false;
  IpAddressBytes address6{};  // the address when isIpv6
};

// "a.b.c.d", or the usual IPv6 text
std::string FormatAddress(const UdpEndpoint& endpoint);

// "a.b.c.d:port", or "[v6 address]:port"
std::string FormatEndpoint(const UdpEndpoint& endpoint);

// The header fields of one IP packet that matter here, and its payload.
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

// A header field, most significant byte first, at a place the caller has
// checked the bytes hold.
template <class Unsigned>
Unsigned ReadBigEndian(PacketView bytes, std::size_t at) {
  Unsigned value = 0;
  for (std::size_t i = 0; i < sizeof(Unsigned); ++i) {
    value = static_cast<Unsigned>(value << 8U | bytes[at + i]);
  }
  return value;
}

template <class Unsigned>
void WriteBigEndian(std::span<std::uint8_t> bytes, std::size_t at, Unsigned value) {
  for (std::size_t i = 0; i < sizeof(Unsigned); ++i) {
    bytes[at + i] = static_cast<std::uint8_t>(value >> (8U * (sizeof(Unsigned) - 1 - i)));
  }
}

// The ones' complement of the ones' complement sum of the bytes taken as
// big-endian 16-bit words, as IP and UDP headers carry it, with a sum taken
// before added in (a pseudo-header's): 0 over bytes whose checksum holds.
std::uint16_t InternetChecksum(PacketView bytes, std::uint32_t sumBefore = 0);

// The checksum of a UDP datagram (header and payload) over its IP
// pseudo-header: 0 when the datagram's checksum field holds.
std::uint16_t UdpChecksum(const IpPacket& ip, PacketView udp);

// Whether the UDP checksum of a whole datagram holds. IPv4 may leave it out
// (0); IPv6 may not.
bool UdpChecksumHolds(const IpPacket& ip, PacketView udp);

// Whether a UDP checksum that fails holds what a sending host with checksum
// offload writes before its network card fills in the real one: the sum of
// the pseudo-header alone (or its complement).
bool HoldsPseudoHeaderSum(const IpPacket& ip, PacketView udp);

// 127.0.0.0/8 or ::1: a packet that never left its host.
bool IsLoopback(const IpPacket& ip);

}  // namespace rmf
