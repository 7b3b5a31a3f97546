// The caller-buffer exports, per input size like the handed-out ones: each
// case encodes into one buffer, or decodes into one set of arrays or texts,
// that the caller keeps and reuses from call to call, as a host on a hot
// path does. Nothing should be allocated per call.
#include <memory>
#include <string>
#include <utility>

#include "bench_cases.h"
#include "bench_registration.h"
#include "general_documents.h"
#include "sample_documents.h"

namespace ravuna_bench {
namespace {

template <class Record>
void RegisterEncoding(const std::string& exportName, const std::string& document,
                      const std::string& variant, std::shared_ptr<const Record> input,
                      std::size_t documentLength) {
  const auto buffer = std::make_shared<Bytes>(documentLength);
  RegisterEncodingCase(exportName, document, variant, documentLength, [input, buffer] {
    int size = 0;
    const bool encoded = calls::EncodeIntoBuffer(kSender, *input, *buffer, size);
    benchmark::DoNotOptimize(buffer->data());
    return encoded && size == static_cast<int>(buffer->size());
  });
}

template <class Record>
void RegisterDecoding(const std::string& caseName, const std::string& document, int count,
                      Bytes bytes, calls::Parsed<Record> arrays) {
  const auto input = std::make_shared<const Bytes>(std::move(bytes));
  const auto out = std::make_shared<calls::Parsed<Record>>(std::move(arrays));
  RegisterDecodingCase(caseName, document, count, input->size(), [input, out] {
    const bool parsed = calls::ParseIntoArrays(*input, *out);
    benchmark::DoNotOptimize(out->values.bones.ids.data());
    return parsed;
  });
}

void RegisterBoneCases(int count) {
  const auto bones = std::make_shared<const BoneInputs>(count);
  const Bytes skeleton = SkeletonDocument(*bones);
  const Bytes frame = FrameDocument(*bones);
  const std::string variant = std::to_string(count);

  RegisterEncoding("ConvertSkeletonDefinitionToBuffer", "skeleton", variant,
                   std::shared_ptr<const calls::SkeletonDefinition>(bones, &bones->skeleton),
                   skeleton.size());
  RegisterDecoding(PerBoneCaseName("ConvertBytesToSkeletonDefinitionArrays", count), "skeleton",
                   count, skeleton, SkeletonArrays(count));
  RegisterEncoding("ConvertFrameDataToBuffer", "frame", variant,
                   std::shared_ptr<const calls::FrameData>(bones, &bones->frame), frame.size());
  RegisterDecoding(PerBoneCaseName("ConvertBytesToFrameDataArrays", count), "frame", count, frame,
                   FrameArrays(count));
}

// Documents the fast read refuses, into the caller's arrays.
void RegisterGeneralCases(int count) {
  const BoneInputs bones(count);
  RegisterDecoding(GeneralCaseName("ConvertBytesToSkeletonDefinitionArrays", count), "skeleton",
                   count, GeneralSkeletonDocument(bones), SkeletonArrays(count));
  RegisterDecoding(GeneralCaseName("ConvertBytesToFrameDataArrays", count), "frame", count,
                   GeneralFrameDocument(bones), FrameArrays(count));
}

void RegisterSensorCases(const SensorVariant& sensorVariant) {
  const auto sensor =
      std::make_shared<const calls::SensorData>(SensorInputs(sensorVariant.textLength));
  const auto document = std::make_shared<const Bytes>(SensorDocument(*sensor));
  RegisterEncoding("ConvertSensorDataToBuffer", "sensor", sensorVariant.name, sensor,
                   document->size());
  const auto out =
      std::make_shared<calls::Parsed<calls::SensorData>>(SensorTexts(sensorVariant.textLength));
  RegisterExportCase({std::string("ConvertBytesToSensorDataTexts/") + sensorVariant.name,
                      CopyFloorName("sensor", sensorVariant.name), CaseKind::sensor},
                     document->size(), [document, out] {
                       calls::TextLengths lengths;
                       const bool parsed = calls::ParseIntoTexts(*document, *out, lengths);
                       benchmark::DoNotOptimize(out->values.sensorAddress.data());
                       return parsed;
                     });
}

}  // namespace

void RegisterCallerBufferBenchmarks() {
  RegisterPerInput(RegisterBoneCases, RegisterGeneralCases, RegisterSensorCases);
}

}  // namespace ravuna_bench
