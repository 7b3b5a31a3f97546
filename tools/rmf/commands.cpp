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

// Accepted by the library, and with --strict also read exactly.
bool Passes(const DocumentReport& report, const InputOptions& options) {
  return report.verdict.accepted && (!options.strict || report.verdict.lenientReads == 0);
}

// One document's inspection; with --strict also the library's verdict on how
// it reads (in JSON always, in text when it reads leniently).
void WriteReport(const DocumentReport& report, const InputOptions& options, Json* packet,
                 std::ostream& out) {
  if (!options.json) {
    WriteDocumentText(out, report);
    if (options.strict && report.verdict.accepted && report.verdict.lenientReads != 0) {
      out << "strict: rejected, " << report.verdict.verdictText << "\n";
    }
    return;
  }
  Json object = DocumentToJson(report);
  if (packet != nullptr) {
    object["packet"] = std::move(*packet);
  }
  if (options.strict) {
    object["strict_verdict"] = report.verdict.verdictText;
  }
  out << JsonLine(object);
}

int InspectDocumentBytes(const std::string& source, const Bytes& bytes, const InputOptions& options,
                         std::ostream& out) {
  const DocumentReport report = InspectDocument(source, bytes);
  WriteReport(report, options, nullptr, out);
  return Passes(report, options) ? kExitSuccess : kExitRejected;
}

int InspectCapture(const std::string& source, const Bytes& capture, const InputOptions& options,
                   std::ostream& out) {
  const bool json = options.json;
  int status = kExitSuccess;
  for (const CapturedPacket& packet : ReadCapture(capture)) {
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
    Json packetObject = PacketToJson(packet);
    WriteReport(report, options, &packetObject, out);
    status = Passes(report, options) ? status : kExitRejected;
  }
  return status;
}

std::vector<CapturedPacket> PacketsOf(const Bytes& bytes) {
  if (LooksLikeCapture(bytes)) {
    return ReadCapture(bytes);
  }
  // A plain document counts as one packet from an unknown address.
  CapturedPacket packet;
  packet.index = 1;
  packet.isUdp = true;
  packet.payload = bytes;
  return {packet};
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
                                ? InspectCapture(path, bytes, options, out)
                                : InspectDocumentBytes(path, bytes, options, out);
    status = inputStatus != kExitSuccess ? inputStatus : status;
  }
  return status;
}

int RunStats(const InputOptions& options, std::ostream& out) {
  for (const std::string& path : options.paths) {
    const CaptureStats stats = ComputeCaptureStats(PacketsOf(ReadBytes(path, options.hex)));
    if (options.json) {
      out << JsonLine(StatsToJson(path, stats));
    } else {
      WriteStatsText(out, path, stats);
    }
  }
  return kExitSuccess;
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
