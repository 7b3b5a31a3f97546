// Calls one export a fixed number of times, for instruction counts that do
// not depend on machine load; bench/callgrind_counts.sh runs it under
// callgrind, collecting inside the export only, and divides by the calls.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "ravuna_motion_serializer.h"
#include "sample_documents.h"

namespace {

namespace calls = ravuna_motion_calls;
using ravuna_bench::BoneInputs;
using ravuna_bench::kSender;

// Each case, for a size (bones, or text length for the sensor cases).
std::function<bool()> MakeCase(const std::string& name, int size) {
  const auto bones = std::make_shared<const BoneInputs>(size);
  const auto sensor = std::make_shared<const calls::SensorData>(
      ravuna_bench::SensorInputs(static_cast<std::size_t>(size)));
  const std::map<std::string, std::function<bool()>> cases = {
      {"encode-skeleton",
       [bones] {
         calls::HandedOutDocument out;
         return calls::EncodeHandedOut(kSender, bones->skeleton, out);
       }},
      {"encode-frame",
       [bones] {
         calls::HandedOutDocument out;
         return calls::EncodeHandedOut(kSender, bones->frame, out);
       }},
      {"encode-sensor",
       [sensor] {
         calls::HandedOutDocument out;
         return calls::EncodeHandedOut(kSender, *sensor, out);
       }},
      {"decode-skeleton",
       [document = ravuna_bench::SkeletonDocument(*bones)] {
         calls::Parsed<calls::SkeletonDefinition> out;
         calls::HandedOutArrays arrays;
         return calls::ParseHandedOut(document, out, &arrays);
       }},
      {"decode-frame",
       [document = ravuna_bench::FrameDocument(*bones)] {
         calls::Parsed<calls::FrameData> out;
         calls::HandedOutArrays arrays;
         return calls::ParseHandedOut(document, out, &arrays);
       }},
      // The export itself: the wrapper's call would also copy the texts.
      {"decode-sensor",
       [document = ravuna_bench::SensorDocument(*sensor)] {
         std::uint64_t ipAddress = 0;
         std::uint32_t port = 0;
         double uttm = 0.0;
         char* address = nullptr;
         char* sensorName = nullptr;
         int joint = 0;
         float v[7] = {};
         const bool parsed = ConvertBytesToSensorData(
             static_cast<int>(document.size()), document.data(), &ipAddress, &port, &uttm, &address,
             &sensorName, &joint, &v[0], &v[1], &v[2], &v[3], &v[4], &v[5], &v[6]);
         ReleaseSensorDataText(address);
         ReleaseSensorDataText(sensorName);
         return parsed;
       }},
      {"detect-frame",
       [document = ravuna_bench::FrameDocument(*bones)] {
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
