// One benchmark per export and input size, called through the public header
// exactly as a host calls it.
#include <memory>
#include <string>

#include "bench_cases.h"
#include "bench_registration.h"
#include "general_documents.h"
#include "ravuna_motion_serializer.h"
#include "sample_documents.h"

namespace ravuna_bench {
namespace {

template <class Encode, class Input>
void RegisterEncoding(const std::string& exportName, const std::string& variant,
                      const std::string& document, std::shared_ptr<const Input> input,
                      Encode encode, std::size_t documentLength) {
  RegisterExportCase(
      {exportName + "/" + variant, CopyFloorName(document, variant), CaseKind::encoding},
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
  RegisterExportCase({exportName + "/" + document + "/" + variant, CopyFloorName(document, variant),
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
  RegisterExportCase({PerBoneCaseName("ConvertBytesToSkeletonDefinition", count),
                      DecodeFloorName("skeleton", variant), CaseKind::decoding},
                     skeleton->size(), [skeleton] {
                       ParsedBones out;
                       const bool parsed = ParseSkeleton(*skeleton, out);
                       benchmark::DoNotOptimize(out);
                       return parsed;
                     });
  RegisterEncoding("ConvertFrameDataToBytes", variant, "frame", bones, EncodeFrame, frame->size());
  RegisterExportCase({PerBoneCaseName("ConvertBytesToFrameData", count),
                      DecodeFloorName("frame", variant), CaseKind::decoding},
                     frame->size(), [frame] {
                       ParsedFrame out;
                       const bool parsed = ParseFrame(*frame, out);
                       benchmark::DoNotOptimize(out);
                       return parsed;
                     });

  RegisterDetection("IsRmfBytes", IsRmfBytes, "frame", variant, frame, true);
  RegisterDetection("IsFrameDataBytes", IsFrameDataBytes, "frame", variant, frame, true);
  RegisterDetection("IsSkeletonDefinitionBytes", IsSkeletonDefinitionBytes, "skeleton", variant,
                    skeleton, true);
  RegisterDetection("IsSkeletonDefinitionBytes", IsSkeletonDefinitionBytes, "frame", variant, frame,
                    false);
}

// The same values in documents the fast read refuses: the general walk's
// cost.
void RegisterGeneralCases(int count) {
  const BoneInputs bones(count);
  const auto skeleton = std::make_shared<const Bytes>(GeneralSkeletonDocument(bones));
  const auto frame = std::make_shared<const Bytes>(GeneralFrameDocument(bones));
  const std::string variant = std::to_string(count);
  RegisterExportCase({GeneralCaseName("ConvertBytesToSkeletonDefinition", count),
                      DecodeFloorName("skeleton", variant), CaseKind::decoding},
                     skeleton->size(), [skeleton] {
                       ParsedBones out;
                       const bool parsed = ParseSkeleton(*skeleton, out);
                       benchmark::DoNotOptimize(out);
                       return parsed;
                     });
  RegisterExportCase({GeneralCaseName("ConvertBytesToFrameData", count),
                      DecodeFloorName("frame", variant), CaseKind::decoding},
                     frame->size(), [frame] {
                       ParsedFrame out;
                       const bool parsed = ParseFrame(*frame, out);
                       benchmark::DoNotOptimize(out);
                       return parsed;
                     });
}

void RegisterSensorCases(const SensorVariant& sensorVariant) {
  const auto sensor = std::make_shared<const SensorInputs>(sensorVariant.textLength);
  const auto document = std::make_shared<const Bytes>(SensorDocument(*sensor));
  RegisterEncoding("ConvertSensorDataToBytes", sensorVariant.name, "sensor", sensor, EncodeSensor,
                   document->size());
  RegisterExportCase({std::string("ConvertBytesToSensorData/") + sensorVariant.name,
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
  for (const int count : kGeneralBoneCounts) {
    RegisterGeneralCases(count);
  }
  for (const SensorVariant& variant : kSensorVariants) {
    RegisterSensorCases(variant);
  }
}

}  // namespace ravuna_bench
