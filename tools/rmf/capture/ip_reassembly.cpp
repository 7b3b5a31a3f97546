#include "rmf/capture/ip_reassembly.h"

#include <algorithm>

namespace rmf {
namespace {

// No IP datagram is longer; a fragment reaching past it is hostile.
constexpr std::uint32_t kMaxDatagramPayload = 65535;

}  // namespace

void IpReassembler::GiveUp(std::map<Key, Datagram>::iterator datagram) {
  bufferedBytes_ -= datagram->second.bytes.size();
  byArrival_.erase(datagram->second.arrival);
  datagrams_.erase(datagram);
  ++givenUp_;
}

void IpReassembler::GiveUpOldest() { GiveUp(datagrams_.find(byArrival_.begin()->second)); }

void IpReassembler::CopyUncovered(Datagram& datagram, std::uint32_t offset, PacketView bytes) {
  const auto end = static_cast<std::uint32_t>(offset + bytes.size());
  std::uint32_t at = offset;
  auto next = datagram.covered.upper_bound(offset);
  if (next != datagram.covered.begin()) {
    at = std::max(at, std::prev(next)->second);
  }
  // Fill each gap between the stretches already covered.
  while (at < end) {
    const std::uint32_t gapEnd = next == datagram.covered.end() ? end : std::min(end, next->first);
    if (at < gapEnd) {
      std::copy(bytes.begin() + (at - offset), bytes.begin() + (gapEnd - offset),
                datagram.bytes.begin() + at);
    }
    if (next == datagram.covered.end()) {
      break;
    }
    at = std::max(at, next->second);
    ++next;
  }
  // Merge [offset, end) into the covered stretches.
  std::uint32_t start = offset;
  std::uint32_t stop = end;
  auto first = datagram.covered.upper_bound(offset);
  if (first != datagram.covered.begin() && std::prev(first)->second >= offset) {
    --first;
  }
  auto last = first;
  while (last != datagram.covered.end() && last->first <= end) {
    start = std::min(start, last->first);
    stop = std::max(stop, last->second);
    ++last;
  }
  datagram.covered.erase(first, last);
  datagram.covered.emplace(start, stop);
}

std::optional<std::vector<std::uint8_t>> IpReassembler::Add(const IpPacket& fragment,
                                                            std::int64_t microseconds) {
  while (!byArrival_.empty()) {
    const auto oldest = datagrams_.find(byArrival_.begin()->second);
    if (microseconds - oldest->second.firstMicroseconds <= limits_.timeoutMicroseconds) {
      break;
    }
    GiveUp(oldest);
  }
  const Key key{fragment.isIpv6, fragment.source, fragment.destination, fragment.identification,
                fragment.protocol};
  auto found = datagrams_.find(key);
  if (found == datagrams_.end()) {
    while (datagrams_.size() >= limits_.maxDatagrams && !byArrival_.empty()) {
      GiveUpOldest();
    }
    found = datagrams_.emplace(key, Datagram{nextArrival_, microseconds, {}, {}, {}}).first;
    byArrival_.emplace(nextArrival_++, key);
  }
  Datagram& datagram = found->second;
  const std::uint64_t end = std::uint64_t{fragment.fragmentOffset} + fragment.payload.size();
  // Pieces that cannot belong to a sound datagram are left out; it then
  // never completes and counts as incomplete.
  const bool usable = !fragment.CutShort() && !fragment.payload.empty() &&
                      end <= kMaxDatagramPayload &&
                      (!fragment.moreFragments || fragment.payload.size() % 8 == 0) &&
                      (!datagram.length || end <= *datagram.length) &&
                      (fragment.moreFragments || datagram.length.value_or(end) == end) &&
                      (fragment.moreFragments || datagram.covered.empty() ||
                       datagram.covered.rbegin()->second <= end);
  if (!usable) {
    return std::nullopt;
  }
  if (!fragment.moreFragments) {
    datagram.length = static_cast<std::uint32_t>(end);
  }
  if (datagram.bytes.size() < end) {
    const std::size_t growth = end - datagram.bytes.size();
    while (bufferedBytes_ + growth > limits_.maxBufferedBytes && byArrival_.size() > 1) {
      if (byArrival_.begin()->first == datagram.arrival) {
        GiveUp(datagrams_.find(std::next(byArrival_.begin())->second));
      } else {
        GiveUpOldest();
      }
    }
    datagram.bytes.resize(end);
    bufferedBytes_ += growth;
  }
  CopyUncovered(datagram, fragment.fragmentOffset, fragment.payload);
  const bool complete = datagram.length && datagram.covered.size() == 1 &&
                        datagram.covered.begin()->first == 0 &&
                        datagram.covered.begin()->second == *datagram.length;
  if (!complete) {
    return std::nullopt;
  }
  std::vector<std::uint8_t> whole = std::move(datagram.bytes);
  bufferedBytes_ -= whole.size();
  byArrival_.erase(datagram.arrival);
  datagrams_.erase(found);
  return whole;
}

std::uint64_t IpReassembler::Finish() {
  while (!byArrival_.empty()) {
    GiveUpOldest();
  }
  return givenUp_;
}

}  // namespace rmf
