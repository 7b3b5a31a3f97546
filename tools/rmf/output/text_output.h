// The human-readable output of the commands.
#pragma once

#include <optional>
#include <ostream>
#include <string>

#include "rmf/capture/capture_reading.h"
#include "rmf/capture/capture_stats.h"
#include "rmf/documents/document_report.h"

namespace rmf {

// "HH:MM:SS:FF subframe S flag F"
std::string FormatTimecodeWithFlag(const Timecode& timecode);

// The same, or "-" when there is none.
std::string FormatOptionalTimecode(const std::optional<Timecode>& timecode);

// The box tree, one line per box, then the verdict and a summary of the
// decoded values.
void WriteDocumentText(std::ostream& out, const DocumentReport& report);

// One line per captured packet: index, time, addresses, payload length.
void WritePacketText(std::ostream& out, const CapturedPacket& packet, bool holdsDocument);

void WriteStatsText(std::ostream& out, const std::string& source, const CaptureStats& stats);

}  // namespace rmf
