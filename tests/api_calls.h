// Calls of the exported functions with every output captured. Outputs start
// from sentinel values, so a test can tell which ones a call wrote. Parsed
// values are compared by encoding them again: bit for bit, every field.
#pragma once

#include <array>
#include <string>

#include "ravuna_motion_serializer.h"
#include "test_bytes.h"

namespace api_calls {

using test_bytes::Bytes;
constexpr std::uint64_t kIpSentinel = 0xDEADBEEF;
constexpr std::uint32_t kPortSentinel = 0xABCDEF;
constexpr int kIntSentinel = -123456;

// Per-bone values as the caller's structure of arrays.
struct Bones {
  std::vector<int> ids, parentIds;
  std::array<std::vector<float>, 7> t;
};

// Distinct values per bone and seed.
inline Bones MakeBones(int count, int seed = 0) {
  Bones b;
  for (int i = 0; i < count; ++i) {
    b.ids.push_back(seed * 1000 + i * 3 - 40);
    b.parentIds.push_back(seed * 1000 + i - 1);
    for (std::size_t k = 0; k < 7; ++k)
      b.t[k].push_back(static_cast<float>((seed + i) * 8) + static_cast<float>(k));
  }
  return b;
}

struct Frame {
  int number = 1;
  float time = 0.5F;
  double uttm = 2.0;
  std::array<unsigned char, 5> timecode = {1, 2, 3, 4, 5};
  bool flag = true;
};

struct Sensor {
  double uttm = 1.0;
  std::string address = "ab", name = "c";
  int joint = 70000;  // beyond 16 bits
  std::array<float, 7> v = {0, 0, 0, 1, 0, 0, 0};
};

// Everything a call can write. Sensor texts are copied and released.
struct Result {
  bool ok = false;
  int size = kIntSentinel;  // encoded document
  unsigned char* buffer = nullptr;
  std::uint64_t ip = kIpSentinel;  // parsed values
  std::uint32_t port = kPortSentinel;
  int count = kIntSentinel;
  int *ids = nullptr, *parentIds = nullptr;
  std::array<float*, 7> t{};
  Frame frame{kIntSentinel, -7.25F, -9.5, {9, 9, 9, 9, 9}, false};
  Sensor sensor{
      -9.5, "-", "-", kIntSentinel, {-7.25F, -7.25F, -7.25F, -7.25F, -7.25F, -7.25F, -7.25F}};

  Bytes Copy() const { return ok ? Bytes(buffer, buffer + size) : Bytes(); }
  Bones Values() const {
    Bones b{{ids, ids + count}, {}, {}};
    if (parentIds != nullptr) b.parentIds.assign(parentIds, parentIds + count);
    for (std::size_t k = 0; k < 7; ++k) b.t[k].assign(t[k], t[k] + count);
    return b;
  }
  std::string IpText() const {  // groups of three decimal digits
    const auto group = [this](std::uint64_t unit) { return std::to_string(ip / unit % 1000); };
    return group(1000000000) + "." + group(1000000) + "." + group(1000) + "." + group(1);
  }
};

inline Result EncodeSkeleton(const Bones& b, const char* ip = "192.168.0.1",
                             std::uint32_t port = 7000) {
  Result r;
  const auto& t = b.t;
  r.ok = ConvertSkeletonDefinitionToBytes(ip, port, static_cast<int>(b.ids.size()), b.ids.data(),
                                          b.parentIds.data(), t[0].data(), t[1].data(), t[2].data(),
                                          t[3].data(), t[4].data(), t[5].data(), t[6].data(),
                                          &r.size, &r.buffer);
  return r;
}

inline Result EncodeFrame(const Bones& b, const Frame& f = {}, const char* ip = "192.168.0.1",
                          std::uint32_t port = 7000) {
  Result r;
  const auto& t = b.t;
  const auto& c = f.timecode;
  r.ok = ConvertFrameDataToBytes(ip, port, f.number, f.time, f.uttm, c[0], c[1], c[2], c[3], c[4],
                                 f.flag, static_cast<int>(b.ids.size()), b.ids.data(), t[0].data(),
                                 t[1].data(), t[2].data(), t[3].data(), t[4].data(), t[5].data(),
                                 t[6].data(), &r.size, &r.buffer);
  return r;
}

inline Result EncodeSensor(const Sensor& s = {}, const char* ip = "192.168.0.1",
                           std::uint32_t port = 7000) {
  Result r;
  const auto& v = s.v;
  r.ok = ConvertSensorDataToBytes(ip, port, s.uttm, s.address.c_str(), s.name.c_str(), s.joint,
                                  v[0], v[1], v[2], v[3], v[4], v[5], v[6], &r.size, &r.buffer);
  return r;
}

inline Result DecodeSkeleton(const Bytes& bytes) {
  Result r;
  auto& t = r.t;
  r.ok = ConvertBytesToSkeletonDefinition(static_cast<int>(bytes.size()), bytes.data(), &r.ip,
                                          &r.port, &r.count, &r.ids, &r.parentIds, &t[0], &t[1],
                                          &t[2], &t[3], &t[4], &t[5], &t[6]);
  return r;
}

inline Result DecodeFrame(const Bytes& bytes) {
  Result r;
  auto& t = r.t;
  auto& f = r.frame;
  auto& c = f.timecode;
  r.ok = ConvertBytesToFrameData(static_cast<int>(bytes.size()), bytes.data(), &r.ip, &r.port,
                                 &f.number, &f.time, &f.uttm, &c[0], &c[1], &c[2], &c[3], &c[4],
                                 &f.flag, &r.count, &r.ids, &t[0], &t[1], &t[2], &t[3], &t[4],
                                 &t[5], &t[6]);
  return r;
}

inline Result DecodeSensor(const Bytes& bytes) {
  Result r;
  char *address = nullptr, *name = nullptr;
  auto& s = r.sensor;
  auto& v = s.v;
  r.ok = ConvertBytesToSensorData(static_cast<int>(bytes.size()), bytes.data(), &r.ip, &r.port,
                                  &s.uttm, &address, &name, &s.joint, &v[0], &v[1], &v[2], &v[3],
                                  &v[4], &v[5], &v[6]);
  s.address = address != nullptr ? address : "<null>";
  s.name = name != nullptr ? name : "<null>";
  ReleaseSensorDataText(address);
  ReleaseSensorDataText(name);
  return r;
}

enum class Kind { skeleton, frame, sensor };

inline Result Decode(Kind kind, const Bytes& bytes) {
  return kind == Kind::skeleton ? DecodeSkeleton(bytes)
         : kind == Kind::frame  ? DecodeFrame(bytes)
                                : DecodeSensor(bytes);
}

// The document the parsed values make when encoded again.
inline Bytes Reencode(Kind kind, const Result& r) {
  const std::string ip = r.IpText();
  return (kind == Kind::skeleton ? EncodeSkeleton(r.Values(), ip.c_str(), r.port)
          : kind == Kind::frame  ? EncodeFrame(r.Values(), r.frame, ip.c_str(), r.port)
                                 : EncodeSensor(r.sensor, ip.c_str(), r.port))
      .Copy();
}

}  // namespace api_calls
