// `rmf send`: document files, or the documents of captures, sent as UDP
// datagrams to one address, with the capture's own timing or a fixed rate.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace rmf {

struct SendOptions {
  std::string destination;  // HOST:PORT
  std::vector<std::string> paths;
  double speed = 1.0;  // of a capture's timing; 0: no waiting
  double rate = 0;     // datagrams per second, in place of the capture's timing
  std::uint64_t loops = 1;
  std::optional<int> ttl;          // hops, for multicast and unicast alike
  std::string multicastInterface;  // IPv4 address of the interface to send a group's datagrams on
};

int RunSend(const SendOptions& options, std::ostream& out);

}  // namespace rmf
