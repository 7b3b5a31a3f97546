// A summary of a capture per sending host: documents per kind, frame rate,
// gaps and repeats in frame numbers, first and last timecode, malformed
// packets.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "box/box_reader.h"
#include "rmf/capture/capture_reading.h"
#include "rmf/documents/document_verdict.h"

namespace rmf {

using Timecode = std::array<std::uint8_t, 6>;

struct FrameStats {
  std::uint64_t count = 0;
  std::optional<std::int32_t> firstNumber;
  std::optional<std::int32_t> lastNumber;
  std::uint64_t gaps = 0;                         // jumps forward by more than one
  std::uint64_t missingFrames = 0;                // numbers skipped by those jumps
  std::uint64_t repeats = 0;                      // the same number as the frame before
  std::uint64_t backwards = 0;                    // a lower number than the frame before
  std::optional<std::int64_t> firstMicroseconds;  // packet times of the first and last frame
  std::optional<std::int64_t> lastMicroseconds;
  std::optional<Timecode> firstTimecode;
  std::optional<Timecode> lastTimecode;

  // Frames per second over the packet times, when two frames lie apart.
  std::optional<double> Rate() const;
};

struct SenderStats {
  std::string packetSource;               // "a.b.c.d:port" of the packets, "-" without
  std::set<std::string> documentSenders;  // "a.b.c.d:port" as the documents say
  std::array<std::uint64_t, kDocumentKindCount> documents{};  // accepted ones, by kind
  std::uint64_t malformedPackets = 0;
  std::uint64_t checksumFailures = 0;  // counted, and the payload still read
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
  bool plainFile = false;            // a document file rather than a capture
  std::vector<SenderStats> senders;  // in order of first appearance
};

// Adds one packet to the stats, as a capture is read or a stream received.
void CountPacket(CaptureStats& stats, const CapturedPacket& packet);

CaptureStats ComputeCaptureStats(const CaptureContents& capture);

}  // namespace rmf
