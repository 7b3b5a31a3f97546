#include "interface/motion_serializer.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "documents/canonical_reads.h"
#include "documents/direct_writers.h"
#include "documents/document_header.h"
#include "documents/frame_data.h"
#include "documents/sensor_data.h"
#include "documents/skeleton_definition.h"
#include "interface/caller_bytes.h"

namespace ravuna_motion_format {
namespace {

// Readers address documents with signed 32-bit offsets.
constexpr std::uint64_t kMaxDocumentLength = 0x7FFFFFFF;

std::atomic<int> createdCount{0};

template <class... Pointers>
bool AnyNull(const Pointers*... pointers) noexcept {
  return ((pointers == nullptr) || ...);
}

// Writes the document of `length` bytes into one new buffer and hands it out
// through the two outputs, written only once nothing can fail any more.
template <class Writer>
bool HandOutDocument(RetainedBuffers& handedOut, std::uint64_t length, const Writer& write,
                     int* outSize, unsigned char** outBuffer) {
  std::unique_ptr<unsigned char[]> block(new unsigned char[length]);
  write(block.get());
  *outSize = static_cast<int>(length);
  *outBuffer = block.get();
  handedOut.Retain(std::move(block));
  return true;
}

Sender PackSender(const char* ipText, std::uint32_t port) {
  return {StringToIpAddress(ipText), static_cast<std::uint16_t>(port)};
}

// The per-bone arrays of one parsing call in one block, owned here until
// handed out. Each array gets its own address, also when there are no bones.
class BoneBlock {
 public:
  BoneBlock(std::size_t count, bool withParents) : count_(count) {
    const std::size_t stride = std::max<std::size_t>(count, 1) * 4;
    block_.reset(new unsigned char[(withParents ? 9 : 8) * stride]);
    unsigned char* at = block_.get();
    const auto next = [&at, stride]() { return std::exchange(at, at + stride); };
    outputs_.boneIds = reinterpret_cast<int*>(next());
    if (withParents) {
      outputs_.parentBoneIds = reinterpret_cast<int*>(next());
    }
    for (float*& transform : outputs_.transforms) {
      transform = reinterpret_cast<float*>(next());
    }
  }

  std::size_t count() const noexcept { return count_; }
  const BoneOutputs& outputs() const noexcept { return outputs_; }

  // Copies what the general walk collected: the collected values, then zeros
  // for elements that have none.
  template <class T>
  void Fill(T* array, const std::vector<T>& collected) const noexcept {
    const std::size_t copied = std::min(count_, collected.size());
    std::copy_n(collected.begin(), copied, array);
    std::fill(array + copied, array + count_, T{});
  }
  void FillTransforms(const TransformSequences& sequences) const noexcept {
    for (std::size_t k = 0; k < sequences.size(); ++k) {
      Fill(outputs_.transforms[k], sequences[k]);
    }
  }

  // Writes the count and the addresses out and records the block.
  void HandOut(RetainedBuffers& handedOut, int* outBoneCount, int** outBoneIds,
               int** outParentBoneIds,
               const std::array<float**, kTransformFloatCount>& outTransforms) noexcept {
    *outBoneCount = static_cast<int>(count_);
    *outBoneIds = outputs_.boneIds;
    if (outParentBoneIds != nullptr) {
      *outParentBoneIds = outputs_.parentBoneIds;
    }
    for (std::size_t k = 0; k < outputs_.transforms.size(); ++k) {
      *outTransforms[k] = outputs_.transforms[k];
    }
    handedOut.Retain(std::move(block_));
  }

 private:
  std::size_t count_;
  std::unique_ptr<unsigned char[]> block_;
  BoneOutputs outputs_;
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
char* NewText(std::string_view text) {
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
  const Sender sender = PackSender(ipText, port);
  ServiceLock lock(mutex_);
  return HandOutDocument(
      handedOut_, SkeletonDefinitionLength(boneCount),
      [&](unsigned char* out) {
        WriteSkeletonDefinition(out, sender, boneCount, boneIds, parentBoneIds, transforms);
      },
      outSize, outBuffer);
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
  const std::array<float**, kTransformFloatCount> outTransforms{
      outRotation0,    outRotation1,    outRotation2,   outRotation3,
      outTranslation0, outTranslation1, outTranslation2};
  const ByteView input = CallerBytes(size, bytes);
  ServiceLock lock(mutex_);
  if (const std::optional<CanonicalBones> canonical = MatchCanonicalSkeletonDefinition(input)) {
    BoneBlock block(canonical->boneCount, true);
    ReadCanonicalSkeletonBones(*canonical, block.outputs());
    *outIpAddress = canonical->packedAddress;
    *outPort = canonical->port;
    block.HandOut(handedOut_, outBoneCount, outBoneIds, outParentBoneIds, outTransforms);
    return true;
  }
  std::string ipText;
  ReusedValues reused(skeletonValues_);
  SkeletonDefinitionValues& values = reused.get();
  if (!DecodeSkeletonDefinition(input, ipText, values)) {
    *outIpAddress = StringToIpAddress(ipText);
    return false;
  }
  BoneBlock block(values.boneIds.size(), true);
  block.Fill(block.outputs().boneIds, values.boneIds);
  block.Fill(block.outputs().parentBoneIds, values.parentBoneIds);
  block.FillTransforms(values.transforms);
  *outIpAddress = StringToIpAddress(ipText);
  if (values.port) {
    *outPort = *values.port;
  }
  block.HandOut(handedOut_, outBoneCount, outBoneIds, outParentBoneIds, outTransforms);
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
  const Sender sender = PackSender(ipText, port);
  ServiceLock lock(mutex_);
  return HandOutDocument(
      handedOut_, FrameDataLength(boneCount),
      [&](unsigned char* out) {
        WriteFrameData(out, sender, frame, boneCount, boneIds, transforms);
      },
      outSize, outBuffer);
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
  const std::array<float**, kTransformFloatCount> outTransforms{
      outRotation0,    outRotation1,    outRotation2,   outRotation3,
      outTranslation0, outTranslation1, outTranslation2};
  // Written last, once the bones are in place.
  const auto writeFrame = [&](const FrameHeaderValues& frame) {
    *outFrameNumber = frame.frameNumber;
    *outTime = frame.time;
    *outUttm = frame.uttm;
    unsigned char* const outTimecode[] = {outTimecode0, outTimecode1, outTimecode2, outTimecode3,
                                          outTimecode4};
    for (std::size_t k = 0; k < 5; ++k) {
      *outTimecode[k] = frame.timecode[k];
    }
    *outTimecodeFlag = frame.timecode[5] != 0;
  };
  const ByteView input = CallerBytes(size, bytes);
  ServiceLock lock(mutex_);
  if (const std::optional<CanonicalBones> canonical = MatchCanonicalFrameData(input)) {
    BoneBlock block(canonical->boneCount, false);
    ReadCanonicalFrameBones(*canonical, block.outputs());
    *outIpAddress = canonical->packedAddress;
    *outPort = canonical->port;
    writeFrame(ReadCanonicalFrameHeader(*canonical));
    block.HandOut(handedOut_, outBoneCount, outBoneIds, nullptr, outTransforms);
    return true;
  }
  std::string ipText;
  ReusedValues reused(frameValues_);
  FrameDataValues& values = reused.get();
  if (!DecodeFrameData(input, ipText, values)) {
    *outIpAddress = StringToIpAddress(ipText);
    return false;
  }
  BoneBlock block(values.boneIds.size(), false);
  block.Fill(block.outputs().boneIds, values.boneIds);
  block.FillTransforms(values.transforms);
  *outIpAddress = StringToIpAddress(ipText);
  if (values.port) {
    *outPort = *values.port;
  }
  writeFrame(values.frame);
  block.HandOut(handedOut_, outBoneCount, outBoneIds, nullptr, outTransforms);
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
  const Sender sender = PackSender(ipText, port);
  const std::string_view address(sensorAddress);
  const std::string_view name(sensorName);
  ServiceLock lock(mutex_);
  return HandOutDocument(
      handedOut_, SensorDataLength(address.size(), name.size()),
      [&](unsigned char* out) {
        WriteSensorData(out, sender, uttm, address, name, sensorJointIndex, sensorValues);
      },
      outSize, outBuffer);
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
  const ByteView input = CallerBytes(size, bytes);
  ServiceLock lock(mutex_);
  if (const std::optional<CanonicalSensorData> canonical = MatchCanonicalSensorData(input)) {
    std::unique_ptr<char[]> address(NewText(canonical->sensorAddress));
    std::unique_ptr<char[]> name(NewText(canonical->sensorName));
    *outIpAddress = canonical->packedAddress;
    *outSensorAddress = address.release();
    *outSensorName = name.release();
    *outPort = canonical->port;
    *outUttm = canonical->uttm;
    *outSensorJointIndex = canonical->sensorJointIndex;
    for (std::size_t k = 0; k < canonical->sensorValues.size(); ++k) {
      *outSensorValues[k] = canonical->sensorValues[k];
    }
    return true;
  }
  std::string ipText;
  SensorDataValues values;
  const bool decoded = static_cast<bool>(DecodeSensorData(input, ipText, values));
  // The texts are handed out whatever the result (empty on failure).
  std::unique_ptr<char[]> address(NewText(values.sensorAddress));
  std::unique_ptr<char[]> name(NewText(values.sensorName));
  *outIpAddress = StringToIpAddress(ipText);
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
  ServiceLock lock(mutex_);
  return FindBox(CallerBytes(size, bytes), kind, 0, -1).found;
}

void MotionSerializer::ReleaseSensorDataText(char* text) {
  ServiceLock lock(mutex_);
  delete[] text;
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
