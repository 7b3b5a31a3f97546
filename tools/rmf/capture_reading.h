// UDP payloads out of pcap and pcapng captures (read through libpcap), with
// the time and the IPv4 addresses and ports of each packet.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "input_reading.h"

namespace rmf {

struct UdpEndpoint {
  std::uint32_t address = 0;  // IPv4, most significant byte first
  std::uint16_t port = 0;
};

// "a.b.c.d:port"
std::string FormatEndpoint(const UdpEndpoint& endpoint);

struct CapturedPacket {
  std::uint64_t index = 0;  // 1-based position in the capture
  std::int64_t seconds = 0;
  std::uint32_t microseconds = 0;
  bool isUdp = false;        // an IPv4 UDP packet whose payload is below
  std::string malformation;  // why a UDP packet could not be read, if so
  UdpEndpoint source;
  UdpEndpoint destination;
  Bytes payload;
};

// "seconds.microseconds"
std::string FormatPacketTime(const CapturedPacket& packet);

// Every packet of the capture, in order. Links: Ethernet (with VLAN tags),
// Linux cooked (v1 and v2), raw IPv4, BSD loopback. Throws InputError when
// libpcap cannot read the capture.
std::vector<CapturedPacket> ReadCapture(const Bytes& capture);

}  // namespace rmf
