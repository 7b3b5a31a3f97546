#include "commands.h"

#include <fstream>
#include <sstream>

#include "capture_reading.h"
#include "capture_stats.h"
#include "document_encoding.h"
#include "json_output.h"
#include "text_output.h"
#include "value_format.h"

namespace rmf {
namespace {

Bytes ReadBytes(const std::string& path, bool hex) {
  Bytes bytes = ReadInput(path);
  if (!hex) {
    return bytes;
  }
  try {
    return ParseHexText({reinterpret_cast<const char*>(bytes.data()), bytes.size()});
  } catch (const InputError& error) {
    throw InputError(path + ": " + error.what());
  }
}

int InspectDocumentBytes(const std::string& source, const Bytes& bytes, bool json,
                         std::ostream& out) {
  const DocumentReport report = InspectDocument(source, bytes);
  if (json) {
    out << JsonLine(DocumentToJson(report));
  } else {
    WriteDocumentText(out, report);
  }
  return report.verdict.accepted ? kExitSuccess : kExitRejected;
}

// Damage ends a capture: what came before it is shown, then the damage is
// reported as an input error.
void ThrowIfDamaged(const std::string& source, const CaptureContents& capture, std::ostream& out) {
  if (!capture.damage.empty()) {
    out.flush();
    throw InputError(source + ": " + capture.damage);
  }
}

int InspectCapture(const std::string& source, const Bytes& bytes, bool json, std::ostream& out) {
  int status = kExitSuccess;
  const CaptureContents capture = ReadCapture(bytes);
  for (const CapturedPacket& packet : capture.packets) {
    const bool holdsDocument = packet.isUdp && HoldsDocument(packet.payload);
    if (!json) {
      WritePacketText(out, packet, holdsDocument);
    }
    if (!holdsDocument) {
      if (json && packet.isUdp) {
        out << JsonLine(Json{{"source", source + "#" + std::to_string(packet.index)},
                             {"packet", PacketToJson(packet)}});
      }
      continue;
    }
    const DocumentReport report =
        InspectDocument(source + "#" + std::to_string(packet.index), packet.payload);
    if (json) {
      Json object = DocumentToJson(report);
      object["packet"] = PacketToJson(packet);
      out << JsonLine(object);
    } else {
      WriteDocumentText(out, report);
    }
    status = report.verdict.accepted ? status : kExitRejected;
  }
  ThrowIfDamaged(source, capture, out);
  return status;
}

// A plain document counts as one packet of a sender named "file".
CaptureStats DocumentFileStats(const Bytes& bytes) {
  CapturedPacket packet;
  packet.index = 1;
  packet.isUdp = true;
  packet.payload = bytes;
  CaptureStats stats;
  CountPacket(stats, packet);
  stats.plainFile = true;
  for (SenderStats& sender : stats.senders) {
    sender.packetSource = "file";
  }
  return stats;
}

std::vector<Json> ReadJsonValues(const std::string& path) {
  const Bytes bytes = ReadInput(path);
  std::istringstream text(std::string(bytes.begin(), bytes.end()));
  std::vector<Json> values;
  while (text >> std::ws && text.peek() != std::char_traits<char>::eof()) {
    try {
      Json value;
      text >> value;  // reads one value and leaves the rest of the stream
      values.push_back(std::move(value));
    } catch (const Json::parse_error& error) {
      throw InputError("bad JSON in '" + path + "': " + error.what());
    }
  }
  if (values.empty()) {
    throw InputError("no JSON value in '" + path + "'");
  }
  return values;
}

}  // namespace

int RunInspect(const InputOptions& options, std::ostream& out) {
  int status = kExitSuccess;
  bool first = true;
  for (const std::string& path : options.paths) {
    const Bytes bytes = ReadBytes(path, options.hex);
    if (!options.json && !first) {
      out << "\n";
    }
    first = false;
    const int inputStatus = LooksLikeCapture(bytes)
                                ? InspectCapture(path, bytes, options.json, out)
                                : InspectDocumentBytes(path, bytes, options.json, out);
    status = inputStatus != kExitSuccess ? inputStatus : status;
  }
  return status;
}

int RunStats(const InputOptions& options, std::ostream& out) {
  int status = kExitSuccess;
  for (const std::string& path : options.paths) {
    const Bytes bytes = ReadBytes(path, options.hex);
    CaptureContents capture;
    const bool isCapture = LooksLikeCapture(bytes);
    if (isCapture) {
      capture = ReadCapture(bytes);
    }
    const CaptureStats stats = isCapture ? ComputeCaptureStats(capture) : DocumentFileStats(bytes);
    if (options.json) {
      out << JsonLine(StatsToJson(path, stats));
    } else {
      WriteStatsText(out, path, stats);
    }
    status = stats.malformedPackets != 0 ? kExitRejected : status;
    ThrowIfDamaged(path, capture, out);
  }
  return status;
}

int RunEncode(const EncodeOptions& options, std::ostream& out) {
  std::ofstream file;
  if (options.output != "-") {
    file.open(options.output, std::ios::binary);
    if (!file) {
      throw InputError("cannot write '" + options.output + "'");
    }
  }
  std::ostream& target = options.output == "-" ? out : file;
  for (const Json& value : ReadJsonValues(options.path)) {
    const Bytes bytes = EncodeDocumentJson(value);
    if (options.json) {
      target << JsonLine(
          Json{{"source", options.path}, {"length", bytes.size()}, {"hex", FormatHexBytes(bytes)}});
    } else if (options.hex) {
      target << FormatHexBytes(bytes) << "\n";
    } else {
      target.write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    }
  }
  target.flush();
  if (!target) {
    throw InputError("cannot write '" + options.output + "'");
  }
  return kExitSuccess;
}

}  // namespace rmf
