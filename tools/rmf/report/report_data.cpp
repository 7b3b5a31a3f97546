#include "rmf/report/report_data.h"

#include <algorithm>
#include <cmath>
#include <variant>

namespace rmf {
namespace {

constexpr std::size_t kHistogramBins = 60;

// Everything per frame until the end, when it is thinned.
struct SenderCollector {
  std::vector<double> intervalT, intervalV, clockT, clockV;
  std::optional<std::int64_t> lastFrameMicroseconds;
  SenderReport report;
};

// Keeps every stride-th item; when the kept ones pass the budget, every
// other one goes and the stride doubles, so the kept ones stay evenly spread.
template <class Keep, class Halve>
void KeepStrided(std::size_t& stride, std::size_t index, std::size_t kept, std::size_t budget,
                 Keep keep, Halve halve) {
  if (index % stride != 0) {
    return;
  }
  keep();
  if (kept + 1 > budget) {
    halve();
    stride *= 2;
  }
}

template <class T>
void KeepEveryOther(std::vector<T>& items) {
  std::size_t out = 0;
  for (std::size_t i = 0; i < items.size(); i += 2) {
    items[out++] = std::move(items[i]);
  }
  items.resize(out);
}

// At most `maxPoints`: the lowest and the highest point of each bucket, in
// time order, so that spikes survive thinning.
Series Thinned(const std::vector<double>& t, const std::vector<double>& v, std::size_t maxPoints) {
  Series series;
  series.sourcePoints = t.size();
  maxPoints = std::max<std::size_t>(maxPoints, 2);
  if (t.size() <= maxPoints) {
    series.t = t;
    series.v = v;
    return series;
  }
  const std::size_t bucket = (t.size() + maxPoints / 2 - 1) / (maxPoints / 2);
  for (std::size_t start = 0; start < t.size(); start += bucket) {
    const std::size_t end = std::min(t.size(), start + bucket);
    const auto first = v.begin() + static_cast<std::ptrdiff_t>(start);
    const auto last = v.begin() + static_cast<std::ptrdiff_t>(end);
    const auto [low, high] = std::minmax_element(first, last);
    const auto a = static_cast<std::size_t>(std::min(low, high) - v.begin());
    const auto b = static_cast<std::size_t>(std::max(low, high) - v.begin());
    series.t.push_back(t[a]);
    series.v.push_back(v[a]);
    if (b != a) {
      series.t.push_back(t[b]);
      series.v.push_back(v[b]);
    }
  }
  return series;
}

Histogram IntervalHistogram(const FrameStats& frames) {
  Histogram histogram;
  const std::optional<IntervalPercentiles> p = frames.Percentiles();
  if (!p) {
    return histogram;
  }
  // From the shortest interval to the 99.9th percentile, at least a tenth of
  // the median wide; the rest is counted above.
  double low = static_cast<double>(p->min);
  double high = p->p999;
  const double center = (low + high) / 2;
  const double half = std::max({(high - low) / 2, 0.05 * p->p50, 1.0});
  low = std::max(0.0, std::min(low, center - half));
  high = std::max(high, center + half);
  const double bin = (high - low) / kHistogramBins;
  histogram.lowMs = low / 1000;
  histogram.binMs = bin / 1000;
  histogram.maxMs = static_cast<double>(p->max) / 1000;
  histogram.counts.assign(kHistogramBins, 0);
  for (const auto& [interval, count] : frames.intervals) {
    const double at = (static_cast<double>(interval) - low) / bin;
    if (at >= kHistogramBins + 1e-9 || interval < 0) {
      histogram.above += count;
    } else {
      histogram.counts[std::min(kHistogramBins - 1, static_cast<std::size_t>(at))] += count;
    }
  }
  return histogram;
}

void AddSensorRecord(SenderReport& report, const SensorDataValues& values, double t,
                     std::size_t budget) {
  auto found = std::find_if(report.sensors.begin(), report.sensors.end(), [&](const auto& s) {
    return s.address == values.sensorAddress && s.name == values.sensorName;
  });
  if (found == report.sensors.end()) {
    found = report.sensors.insert(report.sensors.end(), SensorSeries{});
    found->address = values.sensorAddress;
    found->name = values.sensorName;
    found->jointIndex = values.sensorJointIndex;
  }
  SensorSeries& sensor = *found;
  const ravuna_motion_format::SensorValueArray recorded =
      values.sensorValues.value_or(ravuna_motion_format::SensorValueArray{});
  KeepStrided(
      sensor.stride, sensor.records++, sensor.t.size(), budget,
      [&] {
        sensor.t.push_back(t);
        for (std::size_t k = 0; k < 7; ++k) {
          sensor.values[k].push_back(recorded[k]);
        }
      },
      [&] {
        KeepEveryOther(sensor.t);
        for (auto& component : sensor.values) {
          KeepEveryOther(component);
        }
      });
}

// `t` is seconds since the capture's first packet, `microseconds` the capture
// time; intervals come from the latter, exact to the microsecond.
void AddFrame(SenderCollector& collector, const FrameDataValues& values, FrameEvent event, double t,
              std::int64_t microseconds, const ReportLimits& limits) {
  SenderReport& report = collector.report;
  const double seconds = static_cast<double>(microseconds) / 1e6;
  if (collector.lastFrameMicroseconds) {
    collector.intervalT.push_back(t);
    collector.intervalV.push_back(
        static_cast<double>(microseconds - *collector.lastFrameMicroseconds) / 1000);
  }
  collector.lastFrameMicroseconds = microseconds;
  if (values.frame.uttm != 0.0) {
    collector.clockT.push_back(t);
    collector.clockV.push_back((values.frame.uttm - seconds) * 1000);
  }
  if (event == FrameEvent::reordered || event == FrameEvent::repeat ||
      event == FrameEvent::backwards) {
    std::vector<FrameMark>& marks = report.events[event];
    if (++report.eventCounts[event] <= limits.eventsKept) {
      marks.push_back({t, values.frame.frameNumber, 1});
    }
  }
  AnimationFrames& animation = report.animation;
  const std::size_t values3 = std::max<std::size_t>(1, 3 * values.boneIds.size());
  KeepStrided(
      animation.stride, animation.sourceFrames++, animation.frames.size(),
      std::max<std::size_t>(2, limits.animationValues / values3),
      [&] {
        animation.t.push_back(t);
        animation.numbers.push_back(values.frame.frameNumber);
        animation.frames.push_back(values);
      },
      [&] {
        KeepEveryOther(animation.t);
        KeepEveryOther(animation.numbers);
        KeepEveryOther(animation.frames);
      });
}

void AddProblem(CaptureReport& report, const CapturedPacket& packet, double t, std::string kind,
                std::string text, const ReportLimits& limits) {
  ++report.problemCounts[kind + ": " + text];
  if (report.problems.size() < limits.problemsKept) {
    report.problems.push_back({packet.index, t,
                               packet.isUdp ? FormatEndpoint(packet.source) : std::string("-"),
                               std::move(kind), std::move(text)});
  }
}

}  // namespace

CaptureReport BuildCaptureReport(const std::string& path, const Bytes& bytes,
                                 const ReportLimits& limits) {
  CaptureReport report;
  report.path = path;
  CaptureContents capture;
  const bool isCapture = LooksLikeCapture(bytes);
  if (isCapture) {
    capture = ReadCapture(bytes);
  } else {
    CapturedPacket& packet = capture.packets.emplace_back();
    packet.index = 1;
    packet.isUdp = true;
    packet.payload = bytes;
  }
  report.damage = capture.damage;
  if (!capture.packets.empty()) {
    const CapturedPacket& first = capture.packets.front();
    report.firstMicroseconds = first.seconds * 1000000 + first.microseconds;
  }
  std::vector<SenderCollector> collectors;
  for (const CapturedPacket& packet : capture.packets) {
    const std::int64_t micros = packet.seconds * 1000000 + packet.microseconds;
    const double t = static_cast<double>(micros - report.firstMicroseconds) / 1e6;
    const CountedPacket counted = CountPacketVerdict(report.stats, packet);
    const DocumentVerdict& verdict = counted.verdict;
    if (packet.checksumFailed) {
      AddProblem(report, packet, t, "checksum",
                 packet.checksumOffloadLikely
                     ? "bad UDP checksum, likely checksum offload: captured on the sending host"
                     : "bad UDP checksum",
                 limits);
    }
    if (!packet.malformation.empty()) {
      AddProblem(report, packet, t, "malformed", packet.malformation, limits);
    } else if (verdict.holdsDocument && !verdict.accepted) {
      AddProblem(report, packet, t, "malformed", verdict.text, limits);
    } else if (verdict.accepted && verdict.lenientReads != 0) {
      AddProblem(report, packet, t, "lenient read", verdict.text, limits);
    }
    if (counted.sender == nullptr || !verdict.accepted) {
      continue;
    }
    const auto index = static_cast<std::size_t>(counted.sender - report.stats.senders.data());
    collectors.resize(std::max(collectors.size(), index + 1));
    SenderCollector& collector = collectors[index];
    if (const auto* frame = std::get_if<FrameDataValues>(&verdict.values)) {
      AddFrame(collector, *frame, *counted.frameEvent, t, micros, limits);
    } else if (const auto* skeleton = std::get_if<SkeletonDefinitionValues>(&verdict.values)) {
      collector.report.skeleton = *skeleton;
    } else if (const auto* sensor = std::get_if<SensorDataValues>(&verdict.values)) {
      AddSensorRecord(collector.report, *sensor, t, limits.sensorPoints);
    }
  }
  FinishStats(report.stats);
  report.stats.incompleteDatagrams = capture.incompleteDatagrams;
  report.stats.plainFile = !isCapture;
  collectors.resize(report.stats.senders.size());
  for (std::size_t i = 0; i < collectors.size(); ++i) {
    SenderCollector& collector = collectors[i];
    SenderReport& sender = collector.report;
    const FrameStats& frames = report.stats.senders[i].frames;
    if (!isCapture) {
      report.stats.senders[i].packetSource = "file";
    }
    sender.intervalsMs = Thinned(collector.intervalT, collector.intervalV, limits.seriesPoints);
    sender.clockMs = Thinned(collector.clockT, collector.clockV, limits.seriesPoints);
    sender.histogram = IntervalHistogram(frames);
    for (const MissingRun& run : frames.missingRuns) {
      sender.gaps.push_back(
          {static_cast<double>(run.jumpMicroseconds - report.firstMicroseconds) / 1e6, run.first,
           run.count});
    }
    report.senders.push_back(std::move(sender));
  }
  return report;
}

}  // namespace rmf
