// Recording received datagrams into a pcap capture as they arrive: raw IP
// packets (IPv4 or IPv6 and UDP headers built with libtins from the socket's
// addresses), stamped with the receive time. The file appears under its name
// only once closed; until then it is a ReplacingFile's temporary file,
// flushed after every datagram.
#pragma once

#include <pcap/pcap.h>

#include <string>

#include "rmf/capture/capture_reading.h"
#include "rmf/output/output_file.h"

namespace rmf {

class CaptureRecorder {
 public:
  // Throws InputError when the temporary file cannot be created.
  explicit CaptureRecorder(const std::string& path);
  CaptureRecorder(const CaptureRecorder&) = delete;
  CaptureRecorder& operator=(const CaptureRecorder&) = delete;
  // Without Close, the temporary file is removed and the path left as it was.
  ~CaptureRecorder();

  void Record(const CapturedPacket& datagram);
  std::uint64_t Recorded() const { return recorded_; }

  // Moves the capture to its name; throws InputError when it cannot.
  void Close();

 private:
  ReplacingFile file_;
  pcap_t* handle_ = nullptr;
  pcap_dumper_t* dumper_ = nullptr;
  std::uint64_t recorded_ = 0;
};

}  // namespace rmf
