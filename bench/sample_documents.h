// The inputs of the benchmarks: per-bone arrays as a caller holds them, and
// documents encoded once through the public functions.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace ravuna_bench {

using Bytes = std::vector<unsigned char>;

inline constexpr const char* kSenderIpText = "192.168.0.17";
inline constexpr std::uint32_t kSenderPort = 49152;

// A caller's structure of arrays for `count` bones, with distinct values.
struct BoneInputs {
  explicit BoneInputs(int boneCount);

  int count;
  std::vector<int> ids;
  std::vector<int> parentIds;
  std::array<std::vector<float>, 7> transform;  // rotation 0 to 3, translation 0 to 2
};

struct SensorInputs {
  explicit SensorInputs(std::size_t textLength);

  std::string address;
  std::string name;
};

// Encoding calls with fixed scalars; each returns the export's result and
// leaves the document in outSize/outBuffer (owned by the library).
bool EncodeSkeleton(const BoneInputs& bones, int& outSize, unsigned char*& outBuffer);
bool EncodeFrame(const BoneInputs& bones, int& outSize, unsigned char*& outBuffer);
bool EncodeSensor(const SensorInputs& sensor, int& outSize, unsigned char*& outBuffer);

// The same documents, copied out of the library.
Bytes SkeletonDocument(const BoneInputs& bones);
Bytes FrameDocument(const BoneInputs& bones);
Bytes SensorDocument(const SensorInputs& sensor);

// Outputs of the parsing exports; the arrays are the library's.
struct ParsedBones {
  std::uint64_t ipAddress = 0;
  std::uint32_t port = 0;
  int boneCount = 0;
  int* boneIds = nullptr;
  int* parentBoneIds = nullptr;
  float* transform[7] = {};
};

struct ParsedFrame {
  ParsedBones bones;
  int frameNumber = 0;
  float time = 0.0F;
  double uttm = 0.0;
  unsigned char timecode[5] = {};
  bool timecodeFlag = false;
};

// Parsing calls, each returning the export's result. The sensor call gives
// its two texts back, as every caller must.
bool ParseSkeleton(const Bytes& document, ParsedBones& out);
bool ParseFrame(const Bytes& document, ParsedFrame& out);
bool ParseSensor(const Bytes& document);

// The caller-buffer calls: documents into a caller's buffer (its size is the
// capacity), values into a caller's arrays and texts, all reused from call to
// call.
bool EncodeSkeletonToBuffer(const BoneInputs& bones, Bytes& buffer, int& outSize);
bool EncodeFrameToBuffer(const BoneInputs& bones, Bytes& buffer, int& outSize);
bool EncodeSensorToBuffer(const SensorInputs& sensor, Bytes& buffer, int& outSize);

// A caller's own arrays for up to `capacity` bones.
struct BoneArrays {
  explicit BoneArrays(int capacity);

  std::uint64_t ipAddress = 0;
  std::uint32_t port = 0;
  int boneCount = 0;
  std::vector<int> ids;
  std::vector<int> parentIds;
  std::array<std::vector<float>, 7> transform;
};

struct FrameArrays {
  explicit FrameArrays(int capacity) : bones(capacity) {}

  BoneArrays bones;
  int frameNumber = 0;
  float time = 0.0F;
  double uttm = 0.0;
  unsigned char timecode[5] = {};
  bool timecodeFlag = false;
};

// A caller's own text buffers of `capacity` bytes each, the NUL included.
struct SensorTexts {
  explicit SensorTexts(std::size_t capacity) : address(capacity), name(capacity) {}

  std::vector<char> address;
  std::vector<char> name;
  int addressLength = 0;
  int nameLength = 0;
};

bool ParseSkeletonArrays(const Bytes& document, BoneArrays& out);
bool ParseFrameArrays(const Bytes& document, FrameArrays& out);
bool ParseSensorTexts(const Bytes& document, SensorTexts& out);

}  // namespace ravuna_bench
