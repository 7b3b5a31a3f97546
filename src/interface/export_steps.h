// The steps the exports share: checking the caller's inputs, writing a
// document into memory handed out or into the caller's buffer, and giving
// out a parse's values, again in memory handed out or in the caller's arrays.
// Each export adapts its arguments to these steps and nothing more.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>
#include <utility>

#include "documents/direct_writers.h"
#include "documents/document_header.h"
#include "documents/document_reads.h"
#include "interface/caller_bytes.h"
#include "interface/motion_serializer.h"

namespace ravuna_motion_format {

// Readers address documents with signed 32-bit offsets.
inline constexpr std::uint64_t kMaxDocumentLength = 0x7FFFFFFF;

template <class... Pointers>
bool AnyNull(const Pointers*... pointers) noexcept {
  return ((pointers == nullptr) || ...);
}

inline Sender PackSender(const char* ipText, std::uint32_t port) noexcept {
  return {StringToIpAddress(ipText), static_cast<std::uint16_t>(port)};
}

// The inputs of a skeleton definition as the caller passes them.
struct SkeletonDefinitionInput {
  const char* ipText;
  std::uint32_t port;
  int boneCount;
  const int* boneIds;
  const int* parentBoneIds;
  TransformArrays transforms;

  bool Refused() const noexcept {
    return ipText == nullptr ||
           (boneCount > 0 && (AnyNull(boneIds, parentBoneIds) || transforms.AnyNull()));
  }
  std::uint64_t Length() const noexcept { return SkeletonDefinitionLength(boneCount); }
  void Write(std::uint8_t* out) const noexcept {
    WriteSkeletonDefinition(out, PackSender(ipText, port), boneCount, boneIds, parentBoneIds,
                            transforms);
  }
};

struct FrameDataInput {
  const char* ipText;
  std::uint32_t port;
  FrameHeaderValues frame;
  int boneCount;
  const int* boneIds;
  TransformArrays transforms;

  bool Refused() const noexcept {
    return ipText == nullptr || (boneCount > 0 && (AnyNull(boneIds) || transforms.AnyNull()));
  }
  std::uint64_t Length() const noexcept { return FrameDataLength(boneCount); }
  void Write(std::uint8_t* out) const noexcept {
    WriteFrameData(out, PackSender(ipText, port), frame, boneCount, boneIds, transforms);
  }
};

struct SensorDataInput {
  const char* ipText;
  std::uint32_t port;
  double uttm;
  bool refused;
  std::string_view sensorAddress;
  std::string_view sensorName;
  int sensorJointIndex;
  SensorValueArray sensorValues;

  bool Refused() const noexcept { return refused; }
  std::uint64_t Length() const noexcept {
    return SensorDataLength(sensorAddress.size(), sensorName.size());
  }
  void Write(std::uint8_t* out) const noexcept {
    WriteSensorData(out, PackSender(ipText, port), uttm, sensorAddress, sensorName,
                    sensorJointIndex, sensorValues);
  }
};

// The texts are measured once, when none of the pointers is null.
inline SensorDataInput SensorDataInputOf(const char* ipText, std::uint32_t port, double uttm,
                                         const char* sensorAddress, const char* sensorName,
                                         int sensorJointIndex,
                                         const SensorValueArray& sensorValues) noexcept {
  const bool refused = AnyNull(ipText, sensorAddress, sensorName);
  return {ipText,
          port,
          uttm,
          refused,
          refused ? std::string_view() : std::string_view(sensorAddress),
          refused ? std::string_view() : std::string_view(sensorName),
          sensorJointIndex,
          sensorValues};
}

// Writes the document into one new block, handed out until the next
// recording call; the outputs are written once nothing can fail any more.
template <class Input>
bool HandOutDocument(const Input& input, int* outSize, unsigned char** outBuffer) {
  if (input.Refused() || AnyNull(outSize, outBuffer)) {
    return false;
  }
  const std::uint64_t length = input.Length();
  if (length > kMaxDocumentLength) {
    return false;
  }
  std::unique_ptr<unsigned char[]> block(new unsigned char[length]);
  input.Write(block.get());
  unsigned char* document = block.get();
  MotionSerializer::Instance().HandOut(std::move(block));
  *outSize = static_cast<int>(length);
  *outBuffer = document;
  return true;
}

// Writes the document into the caller's buffer when it fits; the length goes
// to *outSize either way. A null buffer of capacity 0 asks for the length.
template <class Input>
bool WriteDocumentInto(const Input& input, int capacity, unsigned char* buffer,
                       int* outSize) noexcept {
  if (input.Refused() || outSize == nullptr || (buffer == nullptr && capacity > 0)) {
    return false;
  }
  const std::uint64_t length = input.Length();
  if (length > kMaxDocumentLength) {
    return false;
  }
  *outSize = static_cast<int>(length);
  if (capacity < 0 || static_cast<std::uint64_t>(capacity) < length) {
    return false;
  }
  input.Write(buffer);
  return true;
}

inline void WriteSender(const SenderValues& sender, std::uint64_t* outIpAddress,
                        std::uint32_t* outPort) noexcept {
  *outIpAddress = sender.packedAddress;
  if (sender.hasPort) {
    *outPort = sender.port;
  }
}

inline void WriteFrameHeader(const FrameHeaderValues& frame, int* outFrameNumber, float* outTime,
                             double* outUttm, const std::array<unsigned char*, 5>& outTimecode,
                             bool* outTimecodeFlag) noexcept {
  *outFrameNumber = frame.frameNumber;
  *outTime = frame.time;
  *outUttm = frame.uttm;
  for (std::size_t k = 0; k < outTimecode.size(); ++k) {
    *outTimecode[k] = frame.timecode[k];
  }
  *outTimecodeFlag = frame.timecode[kTimecodeFlagIndex] != 0;
}

// Where the bone parsing exports hand out their arrays' addresses.
struct HandedOutBoneArrays {
  int** boneIds;
  int** parentBoneIds;  // skeleton definitions only, else null
  std::array<float**, kTransformFloatCount> transforms;

  bool AnyNull() const noexcept {
    return boneIds == nullptr ||
           std::find(transforms.begin(), transforms.end(), nullptr) != transforms.end();
  }
};

// Reads the bones into one new block of arrays and hands it out. On a
// rejected document only the address is written, as 0.
bool HandOutBones(BoneDocumentRead& read, std::uint64_t* outIpAddress, std::uint32_t* outPort,
                  int* outBoneCount, const HandedOutBoneArrays& out);

// Reads the bones into the caller's arrays of `capacity` elements when they
// fit; the count needed goes to *outBoneCount either way. Nothing is written
// for a rejected document.
bool ReadBonesInto(BoneDocumentRead& read, int capacity, const BoneOutputs& arrays,
                   std::uint64_t* outIpAddress, std::uint32_t* outPort, int* outBoneCount) noexcept;

// Whether caller arrays for `capacity` bones are refused: a null array with a
// positive capacity (parent ids only when `withParents`).
bool RefusesBoneArrays(int capacity, const BoneOutputs& arrays, bool withParents) noexcept;

// The sensor values a document holds; absent ones leave the caller's.
void WriteSensorValues(const SensorDataValues& values, double* outUttm, int* outSensorJointIndex,
                       const std::array<float*, kTransformFloatCount>& outSensorValues) noexcept;

// A new NUL-terminated copy of the text, zero bytes inside included.
char* NewText(std::string_view text);

// Whether the text and its NUL fit `capacity` bytes.
inline bool FitsWithNul(std::string_view text, int capacity) noexcept {
  return capacity > 0 && text.size() < static_cast<std::size_t>(capacity);
}

// The text and a NUL at `out`, which holds them.
inline void CopyWithNul(std::string_view text, char* out) noexcept {
  std::copy(text.begin(), text.end(), out);  // an empty view may have no address
  out[text.size()] = '\0';
}

}  // namespace ravuna_motion_format
