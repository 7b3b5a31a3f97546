#include "document_encoding.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <optional>
#include <vector>

#include "document_verdict.h"
#include "ravuna_motion_serializer.h"

namespace rmf {
namespace {

const Json& Field(const Json& object, const char* name) {
  if (!object.is_object() || !object.contains(name)) {
    throw InputError(std::string("missing field \"") + name + "\"");
  }
  return object.at(name);
}

// Whether a JSON integer lies within the range of Integer (at most 32 bits).
template <class Integer>
bool FitsInteger(const Json& value) {
  static_assert(sizeof(Integer) <= 4);
  if (value.is_number_unsigned()) {
    return value.get<std::uint64_t>() <=
           static_cast<std::uint64_t>(std::numeric_limits<Integer>::max());
  }
  const auto number = value.get<std::int64_t>();
  return number >= std::numeric_limits<Integer>::min() &&
         number <= std::numeric_limits<Integer>::max();
}

template <class Integer>
Integer IntegerField(const Json& object, const char* name) {
  const Json& value = Field(object, name);
  if (value.is_null()) {
    return 0;  // a box the document lacked
  }
  if (value.is_boolean()) {
    return value.get<bool>() ? 1 : 0;
  }
  if (!value.is_number_integer() || !FitsInteger<Integer>(value)) {
    throw InputError(std::string("field \"") + name + "\": expected an integer in range, got " +
                     value.dump());
  }
  return value.get<Integer>();
}

std::array<float, 7> TransformOf(const Json& bone) {
  const Json& rotation = Field(bone, "rotation");
  const Json& translation = Field(bone, "translation");
  if (!rotation.is_array() || rotation.size() != 4 || !translation.is_array() ||
      translation.size() != 3) {
    throw InputError("a bone needs \"rotation\" of 4 and \"translation\" of 3 numbers");
  }
  std::array<float, 7> values{};
  for (std::size_t k = 0; k < 4; ++k) {
    values[k] = JsonToFloat(rotation[k]);
  }
  for (std::size_t k = 0; k < 3; ++k) {
    values[4 + k] = JsonToFloat(translation[k]);
  }
  return values;
}

// Per-bone values as the structure of arrays the exports take.
struct BoneArrays {
  std::vector<int> ids;
  std::vector<int> parentIds;
  std::array<std::vector<float>, 7> transforms;

  explicit BoneArrays(const Json& document, bool withParents) {
    const Json& bones = Field(document, "bones");
    if (!bones.is_array() || bones.size() > static_cast<std::size_t>(INT32_MAX)) {
      throw InputError("field \"bones\": expected an array");
    }
    for (const Json& bone : bones) {
      ids.push_back(IntegerField<int>(bone, "id"));
      if (withParents) {
        parentIds.push_back(IntegerField<int>(bone, "parent"));
      }
      const std::array<float, 7> transform = TransformOf(bone);
      for (std::size_t k = 0; k < transform.size(); ++k) {
        transforms[k].push_back(transform[k]);
      }
    }
  }
  int Count() const { return static_cast<int>(ids.size()); }
  const float* Transform(std::size_t k) const { return transforms[k].data(); }
};

std::string IpOf(const Json& document) {
  const Json& ip = Field(document, "ip");
  if (!ip.is_string()) {
    throw InputError("field \"ip\": expected dotted text");
  }
  return ip.get<std::string>();
}

std::uint32_t PortOf(const Json& document) { return IntegerField<std::uint16_t>(document, "port"); }

// Copies the library's buffer: it stays valid only until the next call.
Bytes TakeBuffer(bool encoded, int size, const unsigned char* buffer) {
  if (!encoded || size < 0) {
    throw InputError("the library could not encode the document");
  }
  return Bytes(buffer, buffer + size);
}

Bytes EncodeSkeletonDefinition(const Json& document) {
  const BoneArrays bones(document, true);
  int size = 0;
  unsigned char* buffer = nullptr;
  const bool encoded = ConvertSkeletonDefinitionToBytes(
      IpOf(document).c_str(), PortOf(document), bones.Count(), bones.ids.data(),
      bones.parentIds.data(), bones.Transform(0), bones.Transform(1), bones.Transform(2),
      bones.Transform(3), bones.Transform(4), bones.Transform(5), bones.Transform(6), &size,
      &buffer);
  return TakeBuffer(encoded, size, buffer);
}

std::array<unsigned char, 4> TimecodeOf(const Json& document) {
  const Json& text = Field(document, "timecode");
  std::array<unsigned char, 4> parts{};
  unsigned values[4] = {};
  char end = 0;
  if (!text.is_string() || std::sscanf(text.get<std::string>().c_str(), "%u:%u:%u:%u%c", &values[0],
                                       &values[1], &values[2], &values[3], &end) != 4) {
    throw InputError("field \"timecode\": expected \"HH:MM:SS:FF\"");
  }
  for (std::size_t k = 0; k < parts.size(); ++k) {
    if (values[k] > 255) {
      throw InputError("field \"timecode\": each part must be 0 to 255");
    }
    parts[k] = static_cast<unsigned char>(values[k]);
  }
  return parts;
}

Bytes EncodeFrameData(const Json& document) {
  const BoneArrays bones(document, false);
  const std::array<unsigned char, 4> timecode = TimecodeOf(document);
  int size = 0;
  unsigned char* buffer = nullptr;
  const bool encoded = ConvertFrameDataToBytes(
      IpOf(document).c_str(), PortOf(document), IntegerField<int>(document, "frame_number"),
      JsonToFloat(Field(document, "time")), JsonToDouble(Field(document, "uttm")), timecode[0],
      timecode[1], timecode[2], timecode[3], IntegerField<unsigned char>(document, "subframe"),
      IntegerField<unsigned char>(document, "flag") != 0, bones.Count(), bones.ids.data(),
      bones.Transform(0), bones.Transform(1), bones.Transform(2), bones.Transform(3),
      bones.Transform(4), bones.Transform(5), bones.Transform(6), &size, &buffer);
  return TakeBuffer(encoded, size, buffer);
}

std::array<float, 7> SensorValuesOf(const Json& document) {
  const Json& values = Field(document, "sensor_values");
  std::array<float, 7> result{};
  if (values.is_null()) {
    return result;
  }
  if (!values.is_array() || values.size() != result.size()) {
    throw InputError("field \"sensor_values\": expected 7 numbers");
  }
  for (std::size_t k = 0; k < result.size(); ++k) {
    result[k] = JsonToFloat(values[k]);
  }
  return result;
}

std::string TextWithoutZeroBytes(const Json& document, const char* name) {
  std::string text = JsonToText(Field(document, name));
  if (text.find('\0') != std::string::npos) {
    throw InputError(std::string("field \"") + name +
                     "\": a text with a zero byte cannot be written");
  }
  return text;
}

Bytes EncodeSensorData(const Json& document) {
  const std::array<float, 7> values = SensorValuesOf(document);
  int size = 0;
  unsigned char* buffer = nullptr;
  const bool encoded = ConvertSensorDataToBytes(
      IpOf(document).c_str(), PortOf(document), JsonToDouble(Field(document, "uttm")),
      TextWithoutZeroBytes(document, "sensor_address").c_str(),
      TextWithoutZeroBytes(document, "sensor_name").c_str(),
      IntegerField<int>(document, "sensor_joint_index"), values[0], values[1], values[2], values[3],
      values[4], values[5], values[6], &size, &buffer);
  return TakeBuffer(encoded, size, buffer);
}

}  // namespace

Bytes EncodeDocumentJson(const Json& object) {
  const Json& document = object.contains("document") ? object.at("document") : object;
  if (document.is_null()) {
    throw InputError("the document was rejected: there are no values to encode");
  }
  const Json& kindName = Field(object.contains("kind") ? object : document, "kind");
  const std::optional<DocumentKind> kind =
      kindName.is_string() ? DocumentKindFromName(kindName.get<std::string>()) : std::nullopt;
  switch (kind.value_or(DocumentKind::unknown)) {
    case DocumentKind::skeletonDefinition: return EncodeSkeletonDefinition(document);
    case DocumentKind::frameData: return EncodeFrameData(document);
    case DocumentKind::sensorData: return EncodeSensorData(document);
    case DocumentKind::unknown: break;
  }
  throw InputError("field \"kind\": expected skeleton_definition, frame_data or sensor_data, got " +
                   kindName.dump());
}

}  // namespace rmf
