// Calls one export a fixed number of times, for instruction counts that do
// not depend on machine load; bench/callgrind_counts.sh runs it under
// callgrind, collecting inside the export only, and divides by the calls.
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <string>

#include "ravuna_motion_serializer.h"
#include "sample_documents.h"

namespace {

using ravuna_bench::BoneInputs;
using ravuna_bench::Bytes;
using ravuna_bench::SensorInputs;

bool DecodeSkeleton(const Bytes& document) {
  std::uint64_t ip = 0;
  std::uint32_t port = 0;
  int count = 0;
  int* ids = nullptr;
  int* parents = nullptr;
  float* t[7] = {};
  return ConvertBytesToSkeletonDefinition(static_cast<int>(document.size()), document.data(), &ip,
                                          &port, &count, &ids, &parents, &t[0], &t[1], &t[2], &t[3],
                                          &t[4], &t[5], &t[6]);
}

bool DecodeFrame(const Bytes& document) {
  std::uint64_t ip = 0;
  std::uint32_t port = 0;
  int frameNumber = 0;
  int count = 0;
  float time = 0.0F;
  double uttm = 0.0;
  unsigned char tc[5] = {};
  bool flag = false;
  int* ids = nullptr;
  float* t[7] = {};
  return ConvertBytesToFrameData(static_cast<int>(document.size()), document.data(), &ip, &port,
                                 &frameNumber, &time, &uttm, &tc[0], &tc[1], &tc[2], &tc[3], &tc[4],
                                 &flag, &count, &ids, &t[0], &t[1], &t[2], &t[3], &t[4], &t[5],
                                 &t[6]);
}

bool DecodeSensor(const Bytes& document) {
  std::uint64_t ip = 0;
  std::uint32_t port = 0;
  double uttm = 0.0;
  char* address = nullptr;
  char* name = nullptr;
  int joint = 0;
  float v[7] = {};
  const bool parsed = ConvertBytesToSensorData(static_cast<int>(document.size()), document.data(),
                                               &ip, &port, &uttm, &address, &name, &joint, &v[0],
                                               &v[1], &v[2], &v[3], &v[4], &v[5], &v[6]);
  ReleaseSensorDataText(address);
  ReleaseSensorDataText(name);
  return parsed;
}

// Each case, for a size (bones, or text length for the sensor cases).
std::function<bool()> MakeCase(const std::string& name, int size) {
  const BoneInputs bones(size);
  const SensorInputs sensor(static_cast<std::size_t>(size));
  int outSize = 0;
  unsigned char* outBuffer = nullptr;
  const std::map<std::string, std::function<bool()>> cases = {
      {"encode-skeleton",
       [=]() mutable { return ravuna_bench::EncodeSkeleton(bones, outSize, outBuffer); }},
      {"encode-frame",
       [=]() mutable { return ravuna_bench::EncodeFrame(bones, outSize, outBuffer); }},
      {"encode-sensor",
       [=]() mutable { return ravuna_bench::EncodeSensor(sensor, outSize, outBuffer); }},
      {"decode-skeleton",
       [document = ravuna_bench::SkeletonDocument(bones)] { return DecodeSkeleton(document); }},
      {"decode-frame",
       [document = ravuna_bench::FrameDocument(bones)] { return DecodeFrame(document); }},
      {"decode-sensor",
       [document = ravuna_bench::SensorDocument(sensor)] { return DecodeSensor(document); }},
      {"detect-frame",
       [document = ravuna_bench::FrameDocument(bones)] {
         return IsFrameDataBytes(static_cast<int>(document.size()), document.data());
       }},
  };
  const auto found = cases.find(name);
  return found == cases.end() ? std::function<bool()>() : found->second;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr,
                 "usage: motion_profile CASE SIZE CALLS\n"
                 "CASE: encode-|decode-skeleton, -frame, -sensor, detect-frame\n");
    return 2;
  }
  const std::function<bool()> call = MakeCase(argv[1], std::atoi(argv[2]));
  if (!call) {
    std::fprintf(stderr, "unknown case %s\n", argv[1]);
    return 2;
  }
  const long calls = std::atol(argv[3]);
  for (long i = 0; i < calls; ++i) {
    if (!call()) {
      std::fprintf(stderr, "call %ld failed\n", i);
      return 1;
    }
  }
  return 0;
}
