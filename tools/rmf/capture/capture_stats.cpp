#include "rmf/capture/capture_stats.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <variant>

namespace rmf {
namespace {

using ravuna_motion_format::BoxType;

std::string PacketSourceName(const CapturedPacket& packet) {
  const bool unknown = packet.source.address == 0 && packet.source.port == 0 &&
                       (!packet.source.isIpv6 || packet.source.address6 == IpAddressBytes{});
  return unknown ? "-" : FormatEndpoint(packet.source);
}

SenderStats& SenderOf(CaptureStats& stats, const std::string& packetSource) {
  const auto found =
      std::find_if(stats.senders.begin(), stats.senders.end(),
                   [&](const SenderStats& sender) { return sender.packetSource == packetSource; });
  if (found != stats.senders.end()) {
    return *found;
  }
  SenderStats& added = stats.senders.emplace_back();
  added.packetSource = packetSource;
  return added;
}

std::optional<FrameEvent> CountDocument(SenderStats& sender, const DocumentVerdict& verdict,
                                        std::int64_t packetTime) {
  const std::uint32_t port = std::visit(
      [](const auto& values) -> std::uint32_t {
        if constexpr (std::is_same_v<std::decay_t<decltype(values)>, std::monostate>) {
          return 0;
        } else {
          return values.port.value_or(0);
        }
      },
      verdict.values);
  sender.documentSenders.insert(verdict.ipText + ":" + std::to_string(port));
  ++sender.documents[static_cast<std::size_t>(verdict.kind)];
  if (verdict.kind != DocumentKind::frameData) {
    return std::nullopt;
  }
  const FrameDataValues& values = std::get<FrameDataValues>(verdict.values);
  return sender.frames.Add(values.frame.frameNumber, values.frame.uttm, values.frame.timecode,
                           packetTime);
}

// The interval at 0-based rank `rank` of the sorted intervals.
std::int64_t IntervalAtRank(const std::map<std::int64_t, std::uint64_t>& intervals,
                            std::uint64_t rank) {
  std::uint64_t below = 0;
  for (const auto& [interval, count] : intervals) {
    below += count;
    if (rank < below) {
      return interval;
    }
  }
  return intervals.rbegin()->first;
}

// Interpolated between the two ranks around q * (n - 1).
double IntervalQuantile(const std::map<std::int64_t, std::uint64_t>& intervals, std::uint64_t n,
                        double q) {
  const double rank = q * static_cast<double>(n - 1);
  const auto lower = static_cast<std::uint64_t>(std::floor(rank));
  const auto upper = static_cast<std::uint64_t>(std::ceil(rank));
  const auto low = static_cast<double>(IntervalAtRank(intervals, lower));
  const auto high = static_cast<double>(IntervalAtRank(intervals, upper));
  return low + (high - low) * (rank - static_cast<double>(lower));
}

}  // namespace

std::optional<double> FrameStats::Rate() const {
  if (count < 2 || !firstMicroseconds || !lastMicroseconds ||
      *lastMicroseconds <= *firstMicroseconds) {
    return std::nullopt;
  }
  return static_cast<double>(count - 1) * 1e6 /
         static_cast<double>(*lastMicroseconds - *firstMicroseconds);
}

std::optional<IntervalPercentiles> FrameStats::Percentiles() const {
  if (intervals.empty()) {
    return std::nullopt;
  }
  std::uint64_t n = 0;
  for (const auto& entry : intervals) {
    n += entry.second;
  }
  return IntervalPercentiles{intervals.begin()->first,
                             IntervalQuantile(intervals, n, 0.5),
                             IntervalQuantile(intervals, n, 0.9),
                             IntervalQuantile(intervals, n, 0.99),
                             IntervalQuantile(intervals, n, 0.999),
                             intervals.rbegin()->first};
}

std::optional<ClockEstimate> FrameStats::Clock() const {
  if (clockFrames_ < 2) {
    return std::nullopt;
  }
  const auto n = static_cast<double>(clockFrames_);
  const double spread = n * sumXX_ - sumX_ * sumX_;
  const double slope = spread > 0 ? (n * sumXY_ - sumX_ * sumY_) / spread : 0.0;
  return ClockEstimate{*clockY0_ + sumY_ / n, slope * 1e6, *clockX0_ + sumX_ / n, clockFrames_};
}

void FrameStats::ConfirmMissing(std::int64_t number, std::int64_t jumpMicroseconds) {
  ++missingFrames;
  if (lastMissing_ && number == *lastMissing_ + 1 && !missingRuns.empty() &&
      missingRuns.back().first + missingRuns.back().count == number) {
    ++missingRuns.back().count;
  } else if (!lastMissing_ || number != *lastMissing_ + 1) {
    ++gaps;
    if (missingRuns.size() < kMissingRunsKept) {
      missingRuns.push_back({number, 1, jumpMicroseconds});
    }
  }
  lastMissing_ = number;
}

void FrameStats::ConfirmUpTo(std::int64_t below) {
  while (!awaited_.empty() && awaited_.begin()->first < below) {
    ConfirmMissing(awaited_.begin()->first, awaited_.begin()->second);
    awaited_.erase(awaited_.begin());
  }
}

FrameEvent FrameStats::Add(std::int32_t number, double uttm, const Timecode& timecode,
                           std::int64_t microseconds) {
  const std::int64_t n = number;
  FrameEvent event = FrameEvent::first;
  if (!highest_) {
    firstNumber = number;
    firstMicroseconds = microseconds;
    firstTimecode = timecode;
    highest_ = n;
  } else {
    ++intervals[microseconds - *lastMicroseconds];
    if (n == *highest_ + 1) {
      event = FrameEvent::inOrder;
      highest_ = n;
    } else if (n > *highest_) {
      event = FrameEvent::jump;
      // Numbers a whole window behind the new one are missing at once; a
      // jump of millions is counted without awaiting each number.
      const std::int64_t awaitFrom = std::max(*highest_ + 1, n - kReorderWindow + 1);
      ConfirmUpTo(n - kReorderWindow + 1);
      const std::int64_t goneAtOnce = awaitFrom - (*highest_ + 1);
      if (goneAtOnce > 0) {
        ConfirmMissing(*highest_ + 1, microseconds);
        missingFrames += static_cast<std::uint64_t>(goneAtOnce - 1);
        if (!missingRuns.empty() && missingRuns.back().first == *highest_ + 1) {
          missingRuns.back().count = goneAtOnce;
        }
        lastMissing_ = awaitFrom - 1;
      }
      for (std::int64_t k = awaitFrom; k < n; ++k) {
        awaited_.emplace(k, microseconds);
      }
      highest_ = n;
    } else if (received_.contains(n)) {
      event = FrameEvent::repeat;
      ++repeats;
    } else if (n > *highest_ - kReorderWindow) {
      // Late: skipped by a jump, or older than the first frame.
      event = FrameEvent::reordered;
      ++reordered;
      awaited_.erase(n);
    } else {
      event = FrameEvent::backwards;
      ++backwards;
      ConfirmUpTo(*highest_ + 1);
      lastMissing_.reset();
      received_.clear();
      highest_ = n;
    }
  }
  received_.insert(n);
  while (*received_.begin() <= *highest_ - kReorderWindow) {
    received_.erase(received_.begin());
  }
  if (uttm != 0.0) {
    const double seconds = static_cast<double>(microseconds) * 1e-6;
    const double transit = seconds - uttm;
    // RFC 3550, 6.4.1: J += (|D| - J) / 16, D the change in transit time. A
    // frame sent again with the same uttm is no new sample.
    if (lastTransit_ && lastUttm_ != uttm) {
      const double change = std::abs(transit - *lastTransit_) * 1e6;
      const double jitter = jitterMicroseconds.value_or(0.0);
      jitterMicroseconds = jitter + (change - jitter) / 16.0;
    }
    lastTransit_ = transit;
    lastUttm_ = uttm;
    clockX0_ = clockX0_.value_or(seconds);
    clockY0_ = clockY0_.value_or(-transit);
    const double x = seconds - *clockX0_;
    const double y = -transit - *clockY0_;
    sumX_ += x;
    sumY_ += y;
    sumXX_ += x * x;
    sumXY_ += x * y;
    ++clockFrames_;
  }
  ++count;
  lastNumber = number;
  lastMicroseconds = microseconds;
  lastTimecode = timecode;
  return event;
}

void FrameStats::Finish() { ConfirmUpTo(std::numeric_limits<std::int64_t>::max()); }

CountedPacket CountPacketVerdict(CaptureStats& stats, const CapturedPacket& packet) {
  CountedPacket counted;
  ++stats.packets;
  stats.fragments += packet.isFragment ? 1 : 0;
  if (!packet.isUdp) {
    return counted;
  }
  ++stats.udpPackets;
  stats.checksumFailures += packet.checksumFailed ? 1 : 0;
  stats.checksumOffload += packet.checksumOffloadLikely ? 1 : 0;
  if (packet.malformation.empty()) {
    counted.verdict = JudgeDocument(packet.payload);
  }
  const DocumentVerdict& verdict = counted.verdict;
  if (packet.malformation.empty() && !verdict.holdsDocument) {
    ++stats.otherUdpPackets;
    return counted;
  }
  SenderStats& sender = SenderOf(stats, PacketSourceName(packet));
  counted.sender = &sender;
  sender.checksumFailures += packet.checksumFailed ? 1 : 0;
  sender.checksumOffload += packet.checksumOffloadLikely ? 1 : 0;
  if (!verdict.accepted) {
    ++stats.malformedPackets;
    ++sender.malformedPackets;
    return counted;
  }
  ++stats.documents;
  const std::int64_t packetTime = packet.seconds * 1000000 + packet.microseconds;
  counted.frameEvent = CountDocument(sender, verdict, packetTime);
  return counted;
}

void CountPacket(CaptureStats& stats, const CapturedPacket& packet) {
  CountPacketVerdict(stats, packet);
}

void FinishStats(CaptureStats& stats) {
  for (SenderStats& sender : stats.senders) {
    sender.frames.Finish();
  }
}

CaptureStats ComputeCaptureStats(const CaptureContents& capture) {
  CaptureStats stats;
  for (const CapturedPacket& packet : capture.packets) {
    CountPacket(stats, packet);
  }
  FinishStats(stats);
  stats.incompleteDatagrams = capture.incompleteDatagrams;
  return stats;
}

}  // namespace rmf
