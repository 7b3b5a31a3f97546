// One benchmark per export and input size, called through the public header
// exactly as a host calls it.
#include <cstdint>
#include <memory>
#include <string>
#include <utility>

#include "bench_cases.h"
#include "bench_registration.h"
#include "general_documents.h"
#include "ravuna_motion_serializer.h"
#include "sample_documents.h"

namespace ravuna_bench {
namespace {

template <class Record>
void RegisterEncoding(const std::string& exportName, const std::string& document,
                      const std::string& variant, std::shared_ptr<const Record> input,
                      std::size_t documentLength) {
  RegisterEncodingCase(exportName, document, variant, documentLength, [input] {
    calls::HandedOutDocument out;
    const bool encoded = calls::EncodeHandedOut(kSender, *input, out);
    benchmark::DoNotOptimize(out.buffer);
    return encoded;
  });
}

// The outputs and the handed-out arrays' addresses, kept from call to call;
// nothing is copied out.
template <class Record>
void RegisterDecoding(const std::string& caseName, const std::string& document, int count,
                      Bytes bytes) {
  struct Decoding {
    Bytes bytes;
    calls::Parsed<Record> out;
    calls::HandedOutArrays arrays;
  };
  const auto decoding = std::make_shared<Decoding>();
  decoding->bytes = std::move(bytes);
  RegisterDecodingCase(caseName, document, count, decoding->bytes.size(), [decoding] {
    const bool parsed = calls::ParseHandedOut(decoding->bytes, decoding->out, &decoding->arrays);
    benchmark::DoNotOptimize(decoding->arrays);
    return parsed;
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

  RegisterEncoding("ConvertSkeletonDefinitionToBytes", "skeleton", variant,
                   std::shared_ptr<const calls::SkeletonDefinition>(bones, &bones->skeleton),
                   skeleton->size());
  RegisterDecoding<calls::SkeletonDefinition>(
      PerBoneCaseName("ConvertBytesToSkeletonDefinition", count), "skeleton", count, *skeleton);
  RegisterEncoding("ConvertFrameDataToBytes", "frame", variant,
                   std::shared_ptr<const calls::FrameData>(bones, &bones->frame), frame->size());
  RegisterDecoding<calls::FrameData>(PerBoneCaseName("ConvertBytesToFrameData", count), "frame",
                                     count, *frame);

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
  RegisterDecoding<calls::SkeletonDefinition>(
      GeneralCaseName("ConvertBytesToSkeletonDefinition", count), "skeleton", count,
      GeneralSkeletonDocument(bones));
  RegisterDecoding<calls::FrameData>(GeneralCaseName("ConvertBytesToFrameData", count), "frame",
                                     count, GeneralFrameDocument(bones));
}

void RegisterSensorCases(const SensorVariant& sensorVariant) {
  const auto sensor =
      std::make_shared<const calls::SensorData>(SensorInputs(sensorVariant.textLength));
  const auto document = std::make_shared<const Bytes>(SensorDocument(*sensor));
  RegisterEncoding("ConvertSensorDataToBytes", "sensor", sensorVariant.name, sensor,
                   document->size());
  // The export itself: the wrapper's call copies both texts into the record,
  // work a host that reads them in place does not do.
  RegisterExportCase({std::string("ConvertBytesToSensorData/") + sensorVariant.name,
                      CopyFloorName("sensor", sensorVariant.name), CaseKind::sensor},
                     document->size(), [document] {
                       std::uint64_t ipAddress = 0;
                       std::uint32_t port = 0;
                       double uttm = 0.0;
                       char* address = nullptr;
                       char* name = nullptr;
                       int joint = 0;
                       float v[7] = {};
                       const bool parsed = ConvertBytesToSensorData(
                           static_cast<int>(document->size()), document->data(), &ipAddress, &port,
                           &uttm, &address, &name, &joint, &v[0], &v[1], &v[2], &v[3], &v[4], &v[5],
                           &v[6]);
                       ReleaseSensorDataText(address);
                       ReleaseSensorDataText(name);
                       return parsed;
                     });
  RegisterDetection("IsSensorDataBytes", IsSensorDataBytes, "sensor", sensorVariant.name, document,
                    true);
}

}  // namespace

void RegisterExportBenchmarks() {
  RegisterPerInput(RegisterBoneCases, RegisterGeneralCases, RegisterSensorCases);
}

}  // namespace ravuna_bench
