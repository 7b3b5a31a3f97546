#include "rmf/commands.h"

#include <algorithm>
#include <sstream>

#include "rmf/capture/capture_reading.h"
#include "rmf/capture/capture_stats.h"
#include "rmf/documents/document_encoding.h"
#include "rmf/documents/document_verdict.h"
#include "rmf/documents/hex_text.h"
#include "rmf/output/json_output.h"
#include "rmf/output/output_file.h"
#include "rmf/output/text_output.h"
#include "rmf/output/value_format.h"

namespace rmf {
namespace {

// Runs `work` for one input; an error it raises is written on `err` after
// the name, and becomes the exit status.
template <class Work>
int ReportingErrors(const std::string& name, std::ostream& out, std::ostream& err, Work work) {
  const auto report = [&](const std::exception& error, int status) {
    out.flush();
    err << "rmf: " << name << ": " << error.what() << "\n";
    return status;
  };
  try {
    return work();
  } catch (const RejectedDocument& error) {
    return report(error, kExitRejected);
  } catch (const std::exception& error) {
    return report(error, kExitUsage);
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
      out << "strict: rejected, " << report.verdict.text << "\n";
    }
    return;
  }
  Json object = DocumentToJson(report);
  if (packet != nullptr) {
    object["packet"] = std::move(*packet);
  }
  if (options.strict) {
    object["strict_verdict"] = report.verdict.text;
  }
  out << JsonLine(object);
}

int InspectDocumentBytes(const std::string& source, const Bytes& bytes, const InputOptions& options,
                         std::ostream& out) {
  const DocumentReport report = InspectDocument(source, bytes);
  WriteReport(report, options, nullptr, out);
  return Passes(report, options) ? kExitSuccess : kExitRejected;
}

// Damage ends a capture: what came before it is shown, then the damage is
// reported as an input error.
void ThrowIfDamaged(const CaptureContents& capture, std::ostream& out) {
  if (!capture.damage.empty()) {
    out.flush();
    throw InputError(capture.damage);
  }
}

int InspectCapture(const std::string& source, const Bytes& bytes, const InputOptions& options,
                   std::ostream& out) {
  const bool json = options.json;
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
    Json packetObject = PacketToJson(packet);
    WriteReport(report, options, &packetObject, out);
    status = Passes(report, options) ? status : kExitRejected;
  }
  ThrowIfDamaged(capture, out);
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

// The summary of one capture, or of one plain document.
int StatsOfInput(const std::string& path, const InputOptions& options, std::ostream& out) {
  const Bytes bytes = ReadInputBytes(path, options.hex);
  const bool isCapture = LooksLikeCapture(bytes);
  const CaptureContents capture = isCapture ? ReadCapture(bytes) : CaptureContents{};
  const CaptureStats stats = isCapture ? ComputeCaptureStats(capture) : DocumentFileStats(bytes);
  if (options.json) {
    out << JsonLine(StatsToJson(path, stats));
  } else {
    WriteStatsText(out, path, stats);
  }
  ThrowIfDamaged(capture, out);
  return stats.malformedPackets != 0 ? kExitRejected : kExitSuccess;
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
      throw InputError(std::string("bad JSON: ") + error.what());
    }
  }
  if (values.empty()) {
    throw InputError("no JSON value");
  }
  return values;
}

}  // namespace

Bytes ReadInputBytes(const std::string& path, bool hex) {
  Bytes bytes = ReadInput(path);
  const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  if (hex || (!LooksLikeCapture(bytes) && LooksLikeHexText(text))) {
    return ParseHexText(text);
  }
  return bytes;
}

int RunInspect(const InputOptions& options, std::ostream& out, std::ostream& err) {
  int status = kExitSuccess;
  bool first = true;
  for (const std::string& path : options.paths) {
    status = std::max(status, ReportingErrors(InputName(path), out, err, [&] {
                        const Bytes bytes = ReadInputBytes(path, options.hex);
                        if (!options.json && !first) {
                          out << "\n";
                        }
                        first = false;
                        return LooksLikeCapture(bytes)
                                   ? InspectCapture(path, bytes, options, out)
                                   : InspectDocumentBytes(path, bytes, options, out);
                      }));
  }
  return status;
}

int RunStats(const InputOptions& options, std::ostream& out, std::ostream& err) {
  int status = kExitSuccess;
  for (const std::string& path : options.paths) {
    status = std::max(status, ReportingErrors(InputName(path), out, err,
                                              [&] { return StatsOfInput(path, options, out); }));
  }
  return status;
}

int RunEncode(const EncodeOptions& options, std::ostream& out, std::ostream& err) {
  const std::string name = InputName(options.path);
  std::string encoded;
  const int status = ReportingErrors(name, out, err, [&] {
    const std::vector<Json> values = ReadJsonValues(options.path);
    int worst = kExitSuccess;
    for (std::size_t k = 0; k < values.size(); ++k) {
      const std::string valueName = name + ": value " + std::to_string(k + 1);
      worst = std::max(worst, ReportingErrors(valueName, out, err, [&] {
                         const Bytes bytes = EncodeDocumentJson(values[k]);
                         if (options.json) {
                           encoded += JsonLine(Json{{"source", options.path},
                                                    {"length", bytes.size()},
                                                    {"hex", FormatHexBytes(bytes)}});
                         } else if (options.hex) {
                           encoded += FormatHexBytes(bytes) + "\n";
                         } else {
                           encoded.append(bytes.begin(), bytes.end());
                         }
                         return kExitSuccess;
                       }));
    }
    return worst;
  });
  if (status != kExitSuccess) {
    err << "rmf: nothing written"
        << (options.output == "-" ? "" : ", '" + options.output + "' left as it was") << "\n";
    return status;
  }
  if (options.output == "-") {
    out << encoded;
    out.flush();
    if (!out) {
      throw InputError("cannot write to standard output");
    }
  } else {
    WriteFileAtomically(options.output, Bytes(encoded.begin(), encoded.end()));
  }
  return kExitSuccess;
}

}  // namespace rmf
