#include "fuzz_support.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <string>
#include <type_traits>
#include <vector>

#include "box/box_encoder.h"
#include "box/box_kinds.h"
#include "box/envelope_decoder.h"
#include "documents/document_header.h"
#include "documents/document_reads.h"
#include "documents/frame_data.h"
#include "documents/sensor_data.h"
#include "documents/skeleton_definition.h"
#include "ravuna_motion_serializer.h"
#include "test_calls.h"

namespace ravuna_fuzz {
namespace mf = ravuna_motion_format;
using calls::Bones;
using calls::FrameData;
using calls::Parsed;
using calls::SensorData;
using calls::SkeletonDefinition;
using test_calls::Sentinels;

template <class Kind>
constexpr bool kHasBones = !std::is_same_v<Kind, SensorData>;

namespace {

std::string UpToFirstZero(const std::string& text) { return text.substr(0, text.find('\0')); }

float AnyFloat(FuzzedDataProvider& input) {
  return std::bit_cast<float>(input.ConsumeIntegral<std::uint32_t>());
}

// A length first, then that many bytes, zero bytes kept.
std::string Text(FuzzedDataProvider& input, std::size_t maxLength) {
  return input.ConsumeBytesAsString(input.ConsumeIntegralInRange<std::size_t>(0, maxLength));
}

Bones DrawBones(FuzzedDataProvider& input) {
  const auto shape = input.ConsumeIntegral<std::uint8_t>();
  Bones bones;
  bones.Resize(shape == 0     ? -input.ConsumeIntegralInRange(1, 1000)
               : shape == 255 ? input.ConsumeIntegralInRange(0, 4096)
                              : input.ConsumeIntegralInRange(0, 16));
  // Values come from the input while it lasts, then from a xorshift stream.
  std::uint64_t state = input.ConsumeIntegral<std::uint64_t>() | 1U;
  const auto next = [&input, &state]() {
    state ^= state << 13U;
    state ^= state >> 7U;
    state ^= state << 17U;
    return input.remaining_bytes() >= 4 ? input.ConsumeIntegral<std::uint32_t>()
                                        : static_cast<std::uint32_t>(state >> 32U);
  };
  for (std::size_t i = 0; i < bones.ids.size(); ++i) {
    bones.ids[i] = static_cast<int>(next());
    bones.parentIds[i] = static_cast<int>(next());
    for (std::vector<float>& component : bones.transforms) {
      component[i] = std::bit_cast<float>(next());
    }
  }
  return bones;
}

// The walk's outputs as the handed-out export gives them, from the same
// sentinels. The address must be what the walk once gave by way of its
// dotted text.
template <class Kind>
Read<Kind> ReadThroughWalk(const Bytes& bytes) {
  Read<Kind> read{false, Sentinels<Kind>()};
  Parsed<Kind>& p = read.out;
  Kind& v = p.values;
  mf::SenderValues sender;
  if constexpr (kHasBones<Kind>) {
    constexpr bool frame = std::is_same_v<Kind, FrameData>;
    mf::BoneDocumentRead general =
        frame ? mf::BoneDocumentRead::OfFrameData(bytes, mf::ReadPath::generalOnly)
              : mf::BoneDocumentRead::OfSkeletonDefinition(bytes, mf::ReadPath::generalOnly);
    read.ok = general.accepted();
    sender = general.sender();
    if (read.ok) {
      const std::size_t count = general.CountBones();
      v.bones.Resize(static_cast<int>(count));
      mf::BoneOutputs out{v.bones.ids.data(), frame ? nullptr : v.bones.parentIds.data(), {}};
      for (std::size_t k = 0; k < out.transforms.size(); ++k) {
        out.transforms[k] = v.bones.transforms[k].data();
      }
      RAVUNA_FUZZ_CHECK(general.ReadBones(out, count) == count);
      if constexpr (frame) {
        const mf::FrameHeaderValues& f = general.frame();
        v.frameNumber = f.frameNumber;
        v.time = f.time;
        v.uttm = f.uttm;
        std::copy_n(f.timecode.begin(), v.timecode.size(), v.timecode.begin());
        v.timecodeFlag = f.timecode[mf::kTimecodeFlagIndex] != 0;
      }
    }
  } else {
    const mf::SensorDataRead general = mf::ReadSensorData(bytes, mf::ReadPath::generalOnly);
    read.ok = general.accepted;
    sender = general.sender;
    v.sensorAddress = general.values.sensorAddress;  // handed out on failure too
    v.sensorName = general.values.sensorName;
    if (read.ok) {
      v.uttm = general.values.uttm;
      v.sensorJointIndex = general.values.sensorJointIndex.value_or(v.sensorJointIndex);
      v.sensorValues = general.values.sensorValues.value_or(v.sensorValues);
    }
  }
  p.ipAddress = sender.packedAddress;
  RAVUNA_FUZZ_CHECK(p.ipAddress == mf::StringToIpAddress(mf::IpAddressToString(p.ipAddress)));
  if (read.ok && sender.hasPort) {
    p.port = sender.port;
  }
  return read;
}

template <class Kind>
bool SameRead(const Read<Kind>& a, const Read<Kind>& b) {
  return a.ok == b.ok && calls::SameBits(a.out, b.out);
}

int sentinelIds[1];
float sentinelFloats[1];

}  // namespace

DocumentValues DrawDocument(FuzzedDataProvider& input) {
  DocumentValues v;
  const int kind = input.ConsumeIntegralInRange(0, 2);
  v.sender.port = input.ConsumeIntegral<std::uint32_t>();
  if (input.ConsumeBool()) {
    for (int part = 0; part < 4; ++part) {
      const auto value = input.ConsumeIntegral<std::uint16_t>();
      if (part > 0) v.sender.ipText += '.';
      v.sender.ipText += std::to_string(value);
      v.packedAddress = v.packedAddress * 1000U + value;
    }
  } else {
    v.sender.ipText = UpToFirstZero(Text(input, 24));
    v.packedAddress = mf::StringToIpAddress(v.sender.ipText);
  }
  const double uttm = std::bit_cast<double>(input.ConsumeIntegral<std::uint64_t>());
  if (kind == 2) {
    SensorData s{uttm, {}, {}, static_cast<int>(input.ConsumeIntegral<std::uint32_t>()), {}};
    std::generate(s.sensorValues.begin(), s.sensorValues.end(), [&] { return AnyFloat(input); });
    s.sensorAddress = Text(input, 300);
    s.sensorName = Text(input, 300);
    v.record = std::move(s);
    return v;
  }
  if (kind == 0) {
    v.record = SkeletonDefinition{DrawBones(input)};
    return v;
  }
  FrameData f;
  f.frameNumber = static_cast<int>(input.ConsumeIntegral<std::uint32_t>());
  f.time = AnyFloat(input);
  f.uttm = uttm;
  std::generate(f.timecode.begin(), f.timecode.end(),
                [&] { return input.ConsumeIntegral<std::uint8_t>(); });
  f.timecodeFlag = input.ConsumeBool();
  f.bones = DrawBones(input);
  v.record = std::move(f);
  return v;
}

Bytes EncodeThroughExport(const DocumentValues& v) {
  calls::HandedOutDocument document;
  const bool encoded = std::visit(
      [&](const auto& record) { return calls::EncodeHandedOut(v.sender, record, document); },
      v.record);
  RAVUNA_FUZZ_CHECK(encoded && document.size > 0 && document.buffer != nullptr);
  return document.Copy();
}

Bytes EncodeThroughTree(const DocumentValues& v) {
  const auto port = static_cast<std::uint16_t>(v.sender.port);
  const auto tree = [&](const Bones& bones) {
    const auto& t = bones.transforms;
    return mf::TransformArrays{{t[0].data(), t[1].data(), t[2].data(), t[3].data()},
                               {t[4].data(), t[5].data(), t[6].data()}};
  };
  mf::MotionFormatPtr format;
  if (const auto* s = std::get_if<SkeletonDefinition>(&v.record)) {
    format = mf::BuildSkeletonDefinition(v.sender.ipText, port, s->bones.count, s->bones.ids.data(),
                                         s->bones.parentIds.data(), tree(s->bones));
  } else if (const auto* f = std::get_if<FrameData>(&v.record)) {
    const auto& c = f->timecode;
    const mf::FrameHeaderValues frame{
        f->frameNumber, f->time, f->uttm, {c[0], c[1], c[2], c[3], c[4], f->timecodeFlag}};
    format = mf::BuildFrameData(v.sender.ipText, port, frame, f->bones.count, f->bones.ids.data(),
                                tree(f->bones));
  } else {
    const auto& r = std::get<SensorData>(v.record);
    format = mf::BuildSensorData(v.sender.ipText, UpToFirstZero(r.sensorAddress),
                                 UpToFirstZero(r.sensorName), port, r.uttm, r.sensorJointIndex,
                                 r.sensorValues);
  }
  return mf::EncodeMotionFormat(format.get());
}

Bytes CheckBufferEncoding(const DocumentValues& v, FuzzedDataProvider& input) {
  constexpr std::uint8_t kUnwritten = 0xA5;
  const Bytes document = EncodeThroughExport(v);
  const std::size_t n = document.size();
  const std::size_t shortBy = input.ConsumeIntegralInRange<std::size_t>(1, n);
  const std::size_t room = n + input.ConsumeIntegralInRange<std::size_t>(0, 8);
  Bytes buffer(room, kUnwritten);
  const auto unwrittenFrom = [&buffer](std::size_t offset) {
    return std::all_of(buffer.begin() + static_cast<std::ptrdiff_t>(offset), buffer.end(),
                       [](std::uint8_t byte) { return byte == kUnwritten; });
  };
  std::visit(
      [&](const auto& record) {
        int size = -7;
        RAVUNA_FUZZ_CHECK(!calls::EncodeIntoBuffer(v.sender, record, {}, size) &&
                          static_cast<std::size_t>(size) == n);
        size = -7;
        RAVUNA_FUZZ_CHECK(!calls::EncodeIntoBuffer(v.sender, record,
                                                   std::span(buffer.data(), n - shortBy), size) &&
                          static_cast<std::size_t>(size) == n && unwrittenFrom(0));
        size = -7;
        RAVUNA_FUZZ_CHECK(calls::EncodeIntoBuffer(v.sender, record, buffer, size) &&
                          static_cast<std::size_t>(size) == n &&
                          std::equal(document.begin(), document.end(), buffer.begin()) &&
                          unwrittenFrom(n));
      },
      v.record);
  return document;
}

template <class Kind>
Read<Kind> ReadThroughExport(const Bytes& bytes, std::array<std::size_t, 2> textLengths) {
  Read<Kind> read{false, Sentinels<Kind>()};
  if constexpr (kHasBones<Kind>) {
    constexpr bool withParents = std::is_same_v<Kind, SkeletonDefinition>;
    calls::HandedOutArrays a{sentinelIds, sentinelIds, {}};
    a.transforms.fill(sentinelFloats);
    read.ok = calls::ParseHandedOut(bytes, read.out, &a);
    const bool handedOut = a.ids != sentinelIds || a.parentIds != sentinelIds ||
                           std::any_of(a.transforms.begin(), a.transforms.end(),
                                       [](const float* array) { return array != sentinelFloats; });
    RAVUNA_FUZZ_CHECK(handedOut == read.ok && (withParents || a.parentIds == sentinelIds));
    if (read.ok) {
      calls::CopyHandedOut(a, withParents, read.out.values.bones);
    }
  } else {
    calls::HandedOutTexts texts;
    read.ok = calls::ParseHandedOut(bytes, read.out, &texts);
    RAVUNA_FUZZ_CHECK(texts.address && texts.name && texts.address[textLengths[0]] == '\0' &&
                      texts.name[textLengths[1]] == '\0');
    read.out.values.sensorAddress.assign(texts.address.get(), textLengths[0]);
    read.out.values.sensorName.assign(texts.name.get(), textLengths[1]);
  }
  return read;
}

std::array<bool, 3> CheckEveryReader(const Bytes& bytes) {
  const int size = static_cast<int>(bytes.size());
  const auto skeleton = ReadThroughWalk<SkeletonDefinition>(bytes);
  RAVUNA_FUZZ_CHECK(SameRead(ReadThroughExport<SkeletonDefinition>(bytes), skeleton));
  const auto frame = ReadThroughWalk<FrameData>(bytes);
  RAVUNA_FUZZ_CHECK(SameRead(ReadThroughExport<FrameData>(bytes), frame));
  const auto sensor = ReadThroughWalk<SensorData>(bytes);
  const std::array<std::size_t, 2> lengths{sensor.out.values.sensorAddress.size(),
                                           sensor.out.values.sensorName.size()};
  RAVUNA_FUZZ_CHECK(SameRead(ReadThroughExport<SensorData>(bytes, lengths), sensor));
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

namespace {

// One caller-memory parse of the bones with `capacity` sentinel elements per
// array, checked against the handed-out parse.
template <class Kind>
bool CheckBoneArrays(const Bytes& bytes, const Read<Kind>& handedOut, int capacity) {
  Parsed<Kind> out = Sentinels<Kind>(capacity);
  const bool ok = calls::ParseIntoArrays(bytes, out);
  const int n = handedOut.out.values.bones.count;
  if (!handedOut.ok || capacity < n) {
    RAVUNA_FUZZ_CHECK(!ok && (handedOut.ok ? test_calls::OnlyCountWritten(out, capacity, n)
                                           : test_calls::Unwritten(out, capacity)));
    return false;
  }
  // The handed-out values, then the sentinels past them.
  Parsed<Kind> expected = handedOut.out;
  Bones& to = expected.values.bones;
  const Bones pad = Sentinels<Kind>(capacity).values.bones;
  const auto extend = [n](auto& values, const auto& sentinels) {
    values.insert(values.end(), sentinels.begin() + n, sentinels.end());
  };
  extend(to.ids, pad.ids);
  if constexpr (std::is_same_v<Kind, SkeletonDefinition>) extend(to.parentIds, pad.parentIds);
  for (std::size_t k = 0; k < to.transforms.size(); ++k)
    extend(to.transforms[k], pad.transforms[k]);
  RAVUNA_FUZZ_CHECK(ok && out.values.bones.count == n);
  out.values.bones.count = to.count = capacity;  // compares the whole arrays
  RAVUNA_FUZZ_CHECK(ok && calls::SameBits(out, expected));
  return true;
}

}  // namespace

void CheckCallerMemoryReads(const Bytes& bytes, FuzzedDataProvider& input) {
  const auto bones = [&](auto kind) {
    using Kind = decltype(kind);
    const Read<Kind> handedOut = ReadThroughExport<Kind>(bytes);
    const int n = handedOut.ok ? handedOut.out.values.bones.count : 0;
    if (!CheckBoneArrays(bytes, handedOut, input.ConsumeIntegralInRange(0, n + 4)) &&
        handedOut.ok) {
      CheckBoneArrays(bytes, handedOut, n);  // the exact capacity must serve
    }
  };
  bones(SkeletonDefinition{});
  bones(FrameData{});
  // The texts into strings of drawn sizes (capacities one more), then, when
  // they were short, of the lengths reported.
  Parsed<SensorData> out = Sentinels<SensorData>();
  out.values.sensorAddress.assign(input.ConsumeIntegralInRange<std::size_t>(0, 310), '-');
  out.values.sensorName.assign(input.ConsumeIntegralInRange<std::size_t>(0, 310), '-');
  const Parsed<SensorData> before = out;
  calls::TextLengths lengths{-7, -7};
  bool ok = calls::ParseIntoTexts(bytes, out, lengths);
  if (lengths.address == -7 && lengths.name == -7) {  // rejected: nothing written
    RAVUNA_FUZZ_CHECK(!ok && calls::SameBits(out, before));
    RAVUNA_FUZZ_CHECK(!ReadThroughExport<SensorData>(bytes).ok);  // its texts empty
    return;
  }
  const std::array<std::size_t, 2> whole{static_cast<std::size_t>(lengths.address),
                                         static_cast<std::size_t>(lengths.name)};
  const bool fits = lengths.address >= 0 && lengths.name >= 0 &&
                    whole[0] <= before.values.sensorAddress.size() &&
                    whole[1] <= before.values.sensorName.size();
  RAVUNA_FUZZ_CHECK(ok == fits && (ok || calls::SameBits(out, before)));
  const Read<SensorData> handedOut = ReadThroughExport<SensorData>(bytes, whole);
  if (!ok) {
    out = Sentinels<SensorData>();
    out.values.sensorAddress.resize(whole[0]);
    out.values.sensorName.resize(whole[1]);
    ok = calls::ParseIntoTexts(bytes, out, lengths);
  }
  RAVUNA_FUZZ_CHECK(ok && handedOut.ok && calls::SameBits(out, handedOut.out));
}

template Read<SkeletonDefinition> ReadThroughExport(const Bytes&, std::array<std::size_t, 2>);
template Read<FrameData> ReadThroughExport(const Bytes&, std::array<std::size_t, 2>);
template Read<SensorData> ReadThroughExport(const Bytes&, std::array<std::size_t, 2>);

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

void EditDocument(FuzzedDataProvider& input, Bytes& document, int maxEdits) {
  std::vector<std::size_t> boxes;
  for (int edits = 0; edits < maxEdits && input.remaining_bytes() > 0; ++edits) {
    boxes.clear();
    mf::WalkBoxes(document, BoxCollector(boxes));
    const int edit = input.ConsumeIntegralInRange(0, 8);
    if ((boxes.empty() && edit < 6) || document.size() > kMaxEditedLength) {
      return;
    }
    const auto at = [&document](std::size_t offset) {
      return document.begin() + static_cast<std::ptrdiff_t>(offset);
    };
    if (edit >= 6) {  // at a byte position
      const std::size_t position = input.ConsumeIntegralInRange<std::size_t>(0, document.size());
      if (edit == 6) {
        document.resize(position);
      } else if (edit == 7) {
        const Bytes bytes =
            input.ConsumeBytes<std::uint8_t>(input.ConsumeIntegralInRange<std::size_t>(0, 16));
        document.insert(at(position), bytes.begin(), bytes.end());
      } else if (position < document.size()) {
        document[position] = input.ConsumeIntegral<std::uint8_t>();
      }
      continue;
    }
    const std::size_t box = boxes[input.ConsumeIntegralInRange<std::size_t>(0, boxes.size() - 1)];
    const std::size_t length =
        std::min<std::uint64_t>(8 + std::uint64_t{SizeAt(document, box)}, document.size() - box);
    std::uint32_t size = SizeAt(document, box);
    Bytes bytes;
    switch (edit) {
      case 0: size = input.PickValueInArray(kHostileSizes); break;
      case 1: size += static_cast<std::uint32_t>(input.ConsumeIntegral<std::int8_t>()); break;
      case 2: std::memcpy(&document[box + 4], input.PickValueInArray(kCodes), 4); break;
      case 3: bytes.assign(at(box), at(box + length)); break;  // duplicated in front
      case 4: document.erase(at(box), at(box + length)); break;
      default:  // a new container around the box, claiming exactly its length
        size = static_cast<std::uint32_t>(length);
        bytes.resize(8);
        std::memcpy(bytes.data(), &size, 4);
        std::memcpy(bytes.data() + 4,
                    kCodes[input.ConsumeIntegralInRange<std::size_t>(0, kContainerCount - 1)], 4);
    }
    if (edit <= 1) std::memcpy(&document[box], &size, 4);
    if (edit == 3 || edit == 5) document.insert(at(box), bytes.begin(), bytes.end());
  }
}

}  // namespace ravuna_fuzz
