// IP packets carrying a UDP datagram, built as a sending host builds them:
// IPv4 or IPv6 after the endpoints, a valid UDP checksum, and fragments when
// the packet does not fit the link's MTU.
#pragma once

#include <cstdint>
#include <limits>
#include <vector>

#include "rmf/capture/ip_packet.h"
#include "rmf/input_reading.h"

namespace rmf {

// The packets carrying the datagram over a link of the given MTU: the whole
// packet when it fits, else its fragments in order (IPv4 by the header's
// offset field, IPv6 by a fragment header). Throws InputError when the MTU
// leaves no room for data.
std::vector<Bytes> BuildUdpPackets(const UdpEndpoint& source, const UdpEndpoint& destination,
                                   PacketView payload, std::size_t mtu,
                                   std::uint32_t identification);

// The whole packet, as a raw-IP capture holds a datagram received.
inline Bytes BuildUdpPacket(const UdpEndpoint& source, const UdpEndpoint& destination,
                            PacketView payload) {
  return BuildUdpPackets(source, destination, payload, std::numeric_limits<std::size_t>::max(), 0)
      .front();
}

// The Ethernet frame carrying an IP packet between two locally administered
// addresses.
Bytes EthernetFrameOf(PacketView ipPacket);

}  // namespace rmf
