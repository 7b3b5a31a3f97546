// The caller-buffer exports, per input size like the handed-out ones: each
// case encodes into one buffer, or decodes into one set of arrays or texts,
// that the caller keeps and reuses from call to call, as a host on a hot
// path does. Nothing should be allocated per call.
#include <memory>
#include <string>

#include "bench_cases.h"
#include "bench_registration.h"
#include "sample_documents.h"

namespace ravuna_bench {
namespace {

template <class Encode, class Input>
void RegisterBufferEncoding(const std::string& exportName, const std::string& variant,
                            const std::string& document, std::shared_ptr<const Input> input,
                            Encode encode, std::size_t documentLength) {
  const auto buffer = std::make_shared<Bytes>(documentLength);
  RegisterExportCase(
      {exportName + "/" + variant, CopyFloorName(document, variant), CaseKind::encoding},
      documentLength, [input, encode, buffer] {
        int size = 0;
        const bool encoded = encode(*input, *buffer, size);
        benchmark::DoNotOptimize(buffer->data());
        return encoded && size == static_cast<int>(buffer->size());
      });
}

void RegisterBoneCases(int count) {
  const auto bones = std::make_shared<const BoneInputs>(count);
  const auto skeleton = std::make_shared<const Bytes>(SkeletonDocument(*bones));
  const auto frame = std::make_shared<const Bytes>(FrameDocument(*bones));
  const std::string variant = std::to_string(count);

  RegisterBufferEncoding("ConvertSkeletonDefinitionToBuffer", variant, "skeleton", bones,
                         EncodeSkeletonToBuffer, skeleton->size());
  const auto skeletonArrays = std::make_shared<BoneArrays>(count);
  RegisterExportCase({PerBoneCaseName("ConvertBytesToSkeletonDefinitionArrays", count),
                      DecodeFloorName("skeleton", variant), CaseKind::decoding},
                     skeleton->size(), [skeleton, skeletonArrays] {
                       const bool parsed = ParseSkeletonArrays(*skeleton, *skeletonArrays);
                       benchmark::DoNotOptimize(skeletonArrays->ids.data());
                       return parsed;
                     });
  RegisterBufferEncoding("ConvertFrameDataToBuffer", variant, "frame", bones, EncodeFrameToBuffer,
                         frame->size());
  const auto frameArrays = std::make_shared<FrameArrays>(count);
  RegisterExportCase({PerBoneCaseName("ConvertBytesToFrameDataArrays", count),
                      DecodeFloorName("frame", variant), CaseKind::decoding},
                     frame->size(), [frame, frameArrays] {
                       const bool parsed = ParseFrameArrays(*frame, *frameArrays);
                       benchmark::DoNotOptimize(frameArrays->bones.ids.data());
                       return parsed;
                     });
}

void RegisterSensorCases(const SensorVariant& sensorVariant) {
  const auto sensor = std::make_shared<const SensorInputs>(sensorVariant.textLength);
  const auto document = std::make_shared<const Bytes>(SensorDocument(*sensor));
  RegisterBufferEncoding("ConvertSensorDataToBuffer", sensorVariant.name, "sensor", sensor,
                         EncodeSensorToBuffer, document->size());
  const auto texts = std::make_shared<SensorTexts>(sensorVariant.textLength + 1);
  RegisterExportCase({std::string("ConvertBytesToSensorDataTexts/") + sensorVariant.name,
                      CopyFloorName("sensor", sensorVariant.name), CaseKind::sensor},
                     document->size(), [document, texts] {
                       const bool parsed = ParseSensorTexts(*document, *texts);
                       benchmark::DoNotOptimize(texts->address.data());
                       return parsed;
                     });
}

}  // namespace

void RegisterCallerBufferBenchmarks() {
  for (const int count : kBoneCounts) {
    RegisterBoneCases(count);
  }
  for (const SensorVariant& variant : kSensorVariants) {
    RegisterSensorCases(variant);
  }
}

}  // namespace ravuna_bench
