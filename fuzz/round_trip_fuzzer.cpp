// Structured round trip through the public exports: values drawn from the
// input (up to 4096 bones, any float and double bit pattern, any text with
// zero bytes) are serialised twice, the two documents must be identical,
// detection must name exactly their kind, and parsing must give every value
// back bit for bit, after the documented conversions: ids sign-extended from
// their low 16 bits, the port's low 16 bits, the address packed and kept
// modulo 10^12, the timecode flag as 0 or 1, texts up to their first NUL.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "documents/document_header.h"
#include "fuzz_check.h"
#include "fuzz_input.h"
#include "ravuna_motion_serializer.h"
#include "reader_invariants.h"

namespace {

using ravuna_fuzz::BitStream;
using ravuna_fuzz::FuzzInput;
using Document = std::vector<std::uint8_t>;

constexpr std::uint32_t kMaxBones = 4096;
constexpr std::uint64_t kPackedAddressModulus = 1000000000000U;

enum class Kind : std::uint8_t { skeletonDefinition, frameData, sensorData };

struct Sender {
  std::string ipText;
  std::uint32_t port = 0;
  std::uint64_t expectedAddress = 0;
  std::uint32_t ExpectedPort() const { return port & 0xFFFFU; }
};

struct Bones {
  int count = 0;  // as passed; 0 or negative means none
  std::vector<int> ids;
  std::vector<int> parentIds;
  std::array<std::vector<float>, 7> transform;  // rotation 0 to 3, translation 0 to 2
  std::size_t Size() const { return ids.size(); }
};

struct FrameScalars {
  int frameNumber = 0;
  float time = 0.0F;
  double uttm = 0.0;
  std::array<unsigned char, 5> timecode{};
  bool flag = false;
};

struct SensorRecord {
  double uttm = 0.0;
  std::string address;  // may hold zero bytes: only the part before the first is written
  std::string name;
  int jointIndex = 0;
  std::array<float, 7> values{};
};

int ExpectedId(int id) { return static_cast<std::int16_t>(static_cast<std::uint16_t>(id)); }

template <class T>
bool SameBits(const T& a, const T& b) {
  return std::memcmp(&a, &b, sizeof(T)) == 0;
}

template <class T>
bool SameBits(const T* actual, const std::vector<T>& expected) {
  return expected.empty() || std::memcmp(actual, expected.data(), expected.size() * sizeof(T)) == 0;
}

std::string UpToFirstZero(const std::string& text) { return text.substr(0, text.find('\0')); }

Sender DrawSender(FuzzInput& input) {
  Sender sender;
  sender.port = input.Integer<std::uint32_t>();
  if (input.Bool()) {
    // Four dotted parts, packed as ((a * 1000 + b) * 1000 + c) * 1000 + d.
    std::uint64_t packed = 0;
    for (int part = 0; part < 4; ++part) {
      const std::uint16_t value = input.Integer<std::uint16_t>();
      if (part > 0) {
        sender.ipText += '.';
      }
      sender.ipText += std::to_string(value);
      packed = packed * 1000U + value;
    }
    sender.expectedAddress = packed % kPackedAddressModulus;
  } else {
    // Any text: the writer and the reader must agree with the packing rule.
    sender.ipText = UpToFirstZero(input.Text(24));
    sender.expectedAddress =
        ravuna_motion_format::StringToIpAddress(sender.ipText) % kPackedAddressModulus;
  }
  return sender;
}

Bones DrawBones(FuzzInput& input) {
  Bones bones;
  // Mostly a few bones (fast runs), one run in 64 up to 4096 bones, one in 64
  // a negative count, which means none.
  const std::uint8_t shape = input.Byte() % 64;
  if (shape == 0) {
    bones.count = -static_cast<int>(input.UpTo(1000)) - 1;
  } else {
    bones.count = static_cast<int>(shape < 63 ? input.UpTo(16) : input.UpTo(kMaxBones));
  }
  const std::size_t n = static_cast<std::size_t>(std::max(bones.count, 0));
  BitStream bits(input.Integer<std::uint64_t>());
  // Values come from the input while it lasts, then from the bit stream.
  auto next = [&input, &bits]() {
    return input.Remaining() >= 4 ? input.Integer<std::uint32_t>()
                                  : static_cast<std::uint32_t>(bits.Next() >> 32U);
  };
  for (std::size_t i = 0; i < n; ++i) {
    bones.ids.push_back(static_cast<int>(next()));
    bones.parentIds.push_back(static_cast<int>(next()));
    for (std::vector<float>& component : bones.transform) {
      component.push_back(std::bit_cast<float>(next()));
    }
  }
  return bones;
}

Document CopyOut(bool encoded, int size, const unsigned char* buffer) {
  RAVUNA_FUZZ_CHECK(encoded && size > 0 && buffer != nullptr);
  return Document(buffer, buffer + size);
}

Document EncodeSkeletonDefinition(const Sender& sender, const Bones& bones) {
  int size = 0;
  unsigned char* buffer = nullptr;
  const auto& t = bones.transform;
  const bool encoded = ConvertSkeletonDefinitionToBytes(
      sender.ipText.c_str(), sender.port, bones.count, bones.ids.data(), bones.parentIds.data(),
      t[0].data(), t[1].data(), t[2].data(), t[3].data(), t[4].data(), t[5].data(), t[6].data(),
      &size, &buffer);
  return CopyOut(encoded, size, buffer);
}

Document EncodeFrameData(const Sender& sender, const FrameScalars& frame, const Bones& bones) {
  int size = 0;
  unsigned char* buffer = nullptr;
  const auto& t = bones.transform;
  const auto& tc = frame.timecode;
  const bool encoded = ConvertFrameDataToBytes(
      sender.ipText.c_str(), sender.port, frame.frameNumber, frame.time, frame.uttm, tc[0], tc[1],
      tc[2], tc[3], tc[4], frame.flag, bones.count, bones.ids.data(), t[0].data(), t[1].data(),
      t[2].data(), t[3].data(), t[4].data(), t[5].data(), t[6].data(), &size, &buffer);
  return CopyOut(encoded, size, buffer);
}

Document EncodeSensorData(const Sender& sender, const SensorRecord& record) {
  int size = 0;
  unsigned char* buffer = nullptr;
  const auto& v = record.values;
  const bool encoded = ConvertSensorDataToBytes(
      sender.ipText.c_str(), sender.port, record.uttm, record.address.c_str(), record.name.c_str(),
      record.jointIndex, v[0], v[1], v[2], v[3], v[4], v[5], v[6], &size, &buffer);
  return CopyOut(encoded, size, buffer);
}

void CheckBones(const Bones& expected, int count, const int* ids, const int* parentIds,
                float* const (&transform)[7]) {
  RAVUNA_FUZZ_CHECK(count == static_cast<int>(expected.Size()));
  for (std::size_t i = 0; i < expected.Size(); ++i) {
    RAVUNA_FUZZ_CHECK(ids[i] == ExpectedId(expected.ids[i]));
    RAVUNA_FUZZ_CHECK(parentIds == nullptr || parentIds[i] == ExpectedId(expected.parentIds[i]));
  }
  for (std::size_t k = 0; k < 7; ++k) {
    RAVUNA_FUZZ_CHECK(SameBits<float>(transform[k], expected.transform[k]));
  }
}

void ParseSkeletonDefinition(const Document& document, const Sender& sender, const Bones& bones) {
  std::uint64_t ip = 0;
  std::uint32_t port = 0xFFFFFFFFU;
  int count = -1;
  int* ids = nullptr;
  int* parentIds = nullptr;
  float* t[7] = {};
  RAVUNA_FUZZ_CHECK(ConvertBytesToSkeletonDefinition(
      static_cast<int>(document.size()), document.data(), &ip, &port, &count, &ids, &parentIds,
      &t[0], &t[1], &t[2], &t[3], &t[4], &t[5], &t[6]));
  RAVUNA_FUZZ_CHECK(ip == sender.expectedAddress && port == sender.ExpectedPort());
  CheckBones(bones, count, ids, parentIds, t);
}

void ParseFrameData(const Document& document, const Sender& sender, const FrameScalars& frame,
                    const Bones& bones) {
  std::uint64_t ip = 0;
  std::uint32_t port = 0xFFFFFFFFU;
  FrameScalars read;
  read.flag = !frame.flag;
  int count = -1;
  int* ids = nullptr;
  float* t[7] = {};
  auto& tc = read.timecode;
  RAVUNA_FUZZ_CHECK(ConvertBytesToFrameData(
      static_cast<int>(document.size()), document.data(), &ip, &port, &read.frameNumber, &read.time,
      &read.uttm, &tc[0], &tc[1], &tc[2], &tc[3], &tc[4], &read.flag, &count, &ids, &t[0], &t[1],
      &t[2], &t[3], &t[4], &t[5], &t[6]));
  RAVUNA_FUZZ_CHECK(ip == sender.expectedAddress && port == sender.ExpectedPort());
  RAVUNA_FUZZ_CHECK(read.frameNumber == frame.frameNumber);
  RAVUNA_FUZZ_CHECK(SameBits(read.time, frame.time) && SameBits(read.uttm, frame.uttm));
  RAVUNA_FUZZ_CHECK(read.timecode == frame.timecode);
  unsigned char flagByte = 0xFF;
  std::memcpy(&flagByte, &read.flag, 1);
  RAVUNA_FUZZ_CHECK(flagByte == (frame.flag ? 1 : 0));
  CheckBones(bones, count, ids, nullptr, t);
}

void ParseSensorData(const Document& document, const Sender& sender, const SensorRecord& record) {
  std::uint64_t ip = 0;
  std::uint32_t port = 0xFFFFFFFFU;
  SensorRecord read;
  read.jointIndex = ~record.jointIndex;
  char* address = nullptr;
  char* name = nullptr;
  auto& v = read.values;
  RAVUNA_FUZZ_CHECK(ConvertBytesToSensorData(
      static_cast<int>(document.size()), document.data(), &ip, &port, &read.uttm, &address, &name,
      &read.jointIndex, &v[0], &v[1], &v[2], &v[3], &v[4], &v[5], &v[6]));
  RAVUNA_FUZZ_CHECK(ip == sender.expectedAddress && port == sender.ExpectedPort());
  RAVUNA_FUZZ_CHECK(SameBits(read.uttm, record.uttm) && read.jointIndex == record.jointIndex);
  RAVUNA_FUZZ_CHECK(SameBits(read.values, record.values));
  RAVUNA_FUZZ_CHECK(std::string(address) == UpToFirstZero(record.address));
  RAVUNA_FUZZ_CHECK(std::string(name) == UpToFirstZero(record.name));
  ReleaseSensorDataText(address);
  ReleaseSensorDataText(name);
}

// Detection names exactly the document's kind, and only its parser accepts it.
void CheckKind(const Document& document, Kind kind) {
  const ravuna_fuzz::ReaderAnswers answers =
      ravuna_fuzz::CheckEveryReader(document.data(), document.size());
  RAVUNA_FUZZ_CHECK(answers.isRmf);
  RAVUNA_FUZZ_CHECK(answers.isSkeletonDefinition == (kind == Kind::skeletonDefinition));
  RAVUNA_FUZZ_CHECK(answers.isFrameData == (kind == Kind::frameData));
  RAVUNA_FUZZ_CHECK(answers.isSensorData == (kind == Kind::sensorData));
  RAVUNA_FUZZ_CHECK(answers.skeletonDefinitionParsed == (kind == Kind::skeletonDefinition));
  RAVUNA_FUZZ_CHECK(answers.frameDataParsed == (kind == Kind::frameData));
  RAVUNA_FUZZ_CHECK(answers.sensorDataParsed == (kind == Kind::sensorData));
}

void RoundTripSkeletonDefinition(FuzzInput& input, const Sender& sender) {
  const Bones bones = DrawBones(input);
  const Document document = EncodeSkeletonDefinition(sender, bones);
  RAVUNA_FUZZ_CHECK(document.size() == 93 + 64 * bones.Size());
  RAVUNA_FUZZ_CHECK(EncodeSkeletonDefinition(sender, bones) == document);
  CheckKind(document, Kind::skeletonDefinition);
  ParseSkeletonDefinition(document, sender, bones);
}

void RoundTripFrameData(FuzzInput& input, const Sender& sender) {
  FrameScalars frame;
  frame.frameNumber = input.Integer<int>();
  frame.time = input.Float();
  frame.uttm = input.Double();
  for (unsigned char& byte : frame.timecode) {
    byte = input.Byte();
  }
  frame.flag = input.Bool();
  const Bones bones = DrawBones(input);
  const Document document = EncodeFrameData(sender, frame, bones);
  RAVUNA_FUZZ_CHECK(document.size() == 147 + 54 * bones.Size());
  RAVUNA_FUZZ_CHECK(EncodeFrameData(sender, frame, bones) == document);
  CheckKind(document, Kind::frameData);
  ParseFrameData(document, sender, frame, bones);
}

void RoundTripSensorData(FuzzInput& input, const Sender& sender) {
  SensorRecord record;
  record.uttm = input.Double();
  record.jointIndex = input.Integer<int>();
  for (float& value : record.values) {
    value = input.Float();
  }
  record.address = input.Text(300);
  record.name = input.Text(300);
  const Document document = EncodeSensorData(sender, record);
  RAVUNA_FUZZ_CHECK(document.size() ==
                    165 + UpToFirstZero(record.address).size() + UpToFirstZero(record.name).size());
  RAVUNA_FUZZ_CHECK(EncodeSensorData(sender, record) == document);
  CheckKind(document, Kind::sensorData);
  ParseSensorData(document, sender, record);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzInput input(data, size);
  const Kind kind = static_cast<Kind>(input.Byte() % 3);
  const Sender sender = DrawSender(input);
  switch (kind) {
    case Kind::skeletonDefinition: RoundTripSkeletonDefinition(input, sender); break;
    case Kind::frameData: RoundTripFrameData(input, sender); break;
    case Kind::sensorData: RoundTripSensorData(input, sender); break;
  }
  return 0;
}
