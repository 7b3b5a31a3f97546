#include "rmf/capture/capture_writing.h"

namespace rmf {
namespace {

constexpr int kSnapshotLength = 65535;

}  // namespace

CaptureWriter::CaptureWriter(const std::string& path, int linkType)
    : path_(path), file_(path), handle_(pcap_open_dead(linkType, kSnapshotLength)) {
  if (!handle_) {
    throw InputError("cannot start a capture for '" + path + "'");
  }
  dumper_.reset(pcap_dump_open(handle_.get(), file_.TemporaryPath().c_str()));
  if (!dumper_) {
    throw InputError("cannot write '" + path + "': " + pcap_geterr(handle_.get()));
  }
}

void CaptureWriter::Write(std::int64_t seconds, std::uint32_t microseconds, PacketView packet) {
  pcap_pkthdr header{};
  header.ts.tv_sec = static_cast<time_t>(seconds);
  header.ts.tv_usec = static_cast<suseconds_t>(microseconds);
  header.caplen = static_cast<bpf_u_int32>(packet.size());
  header.len = header.caplen;
  pcap_dump(reinterpret_cast<u_char*>(dumper_.get()), &header, packet.data());
  if (pcap_dump_flush(dumper_.get()) != 0) {
    throw InputError("cannot write '" + path_ + "'");
  }
  ++written_;
}

void CaptureWriter::Close() {
  if (!dumper_) {
    return;
  }
  const bool flushed = pcap_dump_flush(dumper_.get()) == 0;
  dumper_.reset();
  if (!flushed) {
    throw InputError("cannot write '" + path_ + "'");
  }
  file_.Commit();
}

}  // namespace rmf
