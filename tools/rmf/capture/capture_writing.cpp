#include "rmf/capture/capture_writing.h"

#include <pcap/pcap.h>

#include <array>
#include <memory>

#include "rmf/capture/packet_building.h"
#include "rmf/output/output_file.h"

namespace rmf {
namespace {

constexpr int kSnapshotLength = 65535;

struct PcapCloser {
  void operator()(pcap_t* handle) const { pcap_close(handle); }
};

struct DumperCloser {
  void operator()(pcap_dumper_t* dumper) const { pcap_dump_close(dumper); }
};

}  // namespace

void WriteUdpCapture(const std::string& path, const std::vector<PacketToWrite>& packets) {
  std::vector<FrameToWrite> frames;
  frames.reserve(packets.size());
  for (const PacketToWrite& packet : packets) {
    frames.push_back(
        {packet.seconds, packet.microseconds,
         EthernetFrameOf(BuildUdpPacket(packet.source, packet.destination, packet.payload))});
  }
  WriteEthernetCapture(path, frames);
}

void WriteEthernetCapture(const std::string& path, const std::vector<FrameToWrite>& frames) {
  const std::unique_ptr<pcap_t, PcapCloser> handle(pcap_open_dead(DLT_EN10MB, kSnapshotLength));
  if (!handle) {
    throw InputError("cannot start a capture for '" + path + "'");
  }
  ReplacingFile file(path);
  std::unique_ptr<pcap_dumper_t, DumperCloser> dumper(
      pcap_dump_open(handle.get(), file.TemporaryPath().c_str()));
  if (!dumper) {
    throw InputError("cannot write '" + path + "': " + pcap_geterr(handle.get()));
  }
  for (const FrameToWrite& frame : frames) {
    pcap_pkthdr header{};
    header.ts.tv_sec = static_cast<time_t>(frame.seconds);
    header.ts.tv_usec = static_cast<suseconds_t>(frame.microseconds);
    header.caplen = static_cast<bpf_u_int32>(frame.frame.size());
    header.len = header.caplen;
    pcap_dump(reinterpret_cast<u_char*>(dumper.get()), &header, frame.frame.data());
  }
  if (pcap_dump_flush(dumper.get()) != 0) {
    throw InputError("cannot write '" + path + "'");
  }
  dumper.reset();
  file.Commit();
}

}  // namespace rmf
