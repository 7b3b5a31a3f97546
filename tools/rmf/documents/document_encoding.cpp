#include "rmf/documents/document_encoding.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <optional>
#include <vector>

#include "ravuna_motion_serializer.h"
#include "rmf/documents/document_verdict.h"

namespace rmf {
namespace {

// A JSON value and where it sits in the document, e.g. "bones[3].rotation",
// so that every error names the field.
struct Located {
  const Json& value;
  std::string path;
};

[[noreturn]] void FailAt(const Located& at, const std::string& what) {
  throw InputError(at.path + ": " + what);
}

Located Member(const Located& object, const char* name) {
  const std::string path = object.path.empty() ? name : object.path + "." + name;
  if (!object.value.is_object() || !object.value.contains(name)) {
    throw InputError("missing field " + path);
  }
  return {object.value.at(name), path};
}

// The elements of an array of exactly `count` values (any count when 0).
std::vector<Located> Elements(const Located& array, std::size_t count, const char* what) {
  if (!array.value.is_array() || (count != 0 && array.value.size() != count)) {
    FailAt(array,
           "expected " + (count != 0 ? std::to_string(count) + " " : std::string()) + what +
               ", got " +
               (array.value.is_array() ? std::to_string(array.value.size()) : array.value.dump()));
  }
  std::vector<Located> elements;
  for (std::size_t k = 0; k < array.value.size(); ++k) {
    elements.push_back({array.value[k], array.path + "[" + std::to_string(k) + "]"});
  }
  return elements;
}

// The value read by `read` (JsonToFloat, JsonToText...), its errors naming
// the field.
template <class Read>
auto ReadAt(const Located& at, Read read) -> decltype(read(at.value)) {
  try {
    return read(at.value);
  } catch (const InputError& error) {
    FailAt(at, error.what());
  }
}

float FloatAt(const Located& at) { return ReadAt(at, JsonToFloat); }

double DoubleAt(const Located& at) { return ReadAt(at, JsonToDouble); }

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

// An integer in the range of Integer: the exports would keep only its low
// bits, so a value outside is refused with the range.
template <class Integer>
Integer IntegerAt(const Located& at) {
  if (at.value.is_null()) {
    return 0;  // a box the document lacked
  }
  if (at.value.is_boolean()) {
    return at.value.get<bool>() ? 1 : 0;
  }
  if (!at.value.is_number_integer()) {
    FailAt(at, "expected an integer, got " + at.value.dump());
  }
  if (!FitsInteger<Integer>(at.value)) {
    FailAt(at, at.value.dump() + " is outside " +
                   std::to_string(std::numeric_limits<Integer>::min() + 0) + " to " +
                   std::to_string(std::numeric_limits<Integer>::max() + 0));
  }
  return at.value.get<Integer>();
}

template <class Integer>
Integer IntegerField(const Located& object, const char* name) {
  return IntegerAt<Integer>(Member(object, name));
}

std::array<float, 7> TransformOf(const Located& bone) {
  std::array<float, 7> values{};
  std::size_t k = 0;
  for (const Located& element : Elements(Member(bone, "rotation"), 4, "numbers")) {
    values[k++] = FloatAt(element);
  }
  for (const Located& element : Elements(Member(bone, "translation"), 3, "numbers")) {
    values[k++] = FloatAt(element);
  }
  return values;
}

// Per-bone values as the structure of arrays the exports take. Ids keep 16
// bits on the wire, so ids outside that range are refused.
struct BoneArrays {
  std::vector<int> ids;
  std::vector<int> parentIds;
  std::array<std::vector<float>, 7> transforms;

  explicit BoneArrays(const Located& document, bool withParents) {
    const Located bones = Member(document, "bones");
    if (bones.value.is_array() && bones.value.size() > static_cast<std::size_t>(INT32_MAX)) {
      FailAt(bones, "too many bones");
    }
    for (const Located& bone : Elements(bones, 0, "an array")) {
      ids.push_back(IntegerField<std::int16_t>(bone, "id"));
      if (withParents) {
        parentIds.push_back(IntegerField<std::int16_t>(bone, "parent"));
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

// Four decimal parts of 0 to 255: the library would pack anything else
// without a word (missing parts as 0, other text as 0.0.0.0).
bool IsDottedDecimal(const std::string& text) {
  std::size_t at = 0;
  for (int part = 0; part < 4; ++part) {
    if (part > 0 && (at >= text.size() || text[at++] != '.')) {
      return false;
    }
    unsigned value = 0;
    std::size_t digits = 0;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9' && digits < 4; ++at, ++digits) {
      value = value * 10 + static_cast<unsigned>(text[at] - '0');
    }
    if (digits == 0 || digits > 3 || value > 255) {
      return false;
    }
  }
  return at == text.size();
}

std::string IpOf(const Located& document) {
  const Located ip = Member(document, "ip");
  if (!ip.value.is_string() || !IsDottedDecimal(ip.value.get<std::string>())) {
    FailAt(ip, "expected a dotted-decimal IPv4 address (four parts of 0 to 255), got " +
                   ip.value.dump());
  }
  return ip.value.get<std::string>();
}

std::uint32_t PortOf(const Located& document) {
  return IntegerField<std::uint16_t>(document, "port");
}

// Copies the library's buffer: it stays valid only until the next call.
Bytes TakeBuffer(bool encoded, int size, const unsigned char* buffer) {
  if (!encoded || size < 0) {
    throw RejectedDocument("the library refused to encode the values");
  }
  return Bytes(buffer, buffer + size);
}

Bytes EncodeSkeletonDefinition(const Located& document) {
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

std::array<unsigned char, 4> TimecodeOf(const Located& document) {
  const Located text = Member(document, "timecode");
  std::array<unsigned char, 4> parts{};
  unsigned values[4] = {};
  char end = 0;
  if (!text.value.is_string() ||
      std::sscanf(text.value.get<std::string>().c_str(), "%u:%u:%u:%u%c", &values[0], &values[1],
                  &values[2], &values[3], &end) != 4) {
    FailAt(text, "expected \"HH:MM:SS:FF\", got " + text.value.dump());
  }
  for (std::size_t k = 0; k < parts.size(); ++k) {
    if (values[k] > 255) {
      FailAt(text, "each part must be 0 to 255, got " + text.value.dump());
    }
    parts[k] = static_cast<unsigned char>(values[k]);
  }
  return parts;
}

Bytes EncodeFrameData(const Located& document) {
  const BoneArrays bones(document, false);
  const std::array<unsigned char, 4> timecode = TimecodeOf(document);
  int size = 0;
  unsigned char* buffer = nullptr;
  const bool encoded = ConvertFrameDataToBytes(
      IpOf(document).c_str(), PortOf(document), IntegerField<int>(document, "frame_number"),
      FloatAt(Member(document, "time")), DoubleAt(Member(document, "uttm")), timecode[0],
      timecode[1], timecode[2], timecode[3], IntegerField<unsigned char>(document, "subframe"),
      IntegerField<unsigned char>(document, "flag") != 0, bones.Count(), bones.ids.data(),
      bones.Transform(0), bones.Transform(1), bones.Transform(2), bones.Transform(3),
      bones.Transform(4), bones.Transform(5), bones.Transform(6), &size, &buffer);
  return TakeBuffer(encoded, size, buffer);
}

std::array<float, 7> SensorValuesOf(const Located& document) {
  const Located values = Member(document, "sensor_values");
  std::array<float, 7> result{};
  if (values.value.is_null()) {
    return result;
  }
  std::size_t k = 0;
  for (const Located& element : Elements(values, result.size(), "numbers")) {
    result[k++] = FloatAt(element);
  }
  return result;
}

std::string TextWithoutZeroBytes(const Located& document, const char* name) {
  const Located field = Member(document, name);
  const std::string text = ReadAt(field, JsonToText);
  if (text.find('\0') != std::string::npos) {
    FailAt(field, "a text with a zero byte cannot be written");
  }
  return text;
}

Bytes EncodeSensorData(const Located& document) {
  const std::array<float, 7> values = SensorValuesOf(document);
  int size = 0;
  unsigned char* buffer = nullptr;
  const bool encoded = ConvertSensorDataToBytes(
      IpOf(document).c_str(), PortOf(document), DoubleAt(Member(document, "uttm")),
      TextWithoutZeroBytes(document, "sensor_address").c_str(),
      TextWithoutZeroBytes(document, "sensor_name").c_str(),
      IntegerField<int>(document, "sensor_joint_index"), values[0], values[1], values[2], values[3],
      values[4], values[5], values[6], &size, &buffer);
  return TakeBuffer(encoded, size, buffer);
}

}  // namespace

Bytes EncodeDocumentJson(const Json& object) {
  const Located root{object, ""};
  const Located document =
      object.is_object() && object.contains("document") ? Member(root, "document") : root;
  if (document.value.is_null()) {
    throw RejectedDocument("the document was rejected: there are no values to encode");
  }
  const bool kindInValues = !(object.is_object() && object.contains("kind")) &&
                            document.value.is_object() && document.value.contains("kind");
  const Located kindName = Member(kindInValues ? document : root, "kind");
  const std::optional<DocumentKind> kind =
      kindName.value.is_string() ? DocumentKindFromName(kindName.value.get<std::string>())
                                 : std::nullopt;
  // Paths name fields of the values object, as "bones[3].rotation".
  const Located values{document.value, ""};
  switch (kind.value_or(DocumentKind::unknown)) {
    case DocumentKind::skeletonDefinition: return EncodeSkeletonDefinition(values);
    case DocumentKind::frameData: return EncodeFrameData(values);
    case DocumentKind::sensorData: return EncodeSensorData(values);
    case DocumentKind::unknown: break;
  }
  FailAt(kindName, "expected " + DocumentKindNames() + ", got " + kindName.value.dump());
}

}  // namespace rmf
