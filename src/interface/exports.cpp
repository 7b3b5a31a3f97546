// The exported C functions. Each adapts its arguments to the steps the
// exports share (interface/export_steps.h) and turns any exception into a
// false result, so none ever crosses the C boundary.
#include "ravuna_motion_serializer.h"

#include <cstddef>
#include <cstdint>
#include <span>

#include "documents/document_verdict.h"
#include "interface/export_steps.h"

namespace {

namespace mf = ravuna_motion_format;

template <class Operation>
bool WithoutExceptions(Operation operation) noexcept {
  try {
    return operation();
  } catch (...) {
    return false;
  }
}

mf::TransformArrays Transforms(const float* rotation0, const float* rotation1,
                               const float* rotation2, const float* rotation3,
                               const float* translation0, const float* translation1,
                               const float* translation2) noexcept {
  return {{rotation0, rotation1, rotation2, rotation3}, {translation0, translation1, translation2}};
}

mf::FrameHeaderValues FrameHeader(int frameNumber, float time, double uttm, unsigned char timecode0,
                                  unsigned char timecode1, unsigned char timecode2,
                                  unsigned char timecode3, unsigned char timecode4,
                                  bool timecodeFlag) noexcept {
  return {frameNumber,
          time,
          uttm,
          {timecode0, timecode1, timecode2, timecode3, timecode4,
           static_cast<unsigned char>(timecodeFlag)}};
}

bool RefusesSensorOutputs(const std::array<float*, 7>& outSensorValues) noexcept {
  return std::find(outSensorValues.begin(), outSensorValues.end(), nullptr) !=
         outSensorValues.end();
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
  return WithoutExceptions([&] {
    return mf::HandOutDocument(
        mf::SkeletonDefinitionInput{ipText, port, boneCount, boneIds, parentBoneIds,
                                    Transforms(rotation0, rotation1, rotation2, rotation3,
                                               translation0, translation1, translation2)},
        outSize, outBuffer);
  });
}

bool ConvertSkeletonDefinitionToBuffer(const char* ipText, uint32_t port, int boneCount,
                                       const int* boneIds, const int* parentBoneIds,
                                       const float* rotation0, const float* rotation1,
                                       const float* rotation2, const float* rotation3,
                                       const float* translation0, const float* translation1,
                                       const float* translation2, int capacity,
                                       unsigned char* buffer, int* outSize) {
  return mf::WriteDocumentInto(
      mf::SkeletonDefinitionInput{ipText, port, boneCount, boneIds, parentBoneIds,
                                  Transforms(rotation0, rotation1, rotation2, rotation3,
                                             translation0, translation1, translation2)},
      capacity, buffer, outSize);
}

bool ConvertBytesToSkeletonDefinition(int size, const unsigned char* bytes, uint64_t* outIpAddress,
                                      uint32_t* outPort, int* outBoneCount, int** outBoneIds,
                                      int** outParentBoneIds, float** outRotation0,
                                      float** outRotation1, float** outRotation2,
                                      float** outRotation3, float** outTranslation0,
                                      float** outTranslation1, float** outTranslation2) {
  const mf::HandedOutBoneArrays out{outBoneIds,
                                    outParentBoneIds,
                                    {outRotation0, outRotation1, outRotation2, outRotation3,
                                     outTranslation0, outTranslation1, outTranslation2}};
  if (mf::RefusesBytes(size, bytes) ||
      mf::AnyNull(outIpAddress, outPort, outBoneCount, outParentBoneIds) || out.AnyNull()) {
    return false;
  }
  return WithoutExceptions([&] {
    auto read = mf::BoneDocumentRead::OfSkeletonDefinition(mf::CallerBytes(size, bytes));
    return mf::HandOutBones(read, outIpAddress, outPort, outBoneCount, out);
  });
}

bool ConvertBytesToSkeletonDefinitionArrays(int size, const unsigned char* bytes,
                                            uint64_t* outIpAddress, uint32_t* outPort,
                                            int boneCapacity, int* boneIds, int* parentBoneIds,
                                            float* rotation0, float* rotation1, float* rotation2,
                                            float* rotation3, float* translation0,
                                            float* translation1, float* translation2,
                                            int* outBoneCount) {
  const mf::BoneOutputs arrays{
      boneIds,
      parentBoneIds,
      {rotation0, rotation1, rotation2, rotation3, translation0, translation1, translation2}};
  if (mf::RefusesBytes(size, bytes) || mf::AnyNull(outIpAddress, outPort, outBoneCount) ||
      mf::RefusesBoneArrays(boneCapacity, arrays, true)) {
    return false;
  }
  auto read = mf::BoneDocumentRead::OfSkeletonDefinition(mf::CallerBytes(size, bytes));
  return mf::ReadBonesInto(read, boneCapacity, arrays, outIpAddress, outPort, outBoneCount);
}

bool ConvertFrameDataToBytes(const char* ipText, uint32_t port, int frameNumber, float time,
                             double uttm, unsigned char timecode0, unsigned char timecode1,
                             unsigned char timecode2, unsigned char timecode3,
                             unsigned char timecode4, bool timecodeFlag, int boneCount,
                             const int* boneIds, const float* rotation0, const float* rotation1,
                             const float* rotation2, const float* rotation3,
                             const float* translation0, const float* translation1,
                             const float* translation2, int* outSize, unsigned char** outBuffer) {
  return WithoutExceptions([&] {
    return mf::HandOutDocument(
        mf::FrameDataInput{ipText, port,
                           FrameHeader(frameNumber, time, uttm, timecode0, timecode1, timecode2,
                                       timecode3, timecode4, timecodeFlag),
                           boneCount, boneIds,
                           Transforms(rotation0, rotation1, rotation2, rotation3, translation0,
                                      translation1, translation2)},
        outSize, outBuffer);
  });
}

bool ConvertFrameDataToBuffer(const char* ipText, uint32_t port, int frameNumber, float time,
                              double uttm, unsigned char timecode0, unsigned char timecode1,
                              unsigned char timecode2, unsigned char timecode3,
                              unsigned char timecode4, bool timecodeFlag, int boneCount,
                              const int* boneIds, const float* rotation0, const float* rotation1,
                              const float* rotation2, const float* rotation3,
                              const float* translation0, const float* translation1,
                              const float* translation2, int capacity, unsigned char* buffer,
                              int* outSize) {
  return mf::WriteDocumentInto(
      mf::FrameDataInput{ipText, port,
                         FrameHeader(frameNumber, time, uttm, timecode0, timecode1, timecode2,
                                     timecode3, timecode4, timecodeFlag),
                         boneCount, boneIds,
                         Transforms(rotation0, rotation1, rotation2, rotation3, translation0,
                                    translation1, translation2)},
      capacity, buffer, outSize);
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
  const mf::HandedOutBoneArrays out{outBoneIds,
                                    nullptr,
                                    {outRotation0, outRotation1, outRotation2, outRotation3,
                                     outTranslation0, outTranslation1, outTranslation2}};
  const std::array<unsigned char*, 5> outTimecode{outTimecode0, outTimecode1, outTimecode2,
                                                  outTimecode3, outTimecode4};
  if (mf::RefusesBytes(size, bytes) ||
      mf::AnyNull(outIpAddress, outPort, outFrameNumber, outTime, outUttm, outTimecodeFlag,
                  outBoneCount, outTimecode0, outTimecode1, outTimecode2, outTimecode3,
                  outTimecode4) ||
      out.AnyNull()) {
    return false;
  }
  return WithoutExceptions([&] {
    auto read = mf::BoneDocumentRead::OfFrameData(mf::CallerBytes(size, bytes));
    if (!mf::HandOutBones(read, outIpAddress, outPort, outBoneCount, out)) {
      return false;
    }
    mf::WriteFrameHeader(read.frame(), outFrameNumber, outTime, outUttm, outTimecode,
                         outTimecodeFlag);
    return true;
  });
}

bool ConvertBytesToFrameDataArrays(int size, const unsigned char* bytes, uint64_t* outIpAddress,
                                   uint32_t* outPort, int* outFrameNumber, float* outTime,
                                   double* outUttm, unsigned char* outTimecode0,
                                   unsigned char* outTimecode1, unsigned char* outTimecode2,
                                   unsigned char* outTimecode3, unsigned char* outTimecode4,
                                   bool* outTimecodeFlag, int boneCapacity, int* boneIds,
                                   float* rotation0, float* rotation1, float* rotation2,
                                   float* rotation3, float* translation0, float* translation1,
                                   float* translation2, int* outBoneCount) {
  const mf::BoneOutputs arrays{
      boneIds,
      nullptr,
      {rotation0, rotation1, rotation2, rotation3, translation0, translation1, translation2}};
  const std::array<unsigned char*, 5> outTimecode{outTimecode0, outTimecode1, outTimecode2,
                                                  outTimecode3, outTimecode4};
  if (mf::RefusesBytes(size, bytes) ||
      mf::AnyNull(outIpAddress, outPort, outFrameNumber, outTime, outUttm, outTimecodeFlag,
                  outBoneCount, outTimecode0, outTimecode1, outTimecode2, outTimecode3,
                  outTimecode4) ||
      mf::RefusesBoneArrays(boneCapacity, arrays, false)) {
    return false;
  }
  auto read = mf::BoneDocumentRead::OfFrameData(mf::CallerBytes(size, bytes));
  if (!mf::ReadBonesInto(read, boneCapacity, arrays, outIpAddress, outPort, outBoneCount)) {
    return false;
  }
  mf::WriteFrameHeader(read.frame(), outFrameNumber, outTime, outUttm, outTimecode,
                       outTimecodeFlag);
  return true;
}

bool ConvertSensorDataToBytes(const char* ipText, uint32_t port, double uttm,
                              const char* sensorAddress, const char* sensorName,
                              int sensorJointIndex, float sensorValue0, float sensorValue1,
                              float sensorValue2, float sensorValue3, float sensorValue4,
                              float sensorValue5, float sensorValue6, int* outSize,
                              unsigned char** outBuffer) {
  return WithoutExceptions([&] {
    return mf::HandOutDocument(
        mf::SensorDataInputOf(ipText, port, uttm, sensorAddress, sensorName, sensorJointIndex,
                              {sensorValue0, sensorValue1, sensorValue2, sensorValue3, sensorValue4,
                               sensorValue5, sensorValue6}),
        outSize, outBuffer);
  });
}

bool ConvertSensorDataToBuffer(const char* ipText, uint32_t port, double uttm,
                               const char* sensorAddress, const char* sensorName,
                               int sensorJointIndex, float sensorValue0, float sensorValue1,
                               float sensorValue2, float sensorValue3, float sensorValue4,
                               float sensorValue5, float sensorValue6, int capacity,
                               unsigned char* buffer, int* outSize) {
  return mf::WriteDocumentInto(
      mf::SensorDataInputOf(ipText, port, uttm, sensorAddress, sensorName, sensorJointIndex,
                            {sensorValue0, sensorValue1, sensorValue2, sensorValue3, sensorValue4,
                             sensorValue5, sensorValue6}),
      capacity, buffer, outSize);
}

bool ConvertBytesToSensorData(int size, const unsigned char* bytes, uint64_t* outIpAddress,
                              uint32_t* outPort, double* outUttm, char** outSensorAddress,
                              char** outSensorName, int* outSensorJointIndex,
                              float* outSensorValue0, float* outSensorValue1,
                              float* outSensorValue2, float* outSensorValue3,
                              float* outSensorValue4, float* outSensorValue5,
                              float* outSensorValue6) {
  const std::array<float*, 7> outSensorValues{outSensorValue0, outSensorValue1, outSensorValue2,
                                              outSensorValue3, outSensorValue4, outSensorValue5,
                                              outSensorValue6};
  if (mf::RefusesBytes(size, bytes) ||
      mf::AnyNull(outIpAddress, outPort, outUttm, outSensorAddress, outSensorName,
                  outSensorJointIndex) ||
      RefusesSensorOutputs(outSensorValues)) {
    return false;
  }
  return WithoutExceptions([&] {
    const mf::SensorDataRead read = mf::ReadSensorData(mf::CallerBytes(size, bytes));
    // The texts are handed out whatever the result (empty on failure).
    std::unique_ptr<char[]> address(mf::NewText(read.values.sensorAddress));
    std::unique_ptr<char[]> name(mf::NewText(read.values.sensorName));
    *outIpAddress = read.sender.packedAddress;
    *outSensorAddress = address.release();
    *outSensorName = name.release();
    if (!read.accepted) {
      return false;
    }
    mf::WriteSender(read.sender, outIpAddress, outPort);
    mf::WriteSensorValues(read.values, outUttm, outSensorJointIndex, outSensorValues);
    return true;
  });
}

bool ConvertBytesToSensorDataTexts(int size, const unsigned char* bytes, uint64_t* outIpAddress,
                                   uint32_t* outPort, double* outUttm, int addressCapacity,
                                   char* sensorAddress, int* outSensorAddressLength,
                                   int nameCapacity, char* sensorName, int* outSensorNameLength,
                                   int* outSensorJointIndex, float* outSensorValue0,
                                   float* outSensorValue1, float* outSensorValue2,
                                   float* outSensorValue3, float* outSensorValue4,
                                   float* outSensorValue5, float* outSensorValue6) {
  const std::array<float*, 7> outSensorValues{outSensorValue0, outSensorValue1, outSensorValue2,
                                              outSensorValue3, outSensorValue4, outSensorValue5,
                                              outSensorValue6};
  if (mf::RefusesBytes(size, bytes) ||
      mf::AnyNull(outIpAddress, outPort, outUttm, outSensorAddressLength, outSensorNameLength,
                  outSensorJointIndex) ||
      RefusesSensorOutputs(outSensorValues) || (sensorAddress == nullptr && addressCapacity > 0) ||
      (sensorName == nullptr && nameCapacity > 0)) {
    return false;
  }
  const mf::SensorDataRead read = mf::ReadSensorData(mf::CallerBytes(size, bytes));
  if (!read.accepted) {
    return false;
  }
  const std::string_view address = read.values.sensorAddress;
  const std::string_view name = read.values.sensorName;
  *outSensorAddressLength = static_cast<int>(address.size());
  *outSensorNameLength = static_cast<int>(name.size());
  if (!mf::FitsWithNul(address, addressCapacity) || !mf::FitsWithNul(name, nameCapacity)) {
    return false;
  }
  mf::CopyWithNul(address, sensorAddress);
  mf::CopyWithNul(name, sensorName);
  mf::WriteSender(read.sender, outIpAddress, outPort);
  mf::WriteSensorValues(read.values, outUttm, outSensorJointIndex, outSensorValues);
  return true;
}

void ReleaseSensorDataText(char* text) {
  WithoutExceptions([&] {
    mf::MotionSerializer::Instance().ReleaseText(text);
    return true;
  });
}

bool IsRmfBytes(int size, const unsigned char* bytes) {
  return !mf::RefusesBytes(size, bytes) && WithoutExceptions([&] {
    return mf::MotionSerializer::Instance().ContainsBox(mf::BoxType::head,
                                                        mf::CallerBytes(size, bytes));
  });
}

bool IsSkeletonDefinitionBytes(int size, const unsigned char* bytes) {
  return !mf::RefusesBytes(size, bytes) && WithoutExceptions([&] {
    return mf::MotionSerializer::Instance().ContainsBox(mf::BoxType::skdf,
                                                        mf::CallerBytes(size, bytes));
  });
}

bool IsFrameDataBytes(int size, const unsigned char* bytes) {
  return !mf::RefusesBytes(size, bytes) && WithoutExceptions([&] {
    return mf::MotionSerializer::Instance().ContainsBox(mf::BoxType::fram,
                                                        mf::CallerBytes(size, bytes));
  });
}

bool IsSensorDataBytes(int size, const unsigned char* bytes) {
  return !mf::RefusesBytes(size, bytes) && WithoutExceptions([&] {
    return mf::MotionSerializer::Instance().ContainsBox(mf::BoxType::sndt,
                                                        mf::CallerBytes(size, bytes));
  });
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
