// The JSON output of the commands: one object per document, per packet or
// per capture summary. Field names are stable; the README lists them.
#pragma once

#include <string>

#include "rmf/capture/capture_reading.h"
#include "rmf/capture/capture_stats.h"
#include "rmf/documents/document_report.h"
#include "rmf/output/json_values.h"

namespace rmf {

// The decoded values of an accepted document, the input of `rmf encode`.
Json DocumentValuesToJson(const DocumentVerdict& verdict);

// Source, length, kind, verdict, box tree and (when accepted) the values.
Json DocumentToJson(const DocumentReport& report);

// Index, time, addresses and payload length of a captured packet.
Json PacketToJson(const CapturedPacket& packet);

Json StatsToJson(const std::string& source, const CaptureStats& stats);

// One line of output. Values from documents are already valid UTF-8; a file
// name that is not has its bad bytes replaced rather than failing.
std::string JsonLine(const Json& object);

}  // namespace rmf
