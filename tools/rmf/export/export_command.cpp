#include "rmf/export/export_command.h"

#include <cctype>
#include <filesystem>
#include <variant>

#include "rmf/commands.h"
#include "rmf/export/bvh_export.h"
#include "rmf/export/csv_export.h"
#include "rmf/export/sender_streams.h"
#include "rmf/output/json_output.h"
#include "rmf/output/output_file.h"

namespace rmf {
namespace {

struct OutputFile {
  std::string path;
  std::string content;
  std::string description;  // what the summary says of it
};

// "192.168.0.10_7000", safe in a file name.
std::string FileNamePart(const std::string& sender) {
  std::string part;
  for (const char c : sender) {
    part += std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '.' || c == '-' ? c : '_';
  }
  return part;
}

// OUT itself for a single sender, OUT's stem and the sender's name beside
// it for several; `suffix` goes before the extension ("_sensors").
std::string OutputPath(const std::string& output, const std::string& sender, bool several,
                       const std::string& suffix, const std::string& extension) {
  const std::filesystem::path path(output);
  std::string name = path.stem().string();
  if (several) {
    name += '_';
    name += FileNamePart(sender);
  }
  name += suffix;
  name += extension;
  return (path.parent_path() / name).string();
}

std::string Counted(std::uint64_t count, const std::string& one, const std::string& many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

std::string Contents(const SenderStream& stream) {
  std::array<std::uint64_t, kDocumentKindCount> kinds{};
  for (const StreamDocument& document : stream.documents) {
    ++kinds[static_cast<std::size_t>(document.kind)];
  }
  const auto of = [&](DocumentKind kind) { return kinds[static_cast<std::size_t>(kind)]; };
  return Counted(of(DocumentKind::skeletonDefinition), "skeleton definition",
                 "skeleton definitions") +
         ", " + Counted(of(DocumentKind::frameData), "frame", "frames") + ", " +
         Counted(of(DocumentKind::sensorData), "sensor record", "sensor records");
}

// The files of one sender, and what could not go into them.
std::vector<OutputFile> ExportSender(const SenderStream& stream, const ExportOptions& options,
                                     const BvhOptions& bvhOptions, bool several,
                                     ExportProblems& problems) {
  std::vector<OutputFile> files;
  const std::string extension = std::filesystem::path(options.output).extension().string();
  const auto path = [&](const std::string& suffix, const std::string& ext) {
    return OutputPath(options.output, stream.sender, several, suffix, ext);
  };
  if (options.format == "jsonl") {
    files.push_back({options.output == "-" ? "-" : path("", extension), ExportJsonLines(stream),
                     Counted(stream.documents.size(), "document", "documents")});
  } else if (options.format == "csv") {
    const CsvTables tables = ExportCsv(stream, options.conventions.quaternion, problems);
    if (!tables.frames.empty()) {
      files.push_back({path("", extension), tables.frames,
                       Counted(tables.frameCount, "frame", "frames") + ", " +
                           Counted(tables.frameRows, "row", "rows")});
    }
    if (!tables.sensors.empty()) {
      files.push_back({path("_sensors", extension), tables.sensors,
                       Counted(tables.sensorRows, "sensor record", "sensor records")});
    }
    if (files.empty()) {
      problems.Count("senders with neither frames nor sensor records, no CSV written", "");
    }
  } else {
    const BvhFile bvh = ExportBvh(stream, bvhOptions, problems);
    if (bvh.text.empty()) {
      problems.Count("senders of which no frame could be written, no BVH written", "");
      return files;
    }
    const std::string bvhPath = path("", extension);
    Json sidecar = {{"bvh", std::filesystem::path(bvhPath).filename().string()}};
    sidecar.update(bvh.sidecar);
    sidecar["problems"] = problems.Lines();
    files.push_back({bvhPath, bvh.text,
                     Counted(bvh.joints, "joint", "joints") + ", " +
                         Counted(bvh.frames, "frame", "frames") + ", frame time " + bvh.frameTime});
    files.push_back({path(".conventions", ".json"), sidecar.dump(2) + "\n",
                     "the conventions of " + std::filesystem::path(bvhPath).filename().string()});
  }
  return files;
}

}  // namespace

std::string ExportJsonLines(const SenderStream& stream) {
  std::string lines;
  for (const StreamDocument& document : stream.documents) {
    DocumentVerdict verdict;
    verdict.kind = document.kind;
    verdict.accepted = true;
    verdict.ipText = document.ipText;
    verdict.values = document.values;
    Json object = {{"source", document.source}, {"sender", stream.sender}};
    if (document.captureMicroseconds) {
      object["capture_time"] = static_cast<double>(*document.captureMicroseconds) / 1e6;
    }
    object["kind"] = DocumentKindName(document.kind);
    object["document"] = DocumentValuesToJson(verdict);
    lines += JsonLine(object);
  }
  return lines;
}

int RunExport(const ExportOptions& options, std::ostream& out, std::ostream& err) {
  const auto fail = [&](const std::string& message) {
    out.flush();
    err << "rmf: " << message << "\nrmf: nothing written\n";
    return kExitUsage;
  };
  if (options.output == "-" && options.format != "jsonl") {
    return fail("--to " + options.format + " writes files: give -o FILE");
  }
  BvhOptions bvhOptions{options.conventions, options.jointPositions, {}};
  std::vector<SenderStream> streams;
  try {
    if (!options.namesPath.empty()) {
      const Bytes names = ReadInput(options.namesPath);
      try {
        bvhOptions.names = ParseJointNames(std::string(names.begin(), names.end()));
      } catch (const InputError& error) {
        throw InputError(options.namesPath + ": " + error.what());
      }
    }
    streams = ReadSenderStreams(options.paths);
  } catch (const InputError& error) {
    return fail(error.what());
  }
  if (options.sender) {
    std::string known;
    std::erase_if(streams, [&](const SenderStream& stream) {
      known += (known.empty() ? "" : ", ") + stream.sender;
      return stream.sender != *options.sender;
    });
    if (streams.empty()) {
      return fail("no sender " + *options.sender +
                  " in the inputs (senders: " + (known.empty() ? "none" : known) + ")");
    }
  }
  if (streams.empty()) {
    return fail("the inputs hold no document");
  }

  // Everything is made before anything is written, so that a bad name stops
  // the export with no file touched.
  std::vector<std::vector<OutputFile>> files;
  std::vector<ExportProblems> problems(streams.size());
  try {
    for (std::size_t k = 0; k < streams.size(); ++k) {
      if (streams[k].rejected != 0) {
        problems[k].Count("rejected documents and unreadable datagrams, not exported",
                          streams[k].firstRejected, streams[k].rejected);
      }
      files.push_back(
          ExportSender(streams[k], options, bvhOptions, streams.size() > 1, problems[k]));
    }
  } catch (const InputError& error) {
    return fail(error.what());
  }
  std::ostream& summary = options.output == "-" ? err : out;
  std::uint64_t total = 0;
  for (std::size_t k = 0; k < streams.size(); ++k) {
    for (const OutputFile& file : files[k]) {
      if (file.path == "-") {
        out << file.content;
        out.flush();
      } else {
        WriteFileAtomically(file.path, Bytes(file.content.begin(), file.content.end()));
      }
    }
    summary << "sender " << streams[k].sender << ": " << Contents(streams[k]) << "\n";
    for (const OutputFile& file : files[k]) {
      summary << "  wrote " << (file.path == "-" ? "standard output" : file.path) << ": "
              << file.description << "\n";
    }
    for (const std::string& line : problems[k].Lines()) {
      summary << "  " << line << "\n";
    }
    total += problems[k].Total();
  }
  summary << "exported " << Counted(streams.size(), "sender", "senders") << ", "
          << Counted(total, "problem", "problems") << "\n";
  return total == 0 ? kExitSuccess : kExitRejected;
}

}  // namespace rmf
