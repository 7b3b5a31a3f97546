// "HOST:PORT" and "[ADDRESS:]PORT" as typed on the command line, and socket
// addresses turned into the capture's endpoints.
#pragma once

#include <asio/ip/udp.hpp>
#include <cstdint>
#include <string>

#include "rmf/capture/capture_reading.h"

namespace rmf {

struct HostAndPort {
  std::string host;  // without brackets; empty when only a port was given
  std::uint16_t port = 0;
};

// "9000", "127.0.0.1:9000", "[::1]:9000", "localhost:9000". Throws
// InputError naming the text when it is none of these.
HostAndPort ParseHostAndPort(const std::string& text);

// The endpoint as a capture holds it; IPv4-mapped IPv6 addresses become IPv4.
UdpEndpoint EndpointOfSocket(const asio::ip::udp::endpoint& endpoint);

}  // namespace rmf
