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
using ravuna_bench::SensorInputs;

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
       [document = ravuna_bench::SkeletonDocument(bones)] {
         ravuna_bench::ParsedBones out;
         return ravuna_bench::ParseSkeleton(document, out);
       }},
      {"decode-frame",
       [document = ravuna_bench::FrameDocument(bones)] {
         ravuna_bench::ParsedFrame out;
         return ravuna_bench::ParseFrame(document, out);
       }},
      {"decode-sensor", [document = ravuna_bench::SensorDocument(
                             sensor)] { return ravuna_bench::ParseSensor(document); }},
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
