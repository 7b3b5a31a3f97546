#include "rmf/export/csv_export.h"

#include <map>
#include <variant>

#include "rmf/output/json_values.h"
#include "rmf/output/value_format.h"

namespace rmf {
namespace {

std::string WithPoint(std::string text) {
  return text.find_first_of(".eni") == std::string::npos ? text + ".0" : text;
}

std::string Field(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) {
    return text;
  }
  std::string quoted = "\"";
  for (const char c : text) {
    quoted += c == '"' ? "\"\"" : std::string(1, c);
  }
  return quoted + "\"";
}

// A text as it is when it is UTF-8, else "hex:" and its bytes, counted.
std::string TextField(const std::string& text, const std::string& source,
                      ExportProblems& problems) {
  const Json json = TextToJson(text);
  if (json.is_string()) {
    return Field(text);
  }
  problems.Count("sensor texts that are not UTF-8, written as hex:<bytes>", source);
  return "hex:" + json["hex"].get<std::string>();
}

void AddRow(std::string& table, const std::vector<std::string>& cells) {
  for (std::size_t k = 0; k < cells.size(); ++k) {
    table += (k == 0 ? "" : ",") + cells[k];
  }
  table += "\r\n";
}

std::string CaptureTime(const StreamDocument& document) {
  if (!document.captureMicroseconds) {
    return "";
  }
  // Packet times are whole microseconds: written exactly, never through a double.
  const std::int64_t micro = *document.captureMicroseconds;
  const std::int64_t fraction = (micro % 1000000 + 1000000) % 1000000;
  return std::to_string((micro - fraction) / 1000000) + "." +
         std::to_string(1000000 + fraction).substr(1);
}

std::vector<std::string> FrameHeader(motion::QuaternionOrder order) {
  std::vector<std::string> header = {"sender",   "frame_number", "time",          "uttm",
                                     "timecode", "subframe",     "timecode_flag", "capture_time",
                                     "bone_id",  "parent_id"};
  const std::vector<std::string> rotation = order == motion::QuaternionOrder::xyzw
                                                ? std::vector<std::string>{"qx", "qy", "qz", "qw"}
                                                : std::vector<std::string>{"qw", "qx", "qy", "qz"};
  header.insert(header.end(), rotation.begin(), rotation.end());
  header.insert(header.end(), {"tx", "ty", "tz", "follows_previous"});
  return header;
}

void AddFrame(CsvTables& tables, const std::string& sender, const StreamDocument& document,
              const FrameDataValues& frame, const std::map<int, int>* parents, bool follows,
              ExportProblems& problems) {
  const auto& header = frame.frame;
  const std::vector<std::string> common = {Field(sender),
                                           std::to_string(header.frameNumber),
                                           CsvNumber(header.time),
                                           CsvNumber(header.uttm),
                                           FormatTimecode(header.timecode),
                                           std::to_string(header.timecode[4]),
                                           std::to_string(header.timecode[5]),
                                           CaptureTime(document)};
  bool lacking = false;
  for (std::size_t bone = 0; bone < frame.boneIds.size(); ++bone) {
    std::vector<std::string> row = common;
    const int id = frame.boneIds[bone];
    row.push_back(std::to_string(id));
    std::string parentCell;
    if (parents != nullptr) {
      const auto parent = parents->find(id);
      lacking = lacking || parent == parents->end();
      parentCell = parent == parents->end() ? "" : std::to_string(parent->second);
    }
    row.push_back(parentCell);
    for (const std::vector<float>& component : frame.transforms) {
      row.push_back(CsvNumber(bone < component.size() ? component[bone] : 0.0F));
    }
    row.push_back(follows ? "True" : "False");
    AddRow(tables.frames, row);
    ++tables.frameRows;
  }
  const std::string example =
      "frame " + std::to_string(header.frameNumber) + " at " + document.source;
  if (parents == nullptr) {
    problems.Count("frames before any skeleton definition, parent_id left empty", example);
  } else if (lacking) {
    problems.Count("frames with bones the skeleton definition lacks, parent_id left empty",
                   example);
  }
}

void AddSensor(CsvTables& tables, const std::string& sender, const StreamDocument& document,
               const SensorDataValues& sensor, ExportProblems& problems) {
  std::vector<std::string> row = {
      Field(sender),
      CsvNumber(sensor.uttm),
      CaptureTime(document),
      TextField(sensor.sensorAddress, document.source, problems),
      TextField(sensor.sensorName, document.source, problems),
      sensor.sensorJointIndex ? std::to_string(*sensor.sensorJointIndex) : ""};
  for (std::size_t k = 0; k < 7; ++k) {
    row.push_back(sensor.sensorValues ? CsvNumber((*sensor.sensorValues)[k]) : "");
  }
  AddRow(tables.sensors, row);
  ++tables.sensorRows;
}

}  // namespace

std::string CsvNumber(float value) { return WithPoint(FormatFloat(value)); }

std::string CsvNumber(double value) { return WithPoint(FormatDouble(value)); }

CsvTables ExportCsv(const SenderStream& stream, motion::QuaternionOrder order,
                    ExportProblems& problems) {
  CsvTables tables;
  std::optional<std::map<int, int>> parents;
  std::optional<int> previousNumber;
  for (const StreamDocument& document : stream.documents) {
    if (const auto* skeleton = std::get_if<SkeletonDefinitionValues>(&document.values)) {
      parents.emplace();
      for (std::size_t bone = 0; bone < skeleton->boneIds.size(); ++bone) {
        (*parents)[skeleton->boneIds[bone]] =
            bone < skeleton->parentBoneIds.size() ? skeleton->parentBoneIds[bone] : 0;
      }
    } else if (const auto* frame = std::get_if<FrameDataValues>(&document.values)) {
      if (tables.frames.empty()) {
        AddRow(tables.frames, FrameHeader(order));
      }
      const int number = frame->frame.frameNumber;
      const bool follows =
          previousNumber && static_cast<std::int64_t>(number) == std::int64_t{*previousNumber} + 1;
      AddFrame(tables, stream.sender, document, *frame, parents ? &*parents : nullptr, follows,
               problems);
      previousNumber = number;
      ++tables.frameCount;
    } else if (const auto* sensor = std::get_if<SensorDataValues>(&document.values)) {
      if (tables.sensors.empty()) {
        AddRow(tables.sensors, {"sender", "uttm", "capture_time", "sensor_address", "sensor_name",
                                "sensor_joint_index", "value0", "value1", "value2", "value3",
                                "value4", "value5", "value6"});
      }
      AddSensor(tables, stream.sender, document, *sensor, problems);
    }
  }
  return tables;
}

}  // namespace rmf
