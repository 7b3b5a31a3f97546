#include "rmf/capture/capture_recording.h"

#include "rmf/capture/packet_building.h"

namespace rmf {
namespace {

constexpr int kSnapshotLength = 65535;

}  // namespace

CaptureRecorder::CaptureRecorder(const std::string& path)
    : file_(path), handle_(pcap_open_dead(DLT_RAW, kSnapshotLength)) {
  if (handle_ == nullptr) {
    throw InputError("cannot start a capture for '" + path + "'");
  }
  dumper_ = pcap_dump_open(handle_, file_.TemporaryPath().c_str());
  if (dumper_ == nullptr) {
    const std::string reason = pcap_geterr(handle_);
    pcap_close(handle_);
    throw InputError("cannot write '" + path + "': " + reason);
  }
}

CaptureRecorder::~CaptureRecorder() {
  if (dumper_ != nullptr) {
    pcap_dump_close(dumper_);
  }
  if (handle_ != nullptr) {
    pcap_close(handle_);
  }
}

void CaptureRecorder::Record(const CapturedPacket& datagram) {
  const Bytes packet = BuildUdpPacket(datagram.source, datagram.destination, datagram.payload);
  pcap_pkthdr header{};
  header.ts.tv_sec = static_cast<time_t>(datagram.seconds);
  header.ts.tv_usec = static_cast<suseconds_t>(datagram.microseconds);
  header.caplen = static_cast<bpf_u_int32>(packet.size());
  header.len = header.caplen;
  pcap_dump(reinterpret_cast<u_char*>(dumper_), &header, packet.data());
  if (pcap_dump_flush(dumper_) != 0) {
    throw InputError("cannot write '" + file_.TemporaryPath() + "'");
  }
  ++recorded_;
}

void CaptureRecorder::Close() {
  if (dumper_ == nullptr) {
    return;
  }
  const bool flushed = pcap_dump_flush(dumper_) == 0;
  pcap_dump_close(dumper_);
  dumper_ = nullptr;
  if (!flushed) {
    throw InputError("cannot write '" + file_.TemporaryPath() + "'");
  }
  file_.Commit();
}

}  // namespace rmf
