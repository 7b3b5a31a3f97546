// The caller-buffer exports, per input size like the handed-out ones: each
// case encodes into one buffer, or decodes into one set of arrays or texts,
// that the caller keeps and reuses from call to call, as a host on a hot
// path does. Nothing should be allocated per call.
#include <memory>
#include <string>

#include "bench_cases.h"
#include "bench_registration.h"
#include "general_documents.h"
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

void RegisterSkeletonArrays(const std::string& caseName, int count,
                            std::shared_ptr<const Bytes> document) {
  const auto arrays = std::make_shared<BoneArrays>(count);
  RegisterExportCase(
      {caseName, DecodeFloorName("skeleton", std::to_string(count)), CaseKind::decoding},
      document->size(), [document, arrays] {
        const bool parsed = ParseSkeletonArrays(*document, *arrays);
        benchmark::DoNotOptimize(arrays->ids.data());
        return parsed;
      });
}

void RegisterFrameArrays(const std::string& caseName, int count,
                         std::shared_ptr<const Bytes> document) {
  const auto arrays = std::make_shared<FrameArrays>(count);
  RegisterExportCase(
      {caseName, DecodeFloorName("frame", std::to_string(count)), CaseKind::decoding},
      document->size(), [document, arrays] {
        const bool parsed = ParseFrameArrays(*document, *arrays);
        benchmark::DoNotOptimize(arrays->bones.ids.data());
        return parsed;
      });
}

void RegisterBoneCases(int count) {
  const auto bones = std::make_shared<const BoneInputs>(count);
  const auto skeleton = std::make_shared<const Bytes>(SkeletonDocument(*bones));
  const auto frame = std::make_shared<const Bytes>(FrameDocument(*bones));
  const std::string variant = std::to_string(count);

  RegisterBufferEncoding("ConvertSkeletonDefinitionToBuffer", variant, "skeleton", bones,
                         EncodeSkeletonToBuffer, skeleton->size());
  RegisterSkeletonArrays(PerBoneCaseName("ConvertBytesToSkeletonDefinitionArrays", count), count,
                         skeleton);
  RegisterBufferEncoding("ConvertFrameDataToBuffer", variant, "frame", bones, EncodeFrameToBuffer,
                         frame->size());
  RegisterFrameArrays(PerBoneCaseName("ConvertBytesToFrameDataArrays", count), count, frame);
}

// Documents the fast read refuses, into the caller's arrays.
void RegisterGeneralCases(int count) {
  const BoneInputs bones(count);
  RegisterSkeletonArrays(GeneralCaseName("ConvertBytesToSkeletonDefinitionArrays", count), count,
                         std::make_shared<const Bytes>(GeneralSkeletonDocument(bones)));
  RegisterFrameArrays(GeneralCaseName("ConvertBytesToFrameDataArrays", count), count,
                      std::make_shared<const Bytes>(GeneralFrameDocument(bones)));
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
  for (const int count : kGeneralBoneCounts) {
    RegisterGeneralCases(count);
  }
  for (const SensorVariant& variant : kSensorVariants) {
    RegisterSensorCases(variant);
  }
}

}  // namespace ravuna_bench
