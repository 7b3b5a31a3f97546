#include "rmf/capture/ip_packet.h"

#include <arpa/inet.h>

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
  const std::size_t addressSize = ip.isIpv6 ? 16 : 4;
  std::uint32_t pseudoHeader = Sum16({ip.source.data(), addressSize}, 0);
  pseudoHeader = Sum16({ip.destination.data(), addressSize}, pseudoHeader);
  pseudoHeader += kIpProtocolUdp;
  pseudoHeader += static_cast<std::uint32_t>((udp.size() >> 16U) + (udp.size() & 0xffffU));
  return InternetChecksum(udp, pseudoHeader);
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
