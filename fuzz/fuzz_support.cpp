#include "fuzz_support.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <iterator>

#include "box/box_encoder.h"
#include "box/box_kinds.h"
#include "box/envelope_decoder.h"
#include "documents/document_header.h"
#include "documents/document_reads.h"
#include "documents/frame_data.h"
#include "documents/sensor_data.h"
#include "documents/skeleton_definition.h"
#include "ravuna_motion_serializer.h"

namespace ravuna_fuzz {
namespace mf = ravuna_motion_format;
namespace {

std::string UpToFirstZero(const std::string& text) { return text.substr(0, text.find('\0')); }

std::vector<std::uint32_t> Bits(const float* values, std::size_t count) {
  std::vector<std::uint32_t> bits;
  std::transform(values, values + count, std::back_inserter(bits),
                 std::bit_cast<std::uint32_t, float>);
  return bits;
}

// The general walk's values as the exports hand them out: one element per
// bone id in every array. The address must be what the walk once gave by
// way of its dotted text.
template <bool Frame>
BoneRead ReadBonesThroughWalk(const Bytes& bytes) {
  mf::BoneDocumentRead general =
      Frame ? mf::BoneDocumentRead::OfFrameData(bytes, mf::ReadPath::generalOnly)
            : mf::BoneDocumentRead::OfSkeletonDefinition(bytes, mf::ReadPath::generalOnly);
  BoneRead read;
  read.ok = general.accepted();
  read.ip = general.sender().packedAddress;
  RAVUNA_FUZZ_CHECK(read.ip == mf::StringToIpAddress(mf::IpAddressToString(read.ip)));
  if (!read.ok) {
    return read;
  }
  if (general.sender().hasPort) {
    read.port = general.sender().port;
  }
  const std::size_t count = general.CountBones();
  read.count = static_cast<int>(count);
  read.ids.resize(count);
  read.parentIds.resize(Frame ? 0 : count);
  std::array<std::vector<float>, 7> transform;
  mf::BoneOutputs out{read.ids.data(), Frame ? nullptr : read.parentIds.data(), {}};
  for (std::size_t k = 0; k < 7; ++k) {
    transform[k].resize(count);
    out.transforms[k] = transform[k].data();
  }
  RAVUNA_FUZZ_CHECK(general.ReadBones(out, count) == count);
  for (std::size_t k = 0; k < 7; ++k) {
    read.transform[k] = Bits(transform[k].data(), count);
  }
  if constexpr (Frame) {
    const mf::FrameHeaderValues& frame = general.frame();
    read.frameNumber = frame.frameNumber;
    read.time = std::bit_cast<std::uint32_t>(frame.time);
    read.uttm = std::bit_cast<std::uint64_t>(frame.uttm);
    std::copy(frame.timecode.begin(), frame.timecode.end(), read.timecode.begin());
  }
  return read;
}

SensorRead ReadSensorThroughWalk(const Bytes& bytes) {
  const mf::SensorDataRead general = mf::ReadSensorData(bytes, mf::ReadPath::generalOnly);
  SensorRead read;
  read.ok = general.accepted;
  read.ip = general.sender.packedAddress;
  RAVUNA_FUZZ_CHECK(read.ip == mf::StringToIpAddress(mf::IpAddressToString(read.ip)));
  read.address = general.values.sensorAddress;
  read.name = general.values.sensorName;
  if (read.ok) {
    if (general.sender.hasPort) {
      read.port = general.sender.port;
    }
    read.uttm = std::bit_cast<std::uint64_t>(general.values.uttm);
    read.jointIndex = general.values.sensorJointIndex.value_or(read.jointIndex);
    if (general.values.sensorValues) {
      std::transform(general.values.sensorValues->begin(), general.values.sensorValues->end(),
                     read.values.begin(), std::bit_cast<std::uint32_t, float>);
    }
  }
  return read;
}

int sentinelIds[1];
float sentinelFloats[1];

// Runs a bone parser with sentinel outputs: arrays are handed out exactly
// when it succeeds, and then copied.
template <class Call>
BoneRead ReadBones(Call call, bool withParents) {
  BoneRead read;
  int* ids[2] = {sentinelIds, sentinelIds};
  float* t[7];
  std::fill(std::begin(t), std::end(t), static_cast<float*>(sentinelFloats));
  read.ok = call(read, ids, t);
  const bool written = ids[0] != sentinelIds || ids[1] != sentinelIds ||
                       std::any_of(std::begin(t), std::end(t),
                                   [](const float* array) { return array != sentinelFloats; });
  RAVUNA_FUZZ_CHECK(written == read.ok && (withParents || ids[1] == sentinelIds));
  if (read.ok) {
    const auto n = static_cast<std::size_t>(read.count);
    read.ids.assign(ids[0], ids[0] + n);
    read.parentIds.assign(ids[1], ids[1] + (withParents ? n : 0));
    for (std::size_t k = 0; k < 7; ++k) {
      read.transform[k] = Bits(t[k], n);
    }
  }
  return read;
}

}  // namespace

std::string FuzzInput::Text(std::uint32_t maxLength) {
  const std::uint32_t drawn = UpTo(maxLength);
  const std::size_t length = std::min<std::size_t>(drawn, Remaining());
  std::string text(reinterpret_cast<const char*>(data_ + position_), length);
  position_ += length;
  return text;
}

DocumentValues DrawDocument(FuzzInput& input) {
  DocumentValues v;
  v.kind = static_cast<Kind>(input.Byte() % 3);
  v.port = input.Integer<std::uint32_t>();
  if (input.Bool()) {
    for (int part = 0; part < 4; ++part) {
      const auto value = input.Integer<std::uint16_t>();
      v.ipText += part > 0 ? "." : "";
      v.ipText += std::to_string(value);
      v.packedAddress = v.packedAddress * 1000U + value;
    }
  } else {
    v.ipText = UpToFirstZero(input.Text(24));
    v.packedAddress = mf::StringToIpAddress(v.ipText);
  }
  v.uttm = std::bit_cast<double>(input.Integer<std::uint64_t>());
  if (v.kind == Kind::sensorData) {
    v.jointIndex = input.Integer<int>();
    std::generate(v.values.begin(), v.values.end(),
                  [&] { return std::bit_cast<float>(input.Integer<std::uint32_t>()); });
    v.address = input.Text(300);
    v.name = input.Text(300);
    return v;
  }
  if (v.kind == Kind::frameData) {
    v.frameNumber = input.Integer<int>();
    v.time = std::bit_cast<float>(input.Integer<std::uint32_t>());
    std::generate(v.timecode.begin(), v.timecode.end(), [&] { return input.Byte(); });
    v.flag = input.Bool();
  }
  const std::uint8_t shape = input.Byte();
  v.boneCount = shape == 0     ? -static_cast<int>(input.UpTo(1000)) - 1
                : shape == 255 ? static_cast<int>(input.UpTo(4096))
                               : static_cast<int>(input.UpTo(16));
  // Values come from the input while it lasts, then from a xorshift stream.
  std::uint64_t state = input.Integer<std::uint64_t>() | 1U;
  const auto next = [&input, &state]() {
    state ^= state << 13U;
    state ^= state >> 7U;
    state ^= state << 17U;
    return input.Remaining() >= 4 ? input.Integer<std::uint32_t>()
                                  : static_cast<std::uint32_t>(state >> 32U);
  };
  for (int i = 0; i < v.boneCount; ++i) {
    v.ids.push_back(static_cast<int>(next()));
    v.parentIds.push_back(static_cast<int>(next()));
    for (std::vector<float>& component : v.transform) {
      component.push_back(std::bit_cast<float>(next()));
    }
  }
  return v;
}

Bytes EncodeThroughExport(const DocumentValues& v) {
  int size = 0;
  unsigned char* buffer = nullptr;
  const auto& t = v.transform;
  const auto& tc = v.timecode;
  const auto& s = v.values;
  const char* ip = v.ipText.c_str();
  bool encoded = false;
  if (v.kind == Kind::skeletonDefinition) {
    encoded = ConvertSkeletonDefinitionToBytes(
        ip, v.port, v.boneCount, v.ids.data(), v.parentIds.data(), t[0].data(), t[1].data(),
        t[2].data(), t[3].data(), t[4].data(), t[5].data(), t[6].data(), &size, &buffer);
  } else if (v.kind == Kind::frameData) {
    encoded = ConvertFrameDataToBytes(ip, v.port, v.frameNumber, v.time, v.uttm, tc[0], tc[1],
                                      tc[2], tc[3], tc[4], v.flag, v.boneCount, v.ids.data(),
                                      t[0].data(), t[1].data(), t[2].data(), t[3].data(),
                                      t[4].data(), t[5].data(), t[6].data(), &size, &buffer);
  } else {
    encoded = ConvertSensorDataToBytes(ip, v.port, v.uttm, v.address.c_str(), v.name.c_str(),
                                       v.jointIndex, s[0], s[1], s[2], s[3], s[4], s[5], s[6],
                                       &size, &buffer);
  }
  RAVUNA_FUZZ_CHECK(encoded && size > 0 && buffer != nullptr);
  return Bytes(buffer, buffer + size);
}

Bytes EncodeThroughTree(const DocumentValues& v) {
  const auto port = static_cast<std::uint16_t>(v.port);
  const auto& t = v.transform;
  const mf::TransformArrays transforms{{t[0].data(), t[1].data(), t[2].data(), t[3].data()},
                                       {t[4].data(), t[5].data(), t[6].data()}};
  const auto& tc = v.timecode;
  const mf::FrameHeaderValues frame{
      v.frameNumber, v.time, v.uttm, {tc[0], tc[1], tc[2], tc[3], tc[4], v.flag}};
  const mf::MotionFormatPtr format =
      v.kind == Kind::skeletonDefinition
          ? mf::BuildSkeletonDefinition(v.ipText, port, v.boneCount, v.ids.data(),
                                        v.parentIds.data(), transforms)
      : v.kind == Kind::frameData
          ? mf::BuildFrameData(v.ipText, port, frame, v.boneCount, v.ids.data(), transforms)
          : mf::BuildSensorData(v.ipText, UpToFirstZero(v.address), UpToFirstZero(v.name), port,
                                v.uttm, v.jointIndex, v.values);
  return mf::EncodeMotionFormat(format.get());
}

BoneRead ReadSkeletonThroughExport(const Bytes& bytes) {
  return ReadBones(
      [&bytes](BoneRead& r, int*(&ids)[2], float*(&t)[7]) {
        return ConvertBytesToSkeletonDefinition(static_cast<int>(bytes.size()), bytes.data(), &r.ip,
                                                &r.port, &r.count, &ids[0], &ids[1], &t[0], &t[1],
                                                &t[2], &t[3], &t[4], &t[5], &t[6]);
      },
      true);
}

BoneRead ReadFrameThroughExport(const Bytes& bytes) {
  float time = std::bit_cast<float>(1U);
  double uttm = std::bit_cast<double>(std::uint64_t{1});
  bool flag = true;
  BoneRead read = ReadBones(
      [&](BoneRead& r, int*(&ids)[2], float*(&t)[7]) {
        auto& tc = r.timecode;
        return ConvertBytesToFrameData(static_cast<int>(bytes.size()), bytes.data(), &r.ip, &r.port,
                                       &r.frameNumber, &time, &uttm, &tc[0], &tc[1], &tc[2], &tc[3],
                                       &tc[4], &flag, &r.count, &ids[0], &t[0], &t[1], &t[2], &t[3],
                                       &t[4], &t[5], &t[6]);
      },
      false);
  read.time = std::bit_cast<std::uint32_t>(time);
  read.uttm = std::bit_cast<std::uint64_t>(uttm);
  unsigned char flagByte = 0;
  std::memcpy(&flagByte, &flag, 1);
  RAVUNA_FUZZ_CHECK(flagByte == 1 || (read.ok && flagByte == 0));
  if (read.ok) {
    read.timecode[5] = flagByte;
  }
  return read;
}

SensorRead ReadSensorThroughExport(const Bytes& bytes, std::size_t addressLength,
                                   std::size_t nameLength) {
  SensorRead read;
  double uttm = std::bit_cast<double>(read.uttm);
  char* texts[2] = {nullptr, nullptr};
  float v[7];
  std::fill(std::begin(v), std::end(v), std::bit_cast<float>(1U));
  read.ok = ConvertBytesToSensorData(static_cast<int>(bytes.size()), bytes.data(), &read.ip,
                                     &read.port, &uttm, &texts[0], &texts[1], &read.jointIndex,
                                     &v[0], &v[1], &v[2], &v[3], &v[4], &v[5], &v[6]);
  RAVUNA_FUZZ_CHECK(texts[0] != nullptr && texts[1] != nullptr && texts[0] != texts[1]);
  read.uttm = std::bit_cast<std::uint64_t>(uttm);
  std::transform(std::begin(v), std::end(v), read.values.begin(),
                 std::bit_cast<std::uint32_t, float>);
  // Each text holds its bytes and a terminator; the copy reads them all.
  RAVUNA_FUZZ_CHECK(texts[0][addressLength] == '\0' && texts[1][nameLength] == '\0');
  read.address.assign(texts[0], addressLength);
  read.name.assign(texts[1], nameLength);
  ReleaseSensorDataText(texts[0]);
  ReleaseSensorDataText(texts[1]);
  return read;
}

std::array<bool, 3> CheckEveryReader(const Bytes& bytes) {
  const int size = static_cast<int>(bytes.size());
  const BoneRead skeleton = ReadBonesThroughWalk<false>(bytes);
  RAVUNA_FUZZ_CHECK(ReadSkeletonThroughExport(bytes) == skeleton);
  const BoneRead frame = ReadBonesThroughWalk<true>(bytes);
  RAVUNA_FUZZ_CHECK(ReadFrameThroughExport(bytes) == frame);
  const SensorRead sensor = ReadSensorThroughWalk(bytes);
  RAVUNA_FUZZ_CHECK(ReadSensorThroughExport(bytes, sensor.address.size(), sensor.name.size()) ==
                    sensor);
  const bool isRmf = IsRmfBytes(size, bytes.data());
  RAVUNA_FUZZ_CHECK(!skeleton.ok || (isRmf && IsSkeletonDefinitionBytes(size, bytes.data())));
  RAVUNA_FUZZ_CHECK(!frame.ok || (isRmf && IsFrameDataBytes(size, bytes.data())));
  RAVUNA_FUZZ_CHECK(!sensor.ok || (isRmf && IsSensorDataBytes(size, bytes.data())));
  // The verdict accepts a kind exactly where its parse succeeds, and its text
  // always fits the documented capacity.
  const bool parsed[] = {skeleton.ok, frame.ok, sensor.ok};
  for (std::uint32_t kind = 0; kind <= 3; ++kind) {
    RavunaDocumentVerdict verdict{};
    RAVUNA_FUZZ_CHECK(JudgeDocumentBytes(size, bytes.data(), kind, &verdict));
    RAVUNA_FUZZ_CHECK(kind == 0 || (verdict.reason == RAVUNA_VERDICT_ACCEPTED) == parsed[kind - 1]);
    RAVUNA_FUZZ_CHECK(verdict.reason == RAVUNA_VERDICT_ACCEPTED || verdict.lenientReads == 0);
    char text[RAVUNA_VERDICT_TEXT_CAPACITY];
    int textLength = 0;
    RAVUNA_FUZZ_CHECK(DescribeDocumentVerdict(&verdict, sizeof text, text, &textLength) &&
                      textLength < RAVUNA_VERDICT_TEXT_CAPACITY);
  }
  return {skeleton.ok, frame.ok, sensor.ok};
}

namespace {  // edits of encoded documents

// Every code of the kinds table but "none": containers first, then leaves,
// each in table order.
constexpr auto kCodes = [] {
  constexpr const char* kTableCodes[] = {
#define RAVUNA_FUZZ_CODE(name, number, code, valueType) code,
      RAVUNA_BOX_KINDS(RAVUNA_FUZZ_CODE)
#undef RAVUNA_FUZZ_CODE
  };
  std::array<const char*, mf::kBoxKindCount - 1> codes{};
  std::size_t next = 0;
  for (const bool containers : {true, false}) {
    for (std::uint32_t kind = 1; kind < mf::kBoxKindCount; ++kind) {
      if (((mf::kContainerKinds >> kind & 1U) != 0) == containers) {
        codes[next++] = kTableCodes[kind];
      }
    }
  }
  return codes;
}();
constexpr std::size_t kContainerCount = std::popcount(mf::kContainerKinds);
// Sizes that probe the walk's arithmetic: zero, short, the signed limits,
// values that wrap a 32-bit offset back onto itself.
constexpr std::uint32_t kHostileSizes[] = {
    0U, 1U, 7U, 8U, 0x7FFFFFFFU, 0x80000000U, 0xFFFFFFF8U, 0xFFFFFFFFU, 0xFFFFFFF0U};
// Growing edits stop here, where runs would measure the sanitizers' per-byte cost.
constexpr std::size_t kMaxEditedLength = 1U << 16U;

std::uint32_t SizeAt(const Bytes& document, std::size_t offset) {
  std::uint32_t size = 0;
  std::memcpy(&size, &document[offset], 4);  // little-endian hosts only: fuzzing runs on x86-64
  return size;
}

// Header offsets of the boxes the walk meets, depth first, at most 4096 and
// at most 8 levels deep: the places an edit may hit.
class BoxCollector : public mf::BoxWalkReader {
 public:
  explicit BoxCollector(std::vector<std::size_t>& offsets) noexcept : offsets_(offsets) {}
  void Leaf(const mf::WalkedBox& box) { Collect(box); }
  void UnknownCode(const mf::WalkedBox& box) { Collect(box); }
  void NestingCap(const mf::WalkedBox& box) { Collect(box); }
  void UnvisitedHeader(const mf::WalkedBox& box) { Collect(box); }
  bool Enter(const mf::WalkedBox& box) {
    Collect(box);
    return box.depth < 7;
  }

 private:
  void Collect(const mf::WalkedBox& box) {
    if (offsets_.size() < 4096) {
      offsets_.push_back(static_cast<std::size_t>(box.offset));
    }
  }
  std::vector<std::size_t>& offsets_;
};

}  // namespace

void EditDocument(FuzzInput& input, Bytes& document, int maxEdits) {
  std::vector<std::size_t> boxes;
  for (int edits = 0; edits < maxEdits && input.Remaining() > 0; ++edits) {
    boxes.clear();
    mf::WalkBoxes(document, BoxCollector(boxes));
    const std::uint8_t edit = input.Byte() % 9;
    if ((boxes.empty() && edit < 6) || document.size() > kMaxEditedLength) {
      return;
    }
    const std::size_t box = boxes.empty() ? 0 : boxes[input.UpTo(0xFFFF) % boxes.size()];
    const std::size_t length =
        std::min<std::uint64_t>(8 + std::uint64_t{SizeAt(document, box)}, document.size() - box);
    const std::size_t position = input.UpTo(0xFFFF) % (document.size() + 1);
    const auto at = [&document](std::size_t offset) {
      return document.begin() + static_cast<std::ptrdiff_t>(offset);
    };
    std::uint32_t size = SizeAt(document, box);
    std::string bytes;
    switch (edit) {
      case 0: size = kHostileSizes[input.Byte() % std::size(kHostileSizes)]; break;
      case 1: size += static_cast<std::uint32_t>(input.Integer<std::int8_t>()); break;
      case 2: std::memcpy(&document[box + 4], kCodes[input.Byte() % std::size(kCodes)], 4); break;
      case 3: bytes.assign(at(box), at(box + length)); break;  // duplicated in front
      case 4: document.erase(at(box), at(box + length)); break;
      case 5:  // a new container around the box, claiming exactly its length
        size = static_cast<std::uint32_t>(length);
        bytes.assign(reinterpret_cast<const char*>(&size), 4)
            .append(kCodes[input.Byte() % kContainerCount], 4);
        break;
      case 6: document.resize(position); break;
      case 7:
        bytes = input.Text(16);
        document.insert(at(position), bytes.begin(), bytes.end());
        break;
      default:
        if (position < document.size()) document[position] = input.Byte();
    }
    if (edit <= 1) std::memcpy(&document[box], &size, 4);
    if (edit == 3 || edit == 5) document.insert(at(box), bytes.begin(), bytes.end());
  }
}

}  // namespace ravuna_fuzz
