// The exported C functions: each turns any exception into a false result, so
// none ever crosses the C boundary. All but the verdict's two run an
// operation of the service object.
#include "ravuna_motion_serializer.h"

#include <cstddef>
#include <cstdint>
#include <span>

#include "documents/document_verdict.h"
#include "interface/caller_bytes.h"
#include "interface/motion_serializer.h"

namespace {

namespace mf = ravuna_motion_format;
using mf::MotionSerializer;

template <class Operation>
bool WithoutExceptions(Operation operation) noexcept {
  try {
    return operation();
  } catch (...) {
    return false;
  }
}

template <class Operation>
bool AtBoundary(Operation operation) noexcept {
  return WithoutExceptions([&] { return operation(MotionSerializer::Instance()); });
}

}  // namespace

extern "C" {

bool ConvertSkeletonDefinitionToBytes(const char* ipText, uint32_t port, int boneCount,
                                      const int* boneIds, const int* parentBoneIds,
                                      const float* rotation0, const float* rotation1,
                                      const float* rotation2, const float* rotation3,
                                      const float* translation0, const float* translation1,
                                      const float* translation2, int* outSize,
                                      unsigned char** outBuffer) {
  return AtBoundary([&](MotionSerializer& service) {
    return service.ConvertSkeletonDefinitionToBytes(
        ipText, port, boneCount, boneIds, parentBoneIds, rotation0, rotation1, rotation2, rotation3,
        translation0, translation1, translation2, outSize, outBuffer);
  });
}

bool ConvertBytesToSkeletonDefinition(int size, const unsigned char* bytes, uint64_t* outIpAddress,
                                      uint32_t* outPort, int* outBoneCount, int** outBoneIds,
                                      int** outParentBoneIds, float** outRotation0,
                                      float** outRotation1, float** outRotation2,
                                      float** outRotation3, float** outTranslation0,
                                      float** outTranslation1, float** outTranslation2) {
  return AtBoundary([&](MotionSerializer& service) {
    return service.ConvertBytesToSkeletonDefinition(
        size, bytes, outIpAddress, outPort, outBoneCount, outBoneIds, outParentBoneIds,
        outRotation0, outRotation1, outRotation2, outRotation3, outTranslation0, outTranslation1,
        outTranslation2);
  });
}

bool ConvertFrameDataToBytes(const char* ipText, uint32_t port, int frameNumber, float time,
                             double uttm, unsigned char timecode0, unsigned char timecode1,
                             unsigned char timecode2, unsigned char timecode3,
                             unsigned char timecode4, bool timecodeFlag, int boneCount,
                             const int* boneIds, const float* rotation0, const float* rotation1,
                             const float* rotation2, const float* rotation3,
                             const float* translation0, const float* translation1,
                             const float* translation2, int* outSize, unsigned char** outBuffer) {
  return AtBoundary([&](MotionSerializer& service) {
    return service.ConvertFrameDataToBytes(
        ipText, port, frameNumber, time, uttm, timecode0, timecode1, timecode2, timecode3,
        timecode4, timecodeFlag, boneCount, boneIds, rotation0, rotation1, rotation2, rotation3,
        translation0, translation1, translation2, outSize, outBuffer);
  });
}

bool ConvertBytesToFrameData(int size, const unsigned char* bytes, uint64_t* outIpAddress,
                             uint32_t* outPort, int* outFrameNumber, float* outTime,
                             double* outUttm, unsigned char* outTimecode0,
                             unsigned char* outTimecode1, unsigned char* outTimecode2,
                             unsigned char* outTimecode3, unsigned char* outTimecode4,
                             bool* outTimecodeFlag, int* outBoneCount, int** outBoneIds,
                             float** outRotation0, float** outRotation1, float** outRotation2,
                             float** outRotation3, float** outTranslation0, float** outTranslation1,
                             float** outTranslation2) {
  return AtBoundary([&](MotionSerializer& service) {
    return service.ConvertBytesToFrameData(
        size, bytes, outIpAddress, outPort, outFrameNumber, outTime, outUttm, outTimecode0,
        outTimecode1, outTimecode2, outTimecode3, outTimecode4, outTimecodeFlag, outBoneCount,
        outBoneIds, outRotation0, outRotation1, outRotation2, outRotation3, outTranslation0,
        outTranslation1, outTranslation2);
  });
}

bool ConvertSensorDataToBytes(const char* ipText, uint32_t port, double uttm,
                              const char* sensorAddress, const char* sensorName,
                              int sensorJointIndex, float sensorValue0, float sensorValue1,
                              float sensorValue2, float sensorValue3, float sensorValue4,
                              float sensorValue5, float sensorValue6, int* outSize,
                              unsigned char** outBuffer) {
  return AtBoundary([&](MotionSerializer& service) {
    return service.ConvertSensorDataToBytes(
        ipText, port, uttm, sensorAddress, sensorName, sensorJointIndex, sensorValue0, sensorValue1,
        sensorValue2, sensorValue3, sensorValue4, sensorValue5, sensorValue6, outSize, outBuffer);
  });
}

bool ConvertBytesToSensorData(int size, const unsigned char* bytes, uint64_t* outIpAddress,
                              uint32_t* outPort, double* outUttm, char** outSensorAddress,
                              char** outSensorName, int* outSensorJointIndex,
                              float* outSensorValue0, float* outSensorValue1,
                              float* outSensorValue2, float* outSensorValue3,
                              float* outSensorValue4, float* outSensorValue5,
                              float* outSensorValue6) {
  return AtBoundary([&](MotionSerializer& service) {
    return service.ConvertBytesToSensorData(
        size, bytes, outIpAddress, outPort, outUttm, outSensorAddress, outSensorName,
        outSensorJointIndex, outSensorValue0, outSensorValue1, outSensorValue2, outSensorValue3,
        outSensorValue4, outSensorValue5, outSensorValue6);
  });
}

void ReleaseSensorDataText(char* text) {
  AtBoundary([&](MotionSerializer& service) {
    service.ReleaseSensorDataText(text);
    return true;
  });
}

bool IsRmfBytes(int size, const unsigned char* bytes) {
  return AtBoundary([&](MotionSerializer& service) { return service.IsRmfBytes(size, bytes); });
}

bool IsSkeletonDefinitionBytes(int size, const unsigned char* bytes) {
  return AtBoundary(
      [&](MotionSerializer& service) { return service.IsSkeletonDefinitionBytes(size, bytes); });
}

bool IsFrameDataBytes(int size, const unsigned char* bytes) {
  return AtBoundary(
      [&](MotionSerializer& service) { return service.IsFrameDataBytes(size, bytes); });
}

bool IsSensorDataBytes(int size, const unsigned char* bytes) {
  return AtBoundary(
      [&](MotionSerializer& service) { return service.IsSensorDataBytes(size, bytes); });
}

// The verdict reads only its arguments and constants: no service object, no
// lock.
bool JudgeDocumentBytes(int size, const unsigned char* bytes, uint32_t expectedKind,
                        RavunaDocumentVerdict* outVerdict) {
  if (outVerdict == nullptr || mf::RefusesBytes(size, bytes) ||
      expectedKind >= mf::kDocumentKindCount) {
    return false;
  }
  return WithoutExceptions([&] {
    *outVerdict = mf::JudgeDocument(mf::CallerBytes(size, bytes), expectedKind);
    return true;
  });
}

bool DescribeDocumentVerdict(const RavunaDocumentVerdict* verdict, int capacity, char* outText,
                             int* outLength) {
  if (verdict == nullptr || outLength == nullptr || (capacity > 0 && outText == nullptr)) {
    return false;
  }
  const std::span<char> text = capacity > 0
                                   ? std::span<char>(outText, static_cast<std::size_t>(capacity))
                                   : std::span<char>();
  const std::size_t length = mf::DescribeVerdict(*verdict, text);
  *outLength = static_cast<int>(length);
  return length < text.size();
}

}  // extern "C"
