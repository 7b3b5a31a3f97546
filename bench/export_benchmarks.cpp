// One benchmark per export and input size, called through the public header
// exactly as a host calls it.
#include <memory>
#include <string>

#include "bench_cases.h"
#include "bench_registration.h"
#include "ravuna_motion_serializer.h"
#include "sample_documents.h"

namespace ravuna_bench {
namespace {

// Registers the benchmark and records the case for the ratio report.
template <class Call>
void RegisterCase(BenchCase benchCase, std::size_t documentLength, Call call) {
  benchmark::RegisterBenchmark(benchCase.name.c_str(), [documentLength,
                                                        call](benchmark::State& state) {
    MeasureCalls(state, documentLength, call);
  })->Unit(benchmark::kNanosecond);
  ExportCases().push_back(std::move(benchCase));
}

// Outputs of the parsing exports; the arrays are the library's.
struct ParsedBones {
  std::uint64_t ipAddress = 0;
  std::uint32_t port = 0;
  int boneCount = 0;
  int* boneIds = nullptr;
  int* parentBoneIds = nullptr;
  float* transform[7] = {};
};

struct ParsedFrame {
  ParsedBones bones;
  int frameNumber = 0;
  float time = 0.0F;
  double uttm = 0.0;
  unsigned char timecode[5] = {};
  bool timecodeFlag = false;
};

bool ParseSkeleton(const Bytes& document, ParsedBones& out) {
  float** t = &out.transform[0];
  const bool parsed = ConvertBytesToSkeletonDefinition(
      static_cast<int>(document.size()), document.data(), &out.ipAddress, &out.port, &out.boneCount,
      &out.boneIds, &out.parentBoneIds, &t[0], &t[1], &t[2], &t[3], &t[4], &t[5], &t[6]);
  benchmark::DoNotOptimize(out);
  return parsed;
}

bool ParseFrame(const Bytes& document, ParsedFrame& out) {
  float** t = &out.bones.transform[0];
  unsigned char* tc = out.timecode;
  const bool parsed = ConvertBytesToFrameData(
      static_cast<int>(document.size()), document.data(), &out.bones.ipAddress, &out.bones.port,
      &out.frameNumber, &out.time, &out.uttm, &tc[0], &tc[1], &tc[2], &tc[3], &tc[4],
      &out.timecodeFlag, &out.bones.boneCount, &out.bones.boneIds, &t[0], &t[1], &t[2], &t[3],
      &t[4], &t[5], &t[6]);
  benchmark::DoNotOptimize(out);
  return parsed;
}

bool ParseSensor(const Bytes& document) {
  std::uint64_t ipAddress = 0;
  std::uint32_t port = 0;
  double uttm = 0.0;
  char* address = nullptr;
  char* name = nullptr;
  int joint = 0;
  float v[7] = {};
  const bool parsed = ConvertBytesToSensorData(static_cast<int>(document.size()), document.data(),
                                               &ipAddress, &port, &uttm, &address, &name, &joint,
                                               &v[0], &v[1], &v[2], &v[3], &v[4], &v[5], &v[6]);
  benchmark::DoNotOptimize(address);
  benchmark::DoNotOptimize(name);
  // The texts are the caller's: giving them back is part of every call.
  ReleaseSensorDataText(address);
  ReleaseSensorDataText(name);
  return parsed;
}

template <class Encode, class Input>
void RegisterEncoding(const std::string& exportName, const std::string& variant,
                      const std::string& document, std::shared_ptr<const Input> input,
                      Encode encode, std::size_t documentLength) {
  RegisterCase({exportName + "/" + variant, CopyFloorName(document, variant), CaseKind::encoding},
               documentLength, [input, encode] {
                 int size = 0;
                 unsigned char* buffer = nullptr;
                 const bool encoded = encode(*input, size, buffer);
                 benchmark::DoNotOptimize(buffer);
                 return encoded;
               });
}

// Detection over `document`: a hit stops at the box asked for, a miss walks
// every box of the document.
void RegisterDetection(const std::string& exportName, bool (*detect)(int, const unsigned char*),
                       const std::string& document, const std::string& variant,
                       std::shared_ptr<const Bytes> bytes, bool expected) {
  RegisterCase({exportName + "/" + document + "/" + variant, CopyFloorName(document, variant),
                CaseKind::detection},
               bytes->size(), [bytes, detect, expected] {
                 const bool found = detect(static_cast<int>(bytes->size()), bytes->data());
                 benchmark::DoNotOptimize(found);
                 return found == expected;
               });
}

void RegisterBoneCases(int count) {
  const auto bones = std::make_shared<const BoneInputs>(count);
  const auto skeleton = std::make_shared<const Bytes>(SkeletonDocument(*bones));
  const auto frame = std::make_shared<const Bytes>(FrameDocument(*bones));
  const std::string variant = std::to_string(count);

  RegisterEncoding("ConvertSkeletonDefinitionToBytes", variant, "skeleton", bones, EncodeSkeleton,
                   skeleton->size());
  RegisterCase({PerBoneCaseName("ConvertBytesToSkeletonDefinition", count),
                DecodeFloorName("skeleton", variant), CaseKind::decoding},
               skeleton->size(), [skeleton] {
                 ParsedBones out;
                 return ParseSkeleton(*skeleton, out);
               });
  RegisterEncoding("ConvertFrameDataToBytes", variant, "frame", bones, EncodeFrame, frame->size());
  RegisterCase({PerBoneCaseName("ConvertBytesToFrameData", count),
                DecodeFloorName("frame", variant), CaseKind::decoding},
               frame->size(), [frame] {
                 ParsedFrame out;
                 return ParseFrame(*frame, out);
               });

  RegisterDetection("IsRmfBytes", IsRmfBytes, "frame", variant, frame, true);
  RegisterDetection("IsFrameDataBytes", IsFrameDataBytes, "frame", variant, frame, true);
  RegisterDetection("IsSkeletonDefinitionBytes", IsSkeletonDefinitionBytes, "skeleton", variant,
                    skeleton, true);
  RegisterDetection("IsSkeletonDefinitionBytes", IsSkeletonDefinitionBytes, "frame", variant, frame,
                    false);
}

void RegisterSensorCases(const SensorVariant& sensorVariant) {
  const auto sensor = std::make_shared<const SensorInputs>(sensorVariant.textLength);
  const auto document = std::make_shared<const Bytes>(SensorDocument(*sensor));
  RegisterEncoding("ConvertSensorDataToBytes", sensorVariant.name, "sensor", sensor, EncodeSensor,
                   document->size());
  RegisterCase({std::string("ConvertBytesToSensorData/") + sensorVariant.name,
                CopyFloorName("sensor", sensorVariant.name), CaseKind::sensor},
               document->size(), [document] { return ParseSensor(*document); });
  RegisterDetection("IsSensorDataBytes", IsSensorDataBytes, "sensor", sensorVariant.name, document,
                    true);
}

}  // namespace

void RegisterExportBenchmarks() {
  for (const int count : kBoneCounts) {
    RegisterBoneCases(count);
  }
  for (const SensorVariant& variant : kSensorVariants) {
    RegisterSensorCases(variant);
  }
}

}  // namespace ravuna_bench
