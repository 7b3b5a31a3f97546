#include "rmf/demo.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <sstream>
#include <vector>

#include "rmf/capture/capture_stats.h"
#include "rmf/capture/capture_writing.h"
#include "rmf/capture/packet_building.h"
#include "rmf/commands.h"
#include "rmf/documents/sample_documents.h"
#include "rmf/export/export_command.h"
#include "rmf/output/json_output.h"
#include "rmf/output/output_file.h"
#include "rmf/output/text_output.h"

namespace rmf {
namespace {

struct SampleFile {
  std::string name;
  Bytes bytes;
};

std::vector<SampleFile> SampleFiles() {
  std::vector<SampleFile> files;
  files.push_back({"skeleton_definition.rmf", SampleSkeletonDefinition()});
  for (int frame = 0; frame < kDemoFrameCount; ++frame) {
    std::array<char, 32> name{};
    std::snprintf(name.data(), name.size(), "frame_data_%04d.rmf", kSampleFirstFrame + frame);
    files.push_back({name.data(), SampleFrame(frame)});
  }
  files.push_back({"sensor_data.rmf", SampleSensorRecord()});
  return files;
}

// The samples as a sender streams them over Ethernet: one datagram each, the
// frames at the sample frame rate, to the broadcast address of the sender's
// network. A datagram larger than the MTU travels in IPv4 fragments, and
// every other datagram's fragments arrive out of order.
void WriteSampleCapture(const std::string& path, const std::vector<SampleFile>& files,
                        std::size_t mtu) {
  const UdpEndpoint sender{(192U << 24U) | (168U << 16U) | 10U, 7000};
  const UdpEndpoint receiver{(192U << 24U) | (168U << 16U) | 255U, 7001};
  CaptureWriter capture(path, DLT_EN10MB);
  for (std::size_t i = 0; i < files.size(); ++i) {
    const auto microseconds =
        static_cast<std::uint32_t>(std::lround(static_cast<double>(i) * 1e6 / kSampleFrameRate));
    std::vector<Bytes> packets =
        BuildUdpPackets(sender, receiver, files[i].bytes, mtu, static_cast<std::uint32_t>(i + 1));
    if (i % 2 == 1) {
      std::reverse(packets.begin(), packets.end());
    }
    for (const Bytes& packet : packets) {
      capture.Write(1700000000, microseconds, EthernetFrameOf(packet));
    }
  }
  capture.Close();
}

// The first capture as an animation package and a notebook take it: BVH
// (with its conventions beside it) and CSV, under the default conventions.
void ExportSampleCapture(const std::filesystem::path& directory, const std::string& capturePath) {
  for (const std::string format : {"bvh", "csv"}) {
    ExportOptions options;
    options.paths = {capturePath};
    options.format = format;
    options.output = (directory / ("capture." + format)).string();
    std::ostringstream summary;
    std::ostringstream errors;
    if (RunExport(options, summary, errors) != kExitSuccess) {
      throw InputError("the demo capture did not export to " + format + ": " + errors.str() +
                       summary.str());
    }
  }
}

}  // namespace

int RunDemo(const std::string& folder, bool json, std::ostream& out) {
  const std::filesystem::path directory(folder);
  std::error_code error;
  std::filesystem::create_directories(directory, error);
  if (error) {
    throw InputError("cannot create '" + folder + "': " + error.message());
  }
  const std::vector<SampleFile> files = SampleFiles();
  for (const SampleFile& file : files) {
    WriteFileAtomically((directory / file.name).string(), file.bytes);
  }
  const std::string capturePath = (directory / "capture.pcap").string();
  const std::string fragmentedPath = (directory / "capture_mtu1500.pcap").string();
  // The first capture holds each datagram in one frame, the second as it
  // crosses a link of Ethernet's usual MTU.
  WriteSampleCapture(capturePath, files, std::numeric_limits<std::size_t>::max());
  WriteSampleCapture(fragmentedPath, files, 1500);
  ExportSampleCapture(directory, capturePath);
  if (!json) {
    out << "wrote " << files.size()
        << " documents, capture.pcap, capture_mtu1500.pcap, and the first as capture.bvh (its "
           "conventions in capture.conventions.json), capture.csv and capture_sensors.csv to "
        << folder << "\n\n";
  }

  // One inspected sample of each kind, a verdict line for the other frames.
  int status = 0;
  for (std::size_t i = 0; i < files.size(); ++i) {
    const std::string path = (directory / files[i].name).string();
    const DocumentReport report = InspectDocument(path, files[i].bytes);
    status = report.verdict.accepted ? status : 1;
    // The frame shown is one in which the arm has moved.
    const bool inspectedInFull = i == 0 || i == 1 + kDemoShownFrame || i + 1 == files.size();
    if (json) {
      out << JsonLine(DocumentToJson(report));
    } else if (inspectedInFull) {
      WriteDocumentText(out, report);
      out << "\n";
    } else {
      out << path << ": " << DocumentKindName(report.verdict.kind)
          << (report.verdict.accepted ? ", accepted" : ", rejected") << "\n\n";
    }
  }
  for (const std::string& path : {capturePath, fragmentedPath}) {
    const CaptureStats stats = ComputeCaptureStats(ReadCapture(ReadInput(path)));
    if (json) {
      out << JsonLine(StatsToJson(path, stats));
    } else {
      out << (path == fragmentedPath ? "\n" : "");
      WriteStatsText(out, path, stats);
    }
  }
  return status;
}

}  // namespace rmf
