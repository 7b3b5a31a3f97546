#include "rmf/network/udp_addresses.h"

#include <charconv>

#include "rmf/input_reading.h"

namespace rmf {

HostAndPort ParseHostAndPort(const std::string& text) {
  HostAndPort parsed;
  std::string portText = text;
  const std::size_t colon = text.rfind(':');
  if (colon != std::string::npos) {
    parsed.host = text.substr(0, colon);
    portText = text.substr(colon + 1);
    if (parsed.host.size() >= 2 && parsed.host.front() == '[' && parsed.host.back() == ']') {
      parsed.host = parsed.host.substr(1, parsed.host.size() - 2);
    } else if (parsed.host.find(':') != std::string::npos) {
      throw InputError("'" + text + "': write an IPv6 address in brackets, as [::1]:9000");
    }
  }
  unsigned port = 0;
  const auto [end, error] =
      std::from_chars(portText.data(), portText.data() + portText.size(), port);
  if (error != std::errc() || end != portText.data() + portText.size() || port > 65535 ||
      (colon != std::string::npos && parsed.host.empty())) {
    throw InputError("'" + text + "' is not [ADDRESS:]PORT with a port from 0 to 65535");
  }
  parsed.port = static_cast<std::uint16_t>(port);
  return parsed;
}

UdpEndpoint EndpointOfSocket(const asio::ip::udp::endpoint& endpoint) {
  UdpEndpoint converted;
  converted.port = endpoint.port();
  asio::ip::address address = endpoint.address();
  if (address.is_v6() && address.to_v6().is_v4_mapped()) {
    address = asio::ip::make_address_v4(asio::ip::v4_mapped, address.to_v6());
  }
  if (address.is_v4()) {
    converted.address = address.to_v4().to_uint();
  } else {
    converted.isIpv6 = true;
    converted.address6 = address.to_v6().to_bytes();
  }
  return converted;
}

}  // namespace rmf
