// Splitting an IP packet into fragments that fit a link's MTU, as a sending
// host does: IPv4 by its header's offset field, IPv6 by a fragment header.
#pragma once

#include <cstdint>
#include <vector>

#include "rmf/input_reading.h"

namespace rmf {

// The fragments of the packet (IPv4 or IPv6, no extension headers), in
// order; the packet itself when it fits. Throws InputError when the MTU
// leaves no room for data.
std::vector<Bytes> FragmentIpPacket(const Bytes& packet, std::size_t mtu,
                                    std::uint32_t identification);

}  // namespace rmf
