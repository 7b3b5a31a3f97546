// Calls of the exported functions with every output captured, for the
// black-box tests. Outputs start from sentinel values, so a test can tell
// which ones a call wrote.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "ravuna_motion_serializer.h"
#include "test_bytes.h"

namespace api_calls {

using test_bytes::Bytes;

constexpr std::uint64_t kIpSentinel = 0xDEADBEEFULL;
constexpr std::uint32_t kPortSentinel = 0xABCDEF;
constexpr int kIntSentinel = -123456;
constexpr float kFloatSentinel = -7.25F;
constexpr double kDoubleSentinel = -9.5;

inline int* IntSentinelPointer() { return reinterpret_cast<int*>(0x10); }
inline float* FloatSentinelPointer() { return reinterpret_cast<float*>(0x20); }

inline std::array<float*, 7> SentinelTransforms() {
  std::array<float*, 7> transforms;
  transforms.fill(FloatSentinelPointer());
  return transforms;
}

// Per-bone values as the caller's structure of arrays.
struct Bones {
  std::vector<int> ids;
  std::vector<int> parentIds;  // skeleton definitions only
  std::array<std::vector<float>, 7> transforms;

  int Count() const { return static_cast<int>(ids.size()); }
  const float* T(std::size_t k) const { return transforms[k].data(); }
};

// Bones with distinct, exactly representable values.
inline Bones MakeBones(int count) {
  Bones bones;
  for (int i = 0; i < count; ++i) {
    bones.ids.push_back(i * 3 - 40);
    bones.parentIds.push_back(i - 1);
    for (std::size_t k = 0; k < 7; ++k) {
      bones.transforms[k].push_back(static_cast<float>(i) * 0.5F + static_cast<float>(k) * 0.25F -
                                    1.0F);
    }
  }
  return bones;
}

struct Encoded {
  bool ok = false;
  int size = kIntSentinel;
  unsigned char* buffer = nullptr;

  Bytes Copy() const { return ok ? Bytes(buffer, buffer + size) : Bytes(); }
};

inline Encoded EncodeSkeleton(const Bones& b, const char* ip = "192.168.0.1",
                              std::uint32_t port = 7000) {
  Encoded e;
  e.ok = ConvertSkeletonDefinitionToBytes(ip, port, b.Count(), b.ids.data(), b.parentIds.data(),
                                          b.T(0), b.T(1), b.T(2), b.T(3), b.T(4), b.T(5), b.T(6),
                                          &e.size, &e.buffer);
  return e;
}

struct FrameScalars {
  int frameNumber = 1;
  float time = 0.5F;
  double uttm = 2.0;
  std::array<unsigned char, 5> timecode = {1, 2, 3, 4, 5};
  bool flag = true;
};

inline Encoded EncodeFrame(const Bones& b, const FrameScalars& f = {},
                           const char* ip = "192.168.0.1", std::uint32_t port = 7000) {
  Encoded e;
  const auto& t = f.timecode;
  e.ok = ConvertFrameDataToBytes(ip, port, f.frameNumber, f.time, f.uttm, t[0], t[1], t[2], t[3],
                                 t[4], f.flag, b.Count(), b.ids.data(), b.T(0), b.T(1), b.T(2),
                                 b.T(3), b.T(4), b.T(5), b.T(6), &e.size, &e.buffer);
  return e;
}

struct SensorRecord {
  double uttm = 1.0;
  std::string address = "ab";
  std::string name = "c";
  int jointIndex = 3;
  std::array<float, 7> values = {0, 0, 0, 1, 0, 0, 0};
};

inline Encoded EncodeSensor(const SensorRecord& r, const char* ip = "192.168.0.1",
                            std::uint32_t port = 7000) {
  Encoded e;
  const auto& v = r.values;
  e.ok = ConvertSensorDataToBytes(ip, port, r.uttm, r.address.c_str(), r.name.c_str(), r.jointIndex,
                                  v[0], v[1], v[2], v[3], v[4], v[5], v[6], &e.size, &e.buffer);
  return e;
}

struct SkeletonRead {
  bool ok = false;
  std::uint64_t ip = kIpSentinel;
  std::uint32_t port = kPortSentinel;
  int count = kIntSentinel;
  int* ids = IntSentinelPointer();
  int* parentIds = IntSentinelPointer();
  std::array<float*, 7> transforms = SentinelTransforms();
};

inline SkeletonRead DecodeSkeleton(const Bytes& bytes) {
  SkeletonRead r;
  auto& t = r.transforms;
  r.ok = ConvertBytesToSkeletonDefinition(static_cast<int>(bytes.size()), bytes.data(), &r.ip,
                                          &r.port, &r.count, &r.ids, &r.parentIds, &t[0], &t[1],
                                          &t[2], &t[3], &t[4], &t[5], &t[6]);
  return r;
}

struct FrameRead {
  bool ok = false;
  std::uint64_t ip = kIpSentinel;
  std::uint32_t port = kPortSentinel;
  int frameNumber = kIntSentinel;
  float time = kFloatSentinel;
  double uttm = kDoubleSentinel;
  std::array<unsigned char, 5> timecode = {99, 99, 99, 99, 99};
  bool flag = false;
  int count = kIntSentinel;
  int* ids = IntSentinelPointer();
  std::array<float*, 7> transforms = SentinelTransforms();
};

inline FrameRead DecodeFrame(const Bytes& bytes) {
  FrameRead r;
  auto& t = r.transforms;
  auto& c = r.timecode;
  r.ok = ConvertBytesToFrameData(static_cast<int>(bytes.size()), bytes.data(), &r.ip, &r.port,
                                 &r.frameNumber, &r.time, &r.uttm, &c[0], &c[1], &c[2], &c[3],
                                 &c[4], &r.flag, &r.count, &r.ids, &t[0], &t[1], &t[2], &t[3],
                                 &t[4], &t[5], &t[6]);
  return r;
}

struct SensorRead {
  bool ok = false;
  std::uint64_t ip = kIpSentinel;
  std::uint32_t port = kPortSentinel;
  double uttm = kDoubleSentinel;
  std::string address;  // copies of the handed-out texts, which are released
  std::string name;
  bool textsHandedOut = false;
  int jointIndex = kIntSentinel;
  std::array<float, 7> values = {kFloatSentinel, kFloatSentinel, kFloatSentinel, kFloatSentinel,
                                 kFloatSentinel, kFloatSentinel, kFloatSentinel};
};

inline SensorRead DecodeSensor(const Bytes& bytes) {
  SensorRead r;
  char* address = nullptr;
  char* name = nullptr;
  auto& v = r.values;
  r.ok = ConvertBytesToSensorData(static_cast<int>(bytes.size()), bytes.data(), &r.ip, &r.port,
                                  &r.uttm, &address, &name, &r.jointIndex, &v[0], &v[1], &v[2],
                                  &v[3], &v[4], &v[5], &v[6]);
  r.textsHandedOut = address != nullptr && name != nullptr;
  if (r.textsHandedOut) {
    r.address = address;
    r.name = name;
  }
  ReleaseSensorDataText(address);
  ReleaseSensorDataText(name);
  return r;
}

}  // namespace api_calls
