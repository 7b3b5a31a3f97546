#include "interface/motion_serializer.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "box/box_encoder.h"
#include "documents/document_header.h"
#include "documents/frame_data.h"
#include "documents/sensor_data.h"
#include "documents/skeleton_definition.h"
#include "interface/retained_buffers.h"

namespace ravuna_motion_format {
namespace {

// Readers address documents with signed 32-bit offsets.
constexpr std::uint64_t kMaxDocumentLength = 0x7FFFFFFF;

std::atomic<int> createdCount{0};

template <class... Pointers>
bool AnyNull(const Pointers*... pointers) noexcept {
  return ((pointers == nullptr) || ...);
}

// The caller's bytes, read in place for the length of the call.
ByteView CallerBytes(int size, const unsigned char* bytes) noexcept {
  return size > 0 ? ByteView(bytes, static_cast<std::size_t>(size)) : ByteView();
}

bool RefusesBytes(int size, const unsigned char* bytes) noexcept {
  return size > 0 && bytes == nullptr;
}

// The encoded document in a new buffer of exactly its length. The trees the
// builders make encode to the length their size fields declare, so they are
// written once, straight into the buffer handed out; any other tree goes
// through a vector first.
std::unique_ptr<unsigned char[]> EncodeIntoNewBuffer(const MotionFormat* format,
                                                     std::size_t& length) {
  length = static_cast<std::size_t>(DeclaredDocumentLength(format));
  std::unique_ptr<unsigned char[]> buffer(new unsigned char[length]);
  if (EncodeMotionFormatInto(format, {buffer.get(), length}) == length) {
    return buffer;
  }
  const ByteVector encoded = EncodeMotionFormat(format);
  length = encoded.size();
  buffer.reset(new unsigned char[length]);
  std::copy(encoded.begin(), encoded.end(), buffer.get());
  return buffer;
}

// Encodes the tree into a new buffer and hands it out through the two
// outputs; they are written only once nothing can fail any more.
bool HandOutDocument(const MotionFormat* format, int* outSize, unsigned char** outBuffer) {
  std::size_t length = 0;
  std::unique_ptr<unsigned char[]> buffer = EncodeIntoNewBuffer(format, length);
  *outSize = static_cast<int>(length);
  *outBuffer = buffer.get();
  RetainedSlots slots;
  slots.document = buffer.release();
  RetainBuffers(slots);
  return true;
}

// A new array of n elements: the collected values, then zeros for elements
// that have no collected value.
template <class T>
std::unique_ptr<T[]> NewArray(const std::vector<T>& collected, std::size_t n) {
  std::unique_ptr<T[]> array(new T[n]);
  const std::size_t copied = std::min(n, collected.size());
  std::copy_n(collected.begin(), copied, array.get());
  std::fill(array.get() + copied, array.get() + n, T{});
  return array;
}

// The per-bone arrays of one parsing call, owned here until handed out.
struct BoneArrays {
  std::size_t count = 0;
  std::unique_ptr<int[]> boneIds;
  std::unique_ptr<int[]> parentBoneIds;
  std::array<std::unique_ptr<float[]>, kTransformFloatCount> transforms;

  BoneArrays(const std::vector<int>& ids, const TransformSequences& sequences)
      : count(ids.size()), boneIds(NewArray(ids, count)) {
    for (std::size_t k = 0; k < transforms.size(); ++k) {
      transforms[k] = NewArray(sequences[k], count);
    }
  }

  // Writes the addresses out and records the arrays; cannot fail.
  void HandOut(int** outBoneIds, int** outParentBoneIds,
               const std::array<float**, kTransformFloatCount>& outTransforms) noexcept {
    RetainedSlots slots;
    *outBoneIds = slots.boneIds = boneIds.release();
    if (outParentBoneIds != nullptr) {
      *outParentBoneIds = slots.parentBoneIds = parentBoneIds.release();
    }
    for (std::size_t k = 0; k < transforms.size(); ++k) {
      *outTransforms[k] = slots.transforms[k] = transforms[k].release();
    }
    RetainBuffers(slots);
  }
};

// A sequence keeps its memory after a call up to this length, or up to four
// times what the call used: a stream of large documents keeps it, a single
// huge one does not pin it.
constexpr std::size_t kRetainedSequenceLength = 4096;

template <class T>
void ClearSequence(std::vector<T>& sequence) noexcept {
  if (sequence.capacity() > std::max(kRetainedSequenceLength, 4 * sequence.size())) {
    std::vector<T>().swap(sequence);
  } else {
    sequence.clear();
  }
}

void ClearValues(SkeletonDefinitionValues& values) noexcept {
  values.port.reset();
  ClearSequence(values.boneIds);
  ClearSequence(values.parentBoneIds);
  for (std::vector<float>& sequence : values.transforms) {
    ClearSequence(sequence);
  }
}

void ClearValues(FrameDataValues& values) noexcept {
  values.port.reset();
  values.frame = FrameHeaderValues{};
  ClearSequence(values.boneIds);
  for (std::vector<float>& sequence : values.transforms) {
    ClearSequence(sequence);
  }
}

// Lends the service's reusable values to one call and empties them when the
// call ends, however it ends.
template <class Values>
class ReusedValues {
 public:
  explicit ReusedValues(Values& values) noexcept : values_(values) {}
  ~ReusedValues() { ClearValues(values_); }
  ReusedValues(const ReusedValues&) = delete;
  ReusedValues& operator=(const ReusedValues&) = delete;
  Values& get() noexcept { return values_; }

 private:
  Values& values_;
};

// A new NUL-terminated copy of the text, zero bytes inside included.
char* NewText(const std::string& text) {
  char* copy = new char[text.size() + 1];
  std::memcpy(copy, text.data(), text.size());
  copy[text.size()] = '\0';
  return copy;
}

}  // namespace

MotionSerializer::MotionSerializer() { createdCount.fetch_add(1); }

MotionSerializer& MotionSerializer::Instance() {
  // Initialised once even when first calls race; never destroyed, so calls
  // made while the process shuts down still find it.
  static MotionSerializer* const instance = new MotionSerializer();
  return *instance;
}

int MotionSerializer::CreatedCount() noexcept { return createdCount.load(); }

bool MotionSerializer::ConvertSkeletonDefinitionToBytes(
    const char* ipText, std::uint32_t port, int boneCount, const int* boneIds,
    const int* parentBoneIds, const float* rotation0, const float* rotation1,
    const float* rotation2, const float* rotation3, const float* translation0,
    const float* translation1, const float* translation2, int* outSize, unsigned char** outBuffer) {
  const TransformArrays transforms{{rotation0, rotation1, rotation2, rotation3},
                                   {translation0, translation1, translation2}};
  if (AnyNull(ipText, outSize, outBuffer) ||
      (boneCount > 0 && (AnyNull(boneIds, parentBoneIds) || transforms.AnyNull())) ||
      SkeletonDefinitionLength(boneCount) > kMaxDocumentLength) {
    return false;
  }
  std::lock_guard lock(mutex_);
  const BoxPoolScope pool(boxPool_);
  const MotionFormatPtr format = BuildSkeletonDefinition(
      ipText, static_cast<std::uint16_t>(port), boneCount, boneIds, parentBoneIds, transforms);
  return HandOutDocument(format.get(), outSize, outBuffer);
}

bool MotionSerializer::ConvertBytesToSkeletonDefinition(
    int size, const unsigned char* bytes, std::uint64_t* outIpAddress, std::uint32_t* outPort,
    int* outBoneCount, int** outBoneIds, int** outParentBoneIds, float** outRotation0,
    float** outRotation1, float** outRotation2, float** outRotation3, float** outTranslation0,
    float** outTranslation1, float** outTranslation2) {
  if (RefusesBytes(size, bytes) ||
      AnyNull(outIpAddress, outPort, outBoneCount, outBoneIds, outParentBoneIds, outRotation0,
              outRotation1, outRotation2, outRotation3, outTranslation0, outTranslation1,
              outTranslation2)) {
    return false;
  }
  std::lock_guard lock(mutex_);
  std::string ipText;
  ReusedValues reused(skeletonValues_);
  SkeletonDefinitionValues& values = reused.get();
  if (!DecodeSkeletonDefinition(CallerBytes(size, bytes), ipText, values)) {
    *outIpAddress = StringToIpAddress(ipText);
    return false;
  }
  BoneArrays arrays(values.boneIds, values.transforms);
  arrays.parentBoneIds = NewArray(values.parentBoneIds, arrays.count);
  const std::uint64_t ipAddress = StringToIpAddress(ipText);

  *outIpAddress = ipAddress;
  if (values.port) {
    *outPort = *values.port;
  }
  *outBoneCount = static_cast<int>(arrays.count);
  arrays.HandOut(outBoneIds, outParentBoneIds,
                 {outRotation0, outRotation1, outRotation2, outRotation3, outTranslation0,
                  outTranslation1, outTranslation2});
  return true;
}

bool MotionSerializer::ConvertFrameDataToBytes(
    const char* ipText, std::uint32_t port, int frameNumber, float time, double uttm,
    unsigned char timecode0, unsigned char timecode1, unsigned char timecode2,
    unsigned char timecode3, unsigned char timecode4, bool timecodeFlag, int boneCount,
    const int* boneIds, const float* rotation0, const float* rotation1, const float* rotation2,
    const float* rotation3, const float* translation0, const float* translation1,
    const float* translation2, int* outSize, unsigned char** outBuffer) {
  const TransformArrays transforms{{rotation0, rotation1, rotation2, rotation3},
                                   {translation0, translation1, translation2}};
  if (AnyNull(ipText, outSize, outBuffer) ||
      (boneCount > 0 && (AnyNull(boneIds) || transforms.AnyNull())) ||
      FrameDataLength(boneCount) > kMaxDocumentLength) {
    return false;
  }
  const FrameHeaderValues frame{frameNumber,
                                time,
                                uttm,
                                {timecode0, timecode1, timecode2, timecode3, timecode4,
                                 static_cast<unsigned char>(timecodeFlag)}};
  std::lock_guard lock(mutex_);
  const BoxPoolScope pool(boxPool_);
  const MotionFormatPtr format = BuildFrameData(ipText, static_cast<std::uint16_t>(port), frame,
                                                boneCount, boneIds, transforms);
  return HandOutDocument(format.get(), outSize, outBuffer);
}

bool MotionSerializer::ConvertBytesToFrameData(
    int size, const unsigned char* bytes, std::uint64_t* outIpAddress, std::uint32_t* outPort,
    int* outFrameNumber, float* outTime, double* outUttm, unsigned char* outTimecode0,
    unsigned char* outTimecode1, unsigned char* outTimecode2, unsigned char* outTimecode3,
    unsigned char* outTimecode4, bool* outTimecodeFlag, int* outBoneCount, int** outBoneIds,
    float** outRotation0, float** outRotation1, float** outRotation2, float** outRotation3,
    float** outTranslation0, float** outTranslation1, float** outTranslation2) {
  if (RefusesBytes(size, bytes) ||
      AnyNull(outIpAddress, outPort, outFrameNumber, outTime, outUttm, outTimecode0, outTimecode1,
              outTimecode2, outTimecode3, outTimecode4, outTimecodeFlag, outBoneCount, outBoneIds,
              outRotation0, outRotation1, outRotation2, outRotation3, outTranslation0,
              outTranslation1, outTranslation2)) {
    return false;
  }
  std::lock_guard lock(mutex_);
  std::string ipText;
  ReusedValues reused(frameValues_);
  FrameDataValues& values = reused.get();
  if (!DecodeFrameData(CallerBytes(size, bytes), ipText, values)) {
    *outIpAddress = StringToIpAddress(ipText);
    return false;
  }
  BoneArrays arrays(values.boneIds, values.transforms);
  const std::uint64_t ipAddress = StringToIpAddress(ipText);

  *outIpAddress = ipAddress;
  if (values.port) {
    *outPort = *values.port;
  }
  const FrameHeaderValues& frame = values.frame;
  *outFrameNumber = frame.frameNumber;
  *outTime = frame.time;
  *outUttm = frame.uttm;
  unsigned char* const outTimecode[] = {outTimecode0, outTimecode1, outTimecode2, outTimecode3,
                                        outTimecode4};
  for (std::size_t k = 0; k < 5; ++k) {
    *outTimecode[k] = frame.timecode[k];
  }
  *outTimecodeFlag = frame.timecode[5] != 0;
  *outBoneCount = static_cast<int>(arrays.count);
  arrays.HandOut(outBoneIds, nullptr,
                 {outRotation0, outRotation1, outRotation2, outRotation3, outTranslation0,
                  outTranslation1, outTranslation2});
  return true;
}

bool MotionSerializer::ConvertSensorDataToBytes(const char* ipText, std::uint32_t port, double uttm,
                                                const char* sensorAddress, const char* sensorName,
                                                int sensorJointIndex, float sensorValue0,
                                                float sensorValue1, float sensorValue2,
                                                float sensorValue3, float sensorValue4,
                                                float sensorValue5, float sensorValue6,
                                                int* outSize, unsigned char** outBuffer) {
  if (AnyNull(ipText, sensorAddress, sensorName, outSize, outBuffer) ||
      SensorDataLength(std::strlen(sensorAddress), std::strlen(sensorName)) > kMaxDocumentLength) {
    return false;
  }
  const SensorValueArray sensorValues{sensorValue0, sensorValue1, sensorValue2, sensorValue3,
                                      sensorValue4, sensorValue5, sensorValue6};
  std::lock_guard lock(mutex_);
  const BoxPoolScope pool(boxPool_);
  const MotionFormatPtr format =
      BuildSensorData(ipText, sensorAddress, sensorName, static_cast<std::uint16_t>(port), uttm,
                      sensorJointIndex, sensorValues);
  return HandOutDocument(format.get(), outSize, outBuffer);
}

bool MotionSerializer::ConvertBytesToSensorData(
    int size, const unsigned char* bytes, std::uint64_t* outIpAddress, std::uint32_t* outPort,
    double* outUttm, char** outSensorAddress, char** outSensorName, int* outSensorJointIndex,
    float* outSensorValue0, float* outSensorValue1, float* outSensorValue2, float* outSensorValue3,
    float* outSensorValue4, float* outSensorValue5, float* outSensorValue6) {
  float* const outSensorValues[] = {outSensorValue0, outSensorValue1, outSensorValue2,
                                    outSensorValue3, outSensorValue4, outSensorValue5,
                                    outSensorValue6};
  if (RefusesBytes(size, bytes) ||
      AnyNull(outIpAddress, outPort, outUttm, outSensorAddress, outSensorName,
              outSensorJointIndex) ||
      std::find(std::begin(outSensorValues), std::end(outSensorValues), nullptr) !=
          std::end(outSensorValues)) {
    return false;
  }
  std::lock_guard lock(mutex_);
  std::string ipText;
  SensorDataValues values;
  const bool decoded =
      static_cast<bool>(DecodeSensorData(CallerBytes(size, bytes), ipText, values));
  // The texts are handed out whatever the result (empty on failure).
  std::unique_ptr<char[]> address(NewText(values.sensorAddress));
  std::unique_ptr<char[]> name(NewText(values.sensorName));
  const std::uint64_t ipAddress = StringToIpAddress(ipText);

  *outIpAddress = ipAddress;
  *outSensorAddress = address.release();
  *outSensorName = name.release();
  if (!decoded) {
    return false;
  }
  if (values.port) {
    *outPort = *values.port;
  }
  *outUttm = values.uttm;
  if (values.sensorJointIndex) {
    *outSensorJointIndex = *values.sensorJointIndex;
  }
  if (values.sensorValues) {
    for (std::size_t k = 0; k < values.sensorValues->size(); ++k) {
      *outSensorValues[k] = (*values.sensorValues)[k];
    }
  }
  return true;
}

bool MotionSerializer::ContainsBox(BoxType kind, int size, const unsigned char* bytes) {
  if (RefusesBytes(size, bytes)) {
    return false;
  }
  std::lock_guard lock(mutex_);
  return FindBox(CallerBytes(size, bytes), kind, 0, -1).found;
}

bool MotionSerializer::IsRmfBytes(int size, const unsigned char* bytes) {
  return ContainsBox(BoxType::head, size, bytes);
}

bool MotionSerializer::IsSkeletonDefinitionBytes(int size, const unsigned char* bytes) {
  return ContainsBox(BoxType::skdf, size, bytes);
}

bool MotionSerializer::IsFrameDataBytes(int size, const unsigned char* bytes) {
  return ContainsBox(BoxType::fram, size, bytes);
}

bool MotionSerializer::IsSensorDataBytes(int size, const unsigned char* bytes) {
  return ContainsBox(BoxType::sndt, size, bytes);
}

}  // namespace ravuna_motion_format
