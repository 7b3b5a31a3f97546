// A summary of a capture per sending host: documents per kind, frame rate,
// frames missing, reordered, repeated or going back, frame intervals and
// jitter, the sender's clock against the capture's, first and last
// timecode, malformed packets.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "box/box_reader.h"
#include "rmf/capture/capture_reading.h"
#include "rmf/documents/document_verdict.h"

namespace rmf {

using Timecode = std::array<std::uint8_t, 6>;

// A frame number skipped by a jump forward counts as missing once a frame
// this many numbers past it has arrived without it, or the stream ends; one
// that arrives before then counts as reordered. A number further back than
// this is the numbering starting again.
inline constexpr std::int64_t kReorderWindow = 64;

// What one frame's number says about the stream, as it arrives.
enum class FrameEvent { first, inOrder, jump, reordered, repeat, backwards };

// Numbers that never arrived, in a run: `first` to `first + count - 1`,
// skipped by the frame that arrived at `jumpMicroseconds`.
struct MissingRun {
  std::int64_t first = 0;
  std::int64_t count = 0;
  std::int64_t jumpMicroseconds = 0;
};

// Percentiles of the intervals between frames, in microseconds.
struct IntervalPercentiles {
  std::int64_t min = 0;
  double p50 = 0;
  double p90 = 0;
  double p99 = 0;
  double p999 = 0;
  std::int64_t max = 0;
};

// uttm minus capture time, fitted by least squares over the frames: its mean
// and its slope. Estimates: nothing says the two clocks agree.
struct ClockEstimate {
  double offsetSeconds = 0;  // mean of uttm - capture time
  double driftPpm = 0;       // slope, microseconds per second of capture time
  double meanSeconds = 0;    // the capture time at which the fitted line is offsetSeconds
  std::uint64_t frames = 0;  // frames that carried a uttm
};

struct FrameStats {
  std::uint64_t count = 0;
  std::optional<std::int32_t> firstNumber;
  std::optional<std::int32_t> lastNumber;
  std::uint64_t gaps = 0;           // runs of numbers that never arrived
  std::uint64_t missingFrames = 0;  // numbers that never arrived (within kReorderWindow)
  std::uint64_t reordered = 0;      // frames that came after a higher number, within the window
  std::uint64_t repeats = 0;        // a number already received
  std::uint64_t backwards = 0;      // back further than the window: the numbering began again
  std::optional<std::int64_t> firstMicroseconds;  // packet times of the first and last frame
  std::optional<std::int64_t> lastMicroseconds;
  std::optional<Timecode> firstTimecode;
  std::optional<Timecode> lastTimecode;
  std::map<std::int64_t, std::uint64_t> intervals;  // microseconds between frames -> how often
  std::optional<double> jitterMicroseconds;         // RFC 3550 interarrival jitter over uttm
  std::vector<MissingRun> missingRuns;              // the first kMissingRunsKept of them
  static constexpr std::size_t kMissingRunsKept = 10000;

  // Frames per second over the packet times, when two frames lie apart.
  std::optional<double> Rate() const;
  // Of every interval, when there are any.
  std::optional<IntervalPercentiles> Percentiles() const;
  // When at least two frames carried a uttm.
  std::optional<ClockEstimate> Clock() const;

  // Adds a frame arriving at `microseconds` (capture time).
  FrameEvent Add(std::int32_t number, double uttm, const Timecode& timecode,
                 std::int64_t microseconds);
  // The stream has ended: numbers still awaited are missing.
  void Finish();

 private:
  void ConfirmMissing(std::int64_t number, std::int64_t jumpMicroseconds);
  void ConfirmUpTo(std::int64_t below);

  std::optional<std::int64_t> highest_;
  std::map<std::int64_t, std::int64_t> awaited_;  // skipped numbers -> time of the jump
  std::set<std::int64_t> received_;               // the numbers within the window that came
  std::optional<std::int64_t> lastMissing_;
  std::optional<double> lastTransit_;  // capture time minus uttm of the frame before, seconds
  double lastUttm_ = 0;
  // Sums of the least-squares fit, taken about the first frame's values so
  // that they stay small.
  std::optional<double> clockX0_;
  std::optional<double> clockY0_;
  double sumX_ = 0, sumY_ = 0, sumXX_ = 0, sumXY_ = 0;
  std::uint64_t clockFrames_ = 0;
};

struct SenderStats {
  std::string packetSource;               // "a.b.c.d:port" of the packets, "-" without
  std::set<std::string> documentSenders;  // "a.b.c.d:port" as the documents say
  std::array<std::uint64_t, kDocumentKindCount> documents{};  // accepted ones, by kind
  std::uint64_t malformedPackets = 0;
  std::uint64_t checksumFailures = 0;  // counted, and the payload still read
  std::uint64_t checksumOffload = 0;   // of those, likely left for the network card to fill
  FrameStats frames;

  std::uint64_t DocumentsOf(DocumentKind kind) const {
    return documents[static_cast<std::size_t>(kind)];
  }
};

struct CaptureStats {
  std::uint64_t packets = 0;
  std::uint64_t udpPackets = 0;
  std::uint64_t documents = 0;         // accepted documents
  std::uint64_t malformedPackets = 0;  // unreadable UDP, or a rejected document
  std::uint64_t otherUdpPackets = 0;   // UDP payloads holding no document
  std::uint64_t fragments = 0;         // packets carrying an IP fragment
  std::uint64_t incompleteDatagrams = 0;
  std::uint64_t checksumFailures = 0;
  std::uint64_t checksumOffload = 0;
  bool plainFile = false;            // a document file rather than a capture
  std::vector<SenderStats> senders;  // in order of first appearance
};

// Adds one packet to the stats, as a capture is read or a stream received.
void CountPacket(CaptureStats& stats, const CapturedPacket& packet);

// What CountPacket counted a packet as: its sender (null for packets of no
// sender), its verdict, and the frame's event when it held an accepted frame.
struct CountedPacket {
  SenderStats* sender = nullptr;
  DocumentVerdict verdict;
  std::optional<FrameEvent> frameEvent;
};
CountedPacket CountPacketVerdict(CaptureStats& stats, const CapturedPacket& packet);

// The stream has ended: frames still awaited are missing.
void FinishStats(CaptureStats& stats);

CaptureStats ComputeCaptureStats(const CaptureContents& capture);

}  // namespace rmf
