#include "rmf/network/stream_table.h"

#include <array>
#include <cstdio>

#include "rmf/output/json_output.h"
#include "rmf/output/text_output.h"

namespace rmf {
namespace {

std::string RateText(const FrameStats& frames) {
  const std::optional<double> rate = frames.Rate();
  if (!rate) {
    return "-";
  }
  std::array<char, 32> text{};
  std::snprintf(text.data(), text.size(), "%.1f", *rate);
  return text.data();
}

// The header's columns are as wide as the rows'.
std::string TableHeader() {
  std::array<char, 256> row{};
  std::snprintf(row.data(), row.size(), "%-28s %5s %7s %6s %7s %7s %9s %7s %9s  %s", "sender",
                "skdf", "frames", "sensor", "rate/s", "missing", "reordered", "repeats",
                "malformed", "last timecode");
  return row.data();
}

std::string TableRow(const SenderStats& sender) {
  std::array<char, 256> row{};
  std::snprintf(
      row.data(), row.size(), "%-28s %5llu %7llu %6llu %7s %7llu %9llu %7llu %9llu  %s",
      sender.packetSource.c_str(),
      static_cast<unsigned long long>(sender.DocumentsOf(DocumentKind::skeletonDefinition)),
      static_cast<unsigned long long>(sender.DocumentsOf(DocumentKind::frameData)),
      static_cast<unsigned long long>(sender.DocumentsOf(DocumentKind::sensorData)),
      RateText(sender.frames).c_str(), static_cast<unsigned long long>(sender.frames.missingFrames),
      static_cast<unsigned long long>(sender.frames.reordered),
      static_cast<unsigned long long>(sender.frames.repeats),
      static_cast<unsigned long long>(sender.malformedPackets),
      FormatOptionalTimecode(sender.frames.lastTimecode).c_str());
  return row.data();
}

}  // namespace

void StreamTable::Show(std::ostream& out, const CaptureStats& stats, double elapsedSeconds) {
  std::array<char, 32> elapsed{};
  std::snprintf(elapsed.data(), elapsed.size(), "%.0f s", elapsedSeconds);
  switch (view_) {
    case StreamView::json: {
      Json object = StatsToJson(source_, stats);
      object["elapsed_seconds"] = elapsedSeconds;
      out << JsonLine(object);
      break;
    }
    case StreamView::lines:
      for (const SenderStats& sender : stats.senders) {
        out << elapsed.data() << "  " << sender.packetSource << "  skeletons "
            << sender.DocumentsOf(DocumentKind::skeletonDefinition) << ", frames "
            << sender.DocumentsOf(DocumentKind::frameData) << ", sensors "
            << sender.DocumentsOf(DocumentKind::sensorData) << ", rate " << RateText(sender.frames)
            << "/s, missing " << sender.frames.missingFrames << ", reordered "
            << sender.frames.reordered << ", repeats " << sender.frames.repeats
            << ", last timecode " << FormatOptionalTimecode(sender.frames.lastTimecode)
            << ", malformed " << sender.malformedPackets << "\n";
      }
      break;
    case StreamView::table:
      // Back to the first line of the previous table, which is then cleared.
      if (linesShown_ > 0) {
        out << "\x1b[" << linesShown_ << "F\x1b[J";
      }
      out << source_ << "  " << elapsed.data() << "  " << stats.udpPackets << " datagrams, "
          << stats.otherUdpPackets << " without a document\n"
          << TableHeader() << "\n";
      for (const SenderStats& sender : stats.senders) {
        out << TableRow(sender) << "\n";
      }
      linesShown_ = 2 + stats.senders.size();
      break;
  }
  out.flush();
}

}  // namespace rmf
