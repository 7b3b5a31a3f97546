// UDP datagrams out of pcap and pcapng captures (read through libpcap, frames
// decoded through libtins), IPv4 and IPv6, fragments put back together.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "rmf/capture/ip_reassembly.h"
#include "rmf/input_reading.h"

namespace rmf {

struct CapturedPacket {
  std::uint64_t index = 0;  // 1-based position in the capture
  std::int64_t seconds = 0;
  std::uint32_t microseconds = 0;
  bool isUdp = false;        // a UDP datagram whose payload is below
  std::string malformation;  // why a UDP datagram could not be read, if so
  bool checksumFailed = false;
  // A failed checksum as the sending host's stack leaves it for the network
  // card to fill in: captured on the sender, not damaged on the way.
  bool checksumOffloadLikely = false;
  bool isFragment = false;  // an IP fragment; with isUdp, the one that completed its datagram
  UdpEndpoint source;
  UdpEndpoint destination;
  Bytes payload;
};

// Whether the bytes begin like a pcap or pcapng capture file.
bool LooksLikeCapture(const Bytes& bytes);

// "seconds.microseconds"
std::string FormatPacketTime(const CapturedPacket& packet);

struct CaptureContents {
  std::vector<CapturedPacket> packets;  // one per frame, in order
  std::uint64_t incompleteDatagrams = 0;
  std::string damage;  // why reading stopped before the end, if it did
};

// Every packet of the capture. A completed datagram is reported with the
// fragment that completed it. Throws InputError when the capture cannot be
// opened at all; damage further on ends the packets and is described.
CaptureContents ReadCapture(const Bytes& capture, ReassemblyLimits limits = {});

}  // namespace rmf
