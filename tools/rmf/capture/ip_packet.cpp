#include "rmf/capture/ip_packet.h"

#include <arpa/inet.h>

#include <algorithm>

namespace rmf {
namespace {

// The ones' complement sum of the 16-bit words, folded to 16 bits.
std::uint32_t Sum16(PacketView bytes, std::uint32_t sum) {
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    sum += ReadBigEndian<std::uint16_t>(bytes, i);
  }
  if (bytes.size() % 2 != 0) {
    sum += static_cast<std::uint32_t>(bytes.back() << 8U);
  }
  while (sum > 0xffffU) {
    sum = (sum & 0xffffU) + (sum >> 16U);
  }
  return sum;
}

// The pseudo-header's sum, not yet folded.
std::uint32_t PseudoHeaderSum(const IpPacket& ip, std::size_t udpLength) {
  const std::size_t addressSize = ip.isIpv6 ? 16 : 4;
  std::uint32_t sum = Sum16({ip.source.data(), addressSize}, 0);
  sum = Sum16({ip.destination.data(), addressSize}, sum);
  sum += kIpProtocolUdp;
  return sum + static_cast<std::uint32_t>((udpLength >> 16U) + (udpLength & 0xffffU));
}

}  // namespace

std::string FormatAddress(const UdpEndpoint& endpoint) {
  if (endpoint.isIpv6) {
    std::array<char, INET6_ADDRSTRLEN> text{};
    inet_ntop(AF_INET6, endpoint.address6.data(), text.data(), text.size());
    return text.data();
  }
  const std::uint32_t a = endpoint.address;
  return std::to_string(a >> 24U) + "." + std::to_string(a >> 16U & 0xffU) + "." +
         std::to_string(a >> 8U & 0xffU) + "." + std::to_string(a & 0xffU);
}

std::string FormatEndpoint(const UdpEndpoint& endpoint) {
  std::string text;
  text.append(endpoint.isIpv6 ? "[" : "")
      .append(FormatAddress(endpoint))
      .append(endpoint.isIpv6 ? "]:" : ":")
      .append(std::to_string(endpoint.port));
  return text;
}

std::uint16_t InternetChecksum(PacketView bytes, std::uint32_t sumBefore) {
  return static_cast<std::uint16_t>(~Sum16(bytes, sumBefore) & 0xffffU);
}

std::uint16_t UdpChecksum(const IpPacket& ip, PacketView udp) {
  return InternetChecksum(udp, PseudoHeaderSum(ip, udp.size()));
}

bool HoldsPseudoHeaderSum(const IpPacket& ip, PacketView udp) {
  if (udp.size() < kUdpHeaderSize) {
    return false;
  }
  const std::uint16_t field = ReadBigEndian<std::uint16_t>(udp, 6);
  const std::size_t length = ReadBigEndian<std::uint16_t>(udp, 4);
  const auto folded = static_cast<std::uint16_t>(Sum16({}, PseudoHeaderSum(ip, length)));
  return field == folded || field == static_cast<std::uint16_t>(~folded);
}

bool IsLoopback(const IpPacket& ip) {
  if (!ip.isIpv6) {
    return ip.source[0] == 127 || ip.destination[0] == 127;
  }
  const auto isOne = [](const IpAddressBytes& address) {
    return std::all_of(address.begin(), address.end() - 1, [](std::uint8_t b) { return b == 0; }) &&
           address.back() == 1;
  };
  return isOne(ip.source) || isOne(ip.destination);
}

bool UdpChecksumHolds(const IpPacket& ip, PacketView udp) {
  if (udp.size() < kUdpHeaderSize) {
    return false;
  }
  if (ReadBigEndian<std::uint16_t>(udp, 6) == 0) {
    return !ip.isIpv6;
  }
  return UdpChecksum(ip, udp) == 0;
}

}  // namespace rmf
