// Putting fragmented IPv4 and IPv6 datagrams back together, in any order,
// with duplicates and overlaps (the bytes that arrive first stay). Memory is
// bounded: datagrams wait a limited time, and past a byte or count limit the
// oldest are given up.
#pragma once

#include <compare>
#include <cstdint>
#include <map>
#include <optional>
#include <vector>

#include "rmf/capture/ip_packet.h"

namespace rmf {

struct ReassemblyLimits {
  std::size_t maxBufferedBytes = std::size_t{16} << 20U;
  std::size_t maxDatagrams = 1024;
  std::int64_t timeoutMicroseconds = 60'000'000;
};

class IpReassembler {
 public:
  explicit IpReassembler(ReassemblyLimits limits = {}) : limits_(limits) {}

  // The payload of the datagram this fragment completes, if it does.
  // `microseconds` is the fragment's time; older datagrams time out.
  std::optional<std::vector<std::uint8_t>> Add(const IpPacket& fragment, std::int64_t microseconds);

  // Gives up every datagram still waiting; returns all given up so far.
  std::uint64_t Finish();

  std::size_t BufferedBytes() const { return bufferedBytes_; }

 private:
  struct Key {
    bool isIpv6 = false;
    IpAddressBytes source{};
    IpAddressBytes destination{};
    std::uint32_t identification = 0;
    std::uint8_t protocol = 0;
    auto operator<=>(const Key&) const = default;
  };
  struct Datagram {
    std::uint64_t arrival = 0;
    std::int64_t firstMicroseconds = 0;
    std::vector<std::uint8_t> bytes;
    std::map<std::uint32_t, std::uint32_t> covered;  // start -> end, merged
    std::optional<std::uint32_t> length;             // known once the last fragment came
  };

  void GiveUp(std::map<Key, Datagram>::iterator datagram);
  void GiveUpOldest();
  void CopyUncovered(Datagram& datagram, std::uint32_t offset, PacketView bytes);

  ReassemblyLimits limits_;
  std::map<Key, Datagram> datagrams_;
  std::map<std::uint64_t, Key> byArrival_;
  std::uint64_t nextArrival_ = 0;
  std::size_t bufferedBytes_ = 0;
  std::uint64_t givenUp_ = 0;
};

}  // namespace rmf
