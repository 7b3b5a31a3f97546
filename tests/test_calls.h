// The typed calls (bindings/cpp/motion_calls.hpp) with the tests' values, and
// parse outputs that start from sentinels, so a test can tell what a call
// wrote.
#pragma once

#include <string>
#include <type_traits>
#include <utility>

#include "motion_calls.hpp"
#include "test_bytes.h"

namespace test_calls {

using namespace ravuna_motion_calls;
using test_bytes::Bytes;

inline const Sender kSender{"192.168.0.1", 7000};
constexpr std::uint64_t kIpSentinel = 0xDEADBEEF;
constexpr std::uint32_t kPortSentinel = 0xABCDEF;
constexpr int kIntSentinel = -123456;
constexpr float kFloatSentinel = -7.25F;
constexpr double kDoubleSentinel = -9.5;

// Distinct values per bone and seed.
inline Bones MakeBones(int count, int seed = 0) {
  Bones b;
  b.Resize(count);
  for (std::size_t i = 0; i < b.ids.size(); ++i) {
    const int n = static_cast<int>(i);
    b.ids[i] = seed * 1000 + n * 3 - 40;
    b.parentIds[i] = seed * 1000 + n - 1;
    for (std::size_t k = 0; k < kTransformCount; ++k) {
      b.transforms[k][i] = static_cast<float>((seed + n) * 8) + static_cast<float>(k);
    }
  }
  return b;
}

inline FrameData MakeFrame(Bones bones = {}, int number = 1) {
  return {number, 0.5F, 2.0, {1, 2, 3, 4, 5}, true, std::move(bones)};
}

inline SensorData MakeSensor(std::string address = "ab", std::string name = "c",
                             int joint = 70000) {  // beyond 16 bits
  return {1.0, std::move(address), std::move(name), joint, {0, 0, 0, 1, 0, 0, 0}};
}

// The document through the handed-out export, copied.
template <class Record>
Bytes EncodeCopy(const Record& record, const Sender& sender = kSender) {
  HandedOutDocument document;
  return EncodeHandedOut(sender, record, document) ? document.Copy() : Bytes();
}

// Outputs of one parse with every field a sentinel, the arrays and texts
// holding `capacity` sentinel elements.
template <class Record>
Parsed<Record> Sentinels(int capacity = 0) {
  Parsed<Record> p{kIpSentinel, kPortSentinel, {}};
  Record& v = p.values;
  if constexpr (std::is_same_v<Record, SensorData>) {
    const auto n = static_cast<std::size_t>(capacity);
    v = {kDoubleSentinel, std::string(n, '-'), std::string(n, '-'), kIntSentinel, {}};
    v.sensorValues.fill(kFloatSentinel);
  } else {
    if constexpr (std::is_same_v<Record, FrameData>) {
      v = {kIntSentinel, kFloatSentinel, kDoubleSentinel, {9, 9, 9, 9, 9}, false, {}};
    }
    v.bones.Resize(capacity);
    v.bones.count = kIntSentinel;
    std::fill(v.bones.ids.begin(), v.bones.ids.end(), kIntSentinel);
    std::fill(v.bones.parentIds.begin(), v.bones.parentIds.end(), kIntSentinel);
    for (auto& component : v.bones.transforms) {
      std::fill(component.begin(), component.end(), kFloatSentinel);
    }
  }
  return p;
}

// Whether every output still holds its sentinel, every array element too.
template <class Record>
bool Unwritten(Parsed<Record> out, int capacity = 0) {
  Parsed<Record> sentinels = Sentinels<Record>(capacity);
  if constexpr (!std::is_same_v<Record, SensorData>) {
    if (out.values.bones.count != kIntSentinel) return false;
    out.values.bones.count = sentinels.values.bones.count = capacity;  // compares whole arrays
  }
  return SameBits(out, sentinels);
}

// Whether only the bone count was written, as `count`.
template <class Record>
bool OnlyCountWritten(Parsed<Record> out, int capacity, int count) {
  const bool counted = std::exchange(out.values.bones.count, kIntSentinel) == count;
  return counted && Unwritten(out, capacity);
}

}  // namespace test_calls
