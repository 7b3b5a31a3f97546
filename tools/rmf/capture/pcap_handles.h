// libpcap's handles, each closed when it goes out of scope.
#pragma once

#include <pcap/pcap.h>

#include <memory>

namespace rmf {

struct PcapCloser {
  void operator()(pcap_t* handle) const { pcap_close(handle); }
};

struct PcapDumperCloser {
  void operator()(pcap_dumper_t* dumper) const { pcap_dump_close(dumper); }
};

using PcapHandle = std::unique_ptr<pcap_t, PcapCloser>;
using PcapDumper = std::unique_ptr<pcap_dumper_t, PcapDumperCloser>;

}  // namespace rmf
