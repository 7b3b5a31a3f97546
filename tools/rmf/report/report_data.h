// What `rmf report` shows of a capture, gathered in one pass over its
// packets: the stats of `rmf stats`, and per sender the series to plot (the
// frames' times, intervals and events, uttm against capture time, sensor
// values) and the frames to animate. Statistics use every frame; series
// longer than their budget are thinned, and say by how much.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "rmf/capture/capture_stats.h"
#include "rmf/documents/document_values.h"

namespace rmf {

// Budgets of what the page carries per sender.
struct ReportLimits {
  std::size_t seriesPoints = 20000;       // interval and clock plots, each
  std::size_t sensorPoints = 5000;        // per sensor
  std::size_t animationValues = 1500000;  // joint coordinates over all animated frames
  std::size_t eventsKept = 5000;          // marks per kind of event
  std::size_t problemsKept = 2000;        // rows of the problem list, per capture
};

// A series of (seconds since the capture's first packet, value) points.
struct Series {
  std::vector<double> t;
  std::vector<double> v;
  std::size_t sourcePoints = 0;  // before thinning
};

struct FrameMark {
  double t = 0;
  std::int64_t number = 0;
  std::int64_t count = 1;  // frames missing, for a gap
};

struct Histogram {
  double lowMs = 0;
  double binMs = 0;
  std::vector<std::uint64_t> counts;
  std::uint64_t above = 0;  // intervals past the last bin
  double maxMs = 0;
};

struct SensorSeries {
  std::string address;
  std::string name;
  std::optional<int> jointIndex;
  std::vector<double> t;
  std::array<std::vector<float>, 7> values;
  std::size_t records = 0;
  std::size_t stride = 1;  // every stride-th record kept
};

// The frames kept for the animation: every stride-th frame as it arrived.
struct AnimationFrames {
  std::size_t stride = 1;
  std::size_t sourceFrames = 0;
  std::vector<double> t;
  std::vector<std::int32_t> numbers;
  std::vector<FrameDataValues> frames;
};

struct SenderReport {
  Series intervalsMs;                                   // each frame's interval from the one before
  Series clockMs;                                       // uttm - capture time
  std::map<FrameEvent, std::vector<FrameMark>> events;  // reordered, repeat, backwards
  std::map<FrameEvent, std::uint64_t> eventCounts;
  std::vector<FrameMark> gaps;  // from the stats' missing runs
  Histogram histogram;
  std::optional<SkeletonDefinitionValues> skeleton;  // the last one received
  AnimationFrames animation;
  std::vector<SensorSeries> sensors;
};

struct Problem {
  std::uint64_t packet = 0;
  double t = 0;
  std::string source;
  std::string kind;  // "malformed", "lenient read", "checksum"
  std::string text;
};

struct CaptureReport {
  std::string path;
  CaptureStats stats;
  std::vector<SenderReport> senders;                   // as stats.senders
  std::vector<Problem> problems;                       // the first problemsKept
  std::map<std::string, std::uint64_t> problemCounts;  // "kind: text" -> how often
  std::string damage;
  std::int64_t firstMicroseconds = 0;
};

// The report of a capture, or of a plain document file as a capture of one
// packet.
CaptureReport BuildCaptureReport(const std::string& path, const Bytes& bytes,
                                 const ReportLimits& limits = {});

}  // namespace rmf
