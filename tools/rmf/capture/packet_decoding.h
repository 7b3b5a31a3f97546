// The IP packet inside a captured frame: link layers and IP headers read
// through libtins, one header at a time, so a packet cut short still shows
// the headers it has.
#pragma once

#include <optional>
#include <string>

#include "rmf/capture/ip_packet.h"

namespace rmf {

struct DecodedFrame {
  std::optional<IpPacket> ip;  // nothing for frames carrying anything else
  std::string malformation;    // IP whose headers cannot be read
  bool outgoing = false;       // sent by the capturing host, as Linux cooked headers say
};

// Links: Ethernet with any number of 802.1Q/802.1ad tags, Linux cooked v1 and
// v2, raw IP (IPv4 or IPv6), BSD loopback in either byte order.
DecodedFrame DecodeFrame(int linkType, PacketView frame);

}  // namespace rmf
