// Writing a pcap capture packet by packet, each flushed as it comes, so that
// a recording ended abruptly still holds every packet before the end. The
// file appears under its name only once closed; until then it is a
// ReplacingFile's temporary file.
#pragma once

#include <cstdint>
#include <string>

#include "rmf/capture/ip_packet.h"
#include "rmf/capture/pcap_handles.h"
#include "rmf/output/output_file.h"

namespace rmf {

class CaptureWriter {
 public:
  // `linkType` as libpcap numbers links (DLT_EN10MB, DLT_RAW...). Throws
  // InputError when the temporary file cannot be created.
  CaptureWriter(const std::string& path, int linkType);

  // Throws InputError when the packet cannot be written.
  void Write(std::int64_t seconds, std::uint32_t microseconds, PacketView packet);
  std::uint64_t Written() const { return written_; }

  // Moves the capture to its name; throws InputError when it cannot.
  // Without Close, the temporary file is removed and the path left as it was.
  void Close();

 private:
  std::string path_;
  ReplacingFile file_;
  PcapHandle handle_;
  PcapDumper dumper_;
  std::uint64_t written_ = 0;
};

}  // namespace rmf
