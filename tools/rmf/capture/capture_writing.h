// Writing UDP payloads into a pcap capture (Ethernet, IPv4, UDP), as a
// sender's stream would be recorded.
#pragma once

#include <string>
#include <vector>

#include "rmf/capture/capture_reading.h"

namespace rmf {

struct PacketToWrite {
  std::int64_t seconds = 0;
  std::uint32_t microseconds = 0;
  UdpEndpoint source;
  UdpEndpoint destination;
  Bytes payload;
};

// Writes the capture file; throws InputError when it cannot be written.
void WriteUdpCapture(const std::string& path, const std::vector<PacketToWrite>& packets);

struct FrameToWrite {
  std::int64_t seconds = 0;
  std::uint32_t microseconds = 0;
  Bytes frame;
};

// Writes Ethernet frames as they are into a capture file.
void WriteEthernetCapture(const std::string& path, const std::vector<FrameToWrite>& frames);

}  // namespace rmf
