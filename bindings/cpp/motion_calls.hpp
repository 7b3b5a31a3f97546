// Typed C++20 calls of the library's C functions, through the public header
// alone. A document's values are plain records; each kind is encoded and
// parsed through the exports that hand out memory (copied or owned here at
// once) and through those that use the caller's memory.
//
// Every call writes exactly the outputs its export writes and passes the
// export's result on: an output the export leaves alone keeps what the caller
// put there, so a caller can see what a failed call wrote. Only Encode and
// Parse, which size the caller's memory, do more.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <type_traits>
#include <vector>

#include "ravuna_motion_serializer.h"

namespace ravuna_motion_calls {

using Bytes = std::vector<std::uint8_t>;
using ByteView = std::span<const std::uint8_t>;

inline constexpr std::size_t kTransformCount = 7;  // rotation 0 to 3, translation 0 to 2

// Where a document comes from: the address as dotted text, and the port, of
// which the low 16 bits are written.
struct Sender {
  std::string ipText;
  std::uint32_t port = 0;
};

// Per-bone values as the exports take them: a count and one array per
// component. Encoding reads max(count, 0) elements of each array; parsing
// into the caller's arrays takes the shortest array's length as the capacity
// and writes the count. Parent ids belong to skeleton definitions only.
struct Bones {
  int count = 0;
  std::vector<int> ids;
  std::vector<int> parentIds;
  std::array<std::vector<float>, kTransformCount> transforms;

  // Sets the count and gives every array that many elements.
  void Resize(int boneCount) {
    count = boneCount;
    const auto n = static_cast<std::size_t>(std::max(boneCount, 0));
    ids.resize(n);
    parentIds.resize(n);
    for (std::vector<float>& component : transforms) component.resize(n);
  }
};

struct SkeletonDefinition {
  Bones bones;
};

struct FrameData {
  int frameNumber = 0;
  float time = 0.0F;
  double uttm = 0.0;
  std::array<unsigned char, 5> timecode{};
  bool timecodeFlag = false;
  Bones bones;
};

// Encoding stops each text at its first zero byte. Parsing into the
// caller's memory gives the whole stored text, zero bytes included; the texts
// a handed-out parse copies stop at their first zero byte.
struct SensorData {
  double uttm = 0.0;
  std::string sensorAddress;
  std::string sensorName;
  int sensorJointIndex = 0;
  std::array<float, kTransformCount> sensorValues{};
};

// A parse's outputs: the sender's address packed, its port, the record.
template <class Record>
struct Parsed {
  std::uint64_t ipAddress = 0;
  std::uint32_t port = 0;
  Record values;
};

// The packed address as dotted text that packs to it again.
inline std::string IpText(std::uint64_t packed) {
  std::string text;
  for (std::uint64_t unit : {1000000000ULL, 1000000ULL, 1000ULL, 1ULL}) {
    if (!text.empty()) text += '.';
    text += std::to_string(packed / unit % 1000);
  }
  return text;
}

template <class Record>
Sender SenderOf(const Parsed<Record>& parsed) {
  return {IpText(parsed.ipAddress), parsed.port};
}

// ---- Equality bit for bit (floats by their bits, NaN payloads included) ----

template <class T>
bool SameBits(const T& a, const T& b) noexcept {
  static_assert(std::is_trivially_copyable_v<T>);
  return std::memcmp(&a, &b, sizeof(T)) == 0;
}

namespace detail {

template <class T>
bool SamePrefix(const std::vector<T>& a, const std::vector<T>& b, int count) noexcept {
  const auto n = static_cast<std::size_t>(std::max(count, 0));
  return a.size() >= n && b.size() >= n &&
         (n == 0 || std::memcmp(a.data(), b.data(), n * sizeof(T)) == 0);
}

}  // namespace detail

// The counts and each array's first `count` elements; longer arrays are
// capacity, not values. Parent ids are compared for skeleton definitions.
inline bool SameBits(const Bones& a, const Bones& b) noexcept {
  return a.count == b.count && detail::SamePrefix(a.ids, b.ids, a.count) &&
         std::equal(
             a.transforms.begin(), a.transforms.end(), b.transforms.begin(),
             [&a](const auto& x, const auto& y) { return detail::SamePrefix(x, y, a.count); });
}

inline bool SameBits(const SkeletonDefinition& a, const SkeletonDefinition& b) noexcept {
  return SameBits(a.bones, b.bones) &&
         detail::SamePrefix(a.bones.parentIds, b.bones.parentIds, a.bones.count);
}

inline bool SameBits(const FrameData& a, const FrameData& b) noexcept {
  return a.frameNumber == b.frameNumber && SameBits(a.time, b.time) && SameBits(a.uttm, b.uttm) &&
         a.timecode == b.timecode && a.timecodeFlag == b.timecodeFlag && SameBits(a.bones, b.bones);
}

inline bool SameBits(const SensorData& a, const SensorData& b) noexcept {
  return SameBits(a.uttm, b.uttm) && a.sensorAddress == b.sensorAddress &&
         a.sensorName == b.sensorName && a.sensorJointIndex == b.sensorJointIndex &&
         SameBits(a.sensorValues, b.sensorValues);
}

template <class Record>
bool SameBits(const Parsed<Record>& a, const Parsed<Record>& b) noexcept {
  return a.ipAddress == b.ipAddress && a.port == b.port && SameBits(a.values, b.values);
}

// ---- Encoding ----

// The document a Convert...ToBytes call hands out: the library's, valid until
// its next recording call (see the header).
struct HandedOutDocument {
  int size = 0;
  unsigned char* buffer = nullptr;

  Bytes Copy() const {
    return buffer != nullptr && size > 0 ? Bytes(buffer, buffer + size) : Bytes();
  }
};

namespace detail {

// The pointers and count an encoding export reads.
struct BoneArguments {
  int count;
  const int* ids;
  const int* parentIds;
  std::array<const float*, kTransformCount> t;
};

inline BoneArguments ArgumentsOf(const Bones& bones) noexcept {
  BoneArguments a{bones.count, bones.ids.data(), bones.parentIds.data(), {}};
  for (std::size_t k = 0; k < kTransformCount; ++k) a.t[k] = bones.transforms[k].data();
  return a;
}

// Caller arrays as a parsing export takes them: the shortest array bounds
// the capacity (parent ids counted only where they are written).
struct BoneArrays {
  int capacity;
  int* ids;
  int* parentIds;
  std::array<float*, kTransformCount> t;
};

inline BoneArrays ArraysOf(Bones& bones, bool withParents) noexcept {
  std::size_t capacity = bones.ids.size();
  if (withParents) capacity = std::min(capacity, bones.parentIds.size());
  BoneArrays a{0, bones.ids.data(), bones.parentIds.data(), {}};
  for (std::size_t k = 0; k < kTransformCount; ++k) {
    capacity = std::min(capacity, bones.transforms[k].size());
    a.t[k] = bones.transforms[k].data();
  }
  a.capacity = static_cast<int>(std::min<std::size_t>(capacity, 0x7FFFFFFF));
  return a;
}

inline int Capacity(std::size_t size) noexcept {
  return static_cast<int>(std::min<std::size_t>(size, 0x7FFFFFFF));
}

}  // namespace detail

inline bool EncodeHandedOut(const Sender& s, const SkeletonDefinition& r, HandedOutDocument& out) {
  const detail::BoneArguments b = detail::ArgumentsOf(r.bones);
  return ConvertSkeletonDefinitionToBytes(s.ipText.c_str(), s.port, b.count, b.ids, b.parentIds,
                                          b.t[0], b.t[1], b.t[2], b.t[3], b.t[4], b.t[5], b.t[6],
                                          &out.size, &out.buffer);
}

inline bool EncodeHandedOut(const Sender& s, const FrameData& r, HandedOutDocument& out) {
  const detail::BoneArguments b = detail::ArgumentsOf(r.bones);
  const auto& c = r.timecode;
  return ConvertFrameDataToBytes(s.ipText.c_str(), s.port, r.frameNumber, r.time, r.uttm, c[0],
                                 c[1], c[2], c[3], c[4], r.timecodeFlag, b.count, b.ids, b.t[0],
                                 b.t[1], b.t[2], b.t[3], b.t[4], b.t[5], b.t[6], &out.size,
                                 &out.buffer);
}

inline bool EncodeHandedOut(const Sender& s, const SensorData& r, HandedOutDocument& out) {
  const auto& v = r.sensorValues;
  return ConvertSensorDataToBytes(s.ipText.c_str(), s.port, r.uttm, r.sensorAddress.c_str(),
                                  r.sensorName.c_str(), r.sensorJointIndex, v[0], v[1], v[2], v[3],
                                  v[4], v[5], v[6], &out.size, &out.buffer);
}

// Into the caller's buffer; an empty span asks for the size alone. The size
// is written also when the buffer is too small.
inline bool EncodeIntoBuffer(const Sender& s, const SkeletonDefinition& r,
                             std::span<std::uint8_t> buffer, int& size) {
  const detail::BoneArguments b = detail::ArgumentsOf(r.bones);
  return ConvertSkeletonDefinitionToBuffer(s.ipText.c_str(), s.port, b.count, b.ids, b.parentIds,
                                           b.t[0], b.t[1], b.t[2], b.t[3], b.t[4], b.t[5], b.t[6],
                                           detail::Capacity(buffer.size()), buffer.data(), &size);
}

inline bool EncodeIntoBuffer(const Sender& s, const FrameData& r, std::span<std::uint8_t> buffer,
                             int& size) {
  const detail::BoneArguments b = detail::ArgumentsOf(r.bones);
  const auto& c = r.timecode;
  return ConvertFrameDataToBuffer(s.ipText.c_str(), s.port, r.frameNumber, r.time, r.uttm, c[0],
                                  c[1], c[2], c[3], c[4], r.timecodeFlag, b.count, b.ids, b.t[0],
                                  b.t[1], b.t[2], b.t[3], b.t[4], b.t[5], b.t[6],
                                  detail::Capacity(buffer.size()), buffer.data(), &size);
}

inline bool EncodeIntoBuffer(const Sender& s, const SensorData& r, std::span<std::uint8_t> buffer,
                             int& size) {
  const auto& v = r.sensorValues;
  return ConvertSensorDataToBuffer(s.ipText.c_str(), s.port, r.uttm, r.sensorAddress.c_str(),
                                   r.sensorName.c_str(), r.sensorJointIndex, v[0], v[1], v[2], v[3],
                                   v[4], v[5], v[6], detail::Capacity(buffer.size()), buffer.data(),
                                   &size);
}

// The document in a buffer of its own: the size asked first, then written.
template <class Record>
std::optional<Bytes> Encode(const Sender& sender, const Record& record) {
  int size = -1;
  if (EncodeIntoBuffer(sender, record, {}, size) || size < 0) return std::nullopt;
  Bytes document(static_cast<std::size_t>(size));
  if (!EncodeIntoBuffer(sender, record, document, size)) return std::nullopt;
  return document;
}

// ---- Parsing ----

// The arrays a bone parsing export hands out: the library's, valid until its
// next recording call. Parent ids for skeleton definitions only.
struct HandedOutArrays {
  int* ids = nullptr;
  int* parentIds = nullptr;
  std::array<float*, kTransformCount> transforms{};
};

// The texts the sensor parsing export hands out, the caller's to release.
struct TextRelease {
  void operator()(char* text) const noexcept { ReleaseSensorDataText(text); }
};
using HandedOutText = std::unique_ptr<char[], TextRelease>;

struct HandedOutTexts {
  HandedOutText address;
  HandedOutText name;
};

// Handed-out arrays, `count` elements each, copied into the caller's record.
inline void CopyHandedOut(const HandedOutArrays& from, bool withParents, Bones& to) {
  const auto n = static_cast<std::size_t>(std::max(to.count, 0));
  to.ids.assign(from.ids, from.ids + n);
  if (withParents) to.parentIds.assign(from.parentIds, from.parentIds + n);
  for (std::size_t k = 0; k < kTransformCount; ++k) {
    to.transforms[k].assign(from.transforms[k], from.transforms[k] + n);
  }
}

// Through the exports that hand out arrays. Without `arrays`, a success
// copies them into out.values.bones; with it, their addresses go there and
// nothing is read. Either way they are the library's until its next recording
// call from any thread: where other threads make such calls, call and copy
// under the caller's own lock.
inline bool ParseHandedOut(ByteView bytes, Parsed<SkeletonDefinition>& out,
                           HandedOutArrays* arrays = nullptr) {
  HandedOutArrays own;
  HandedOutArrays& a = arrays != nullptr ? *arrays : own;
  auto& t = a.transforms;
  const bool ok =
      ConvertBytesToSkeletonDefinition(detail::Capacity(bytes.size()), bytes.data(), &out.ipAddress,
                                       &out.port, &out.values.bones.count, &a.ids, &a.parentIds,
                                       &t[0], &t[1], &t[2], &t[3], &t[4], &t[5], &t[6]);
  if (ok && arrays == nullptr) CopyHandedOut(a, true, out.values.bones);
  return ok;
}

inline bool ParseHandedOut(ByteView bytes, Parsed<FrameData>& out,
                           HandedOutArrays* arrays = nullptr) {
  HandedOutArrays own;
  HandedOutArrays& a = arrays != nullptr ? *arrays : own;
  auto& t = a.transforms;
  FrameData& f = out.values;
  auto& c = f.timecode;
  const bool ok = ConvertBytesToFrameData(
      detail::Capacity(bytes.size()), bytes.data(), &out.ipAddress, &out.port, &f.frameNumber,
      &f.time, &f.uttm, &c[0], &c[1], &c[2], &c[3], &c[4], &f.timecodeFlag, &f.bones.count, &a.ids,
      &t[0], &t[1], &t[2], &t[3], &t[4], &t[5], &t[6]);
  if (ok && arrays == nullptr) CopyHandedOut(a, false, f.bones);
  return ok;
}

// The texts, handed out on success and failure alike, are copied up to their
// first zero byte; `texts` receives them whole when given, else they are
// released here.
inline bool ParseHandedOut(ByteView bytes, Parsed<SensorData>& out,
                           HandedOutTexts* texts = nullptr) {
  char* address = nullptr;
  char* name = nullptr;
  SensorData& s = out.values;
  auto& v = s.sensorValues;
  const bool ok = ConvertBytesToSensorData(
      detail::Capacity(bytes.size()), bytes.data(), &out.ipAddress, &out.port, &s.uttm, &address,
      &name, &s.sensorJointIndex, &v[0], &v[1], &v[2], &v[3], &v[4], &v[5], &v[6]);
  HandedOutTexts owned{HandedOutText(address), HandedOutText(name)};
  if (address != nullptr) s.sensorAddress = address;
  if (name != nullptr) s.sensorName = name;
  if (texts != nullptr) *texts = std::move(owned);
  return ok;
}

// Into the caller's arrays, out.values.bones: their length is the capacity;
// the count is written also when they are too small. Nothing is allocated.
inline bool ParseIntoArrays(ByteView bytes, Parsed<SkeletonDefinition>& out) {
  Bones& b = out.values.bones;
  const detail::BoneArrays a = detail::ArraysOf(b, true);
  return ConvertBytesToSkeletonDefinitionArrays(
      detail::Capacity(bytes.size()), bytes.data(), &out.ipAddress, &out.port, a.capacity, a.ids,
      a.parentIds, a.t[0], a.t[1], a.t[2], a.t[3], a.t[4], a.t[5], a.t[6], &b.count);
}

inline bool ParseIntoArrays(ByteView bytes, Parsed<FrameData>& out) {
  FrameData& f = out.values;
  auto& c = f.timecode;
  const detail::BoneArrays a = detail::ArraysOf(f.bones, false);
  return ConvertBytesToFrameDataArrays(
      detail::Capacity(bytes.size()), bytes.data(), &out.ipAddress, &out.port, &f.frameNumber,
      &f.time, &f.uttm, &c[0], &c[1], &c[2], &c[3], &c[4], &f.timecodeFlag, a.capacity, a.ids,
      a.t[0], a.t[1], a.t[2], a.t[3], a.t[4], a.t[5], a.t[6], &f.bones.count);
}

// Each text's length without its NUL, written also when a text does not fit.
struct TextLengths {
  int address = 0;
  int name = 0;
};

// Into the texts' own memory: each string's length plus its terminator is
// its capacity; on success each string is cut to the text read. Nothing is
// allocated.
inline bool ParseIntoTexts(ByteView bytes, Parsed<SensorData>& out, TextLengths& lengths) {
  SensorData& s = out.values;
  auto& v = s.sensorValues;
  // The export writes the NUL at most at data()[size()], which a string keeps.
  const bool ok = ConvertBytesToSensorDataTexts(
      detail::Capacity(bytes.size()), bytes.data(), &out.ipAddress, &out.port, &s.uttm,
      detail::Capacity(s.sensorAddress.size() + 1), s.sensorAddress.data(), &lengths.address,
      detail::Capacity(s.sensorName.size() + 1), s.sensorName.data(), &lengths.name,
      &s.sensorJointIndex, &v[0], &v[1], &v[2], &v[3], &v[4], &v[5], &v[6]);
  if (ok) {
    s.sensorAddress.resize(static_cast<std::size_t>(lengths.address));
    s.sensorName.resize(static_cast<std::size_t>(lengths.name));
  }
  return ok;
}

// Parses into the caller's memory, grown first when the document needs more;
// once grown, a reused `out` allocates nothing.
inline bool Parse(ByteView bytes, Parsed<SkeletonDefinition>& out) {
  const int capacity = detail::ArraysOf(out.values.bones, true).capacity;
  out.values.bones.count = -1;
  if (ParseIntoArrays(bytes, out)) return true;
  if (out.values.bones.count <= capacity) return false;
  out.values.bones.Resize(out.values.bones.count);
  return ParseIntoArrays(bytes, out);
}

inline bool Parse(ByteView bytes, Parsed<FrameData>& out) {
  const int capacity = detail::ArraysOf(out.values.bones, false).capacity;
  out.values.bones.count = -1;
  if (ParseIntoArrays(bytes, out)) return true;
  if (out.values.bones.count <= capacity) return false;
  out.values.bones.Resize(out.values.bones.count);
  return ParseIntoArrays(bytes, out);
}

inline bool Parse(ByteView bytes, Parsed<SensorData>& out) {
  TextLengths lengths{-1, -1};
  if (ParseIntoTexts(bytes, out, lengths)) return true;
  if (lengths.address < 0) return false;
  out.values.sensorAddress.resize(static_cast<std::size_t>(lengths.address));
  out.values.sensorName.resize(static_cast<std::size_t>(lengths.name));
  return ParseIntoTexts(bytes, out, lengths);
}

}  // namespace ravuna_motion_calls
