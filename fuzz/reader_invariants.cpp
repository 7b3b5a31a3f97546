#include "reader_invariants.h"

#include <algorithm>
#include <array>
#include <bit>
#include <climits>
#include <cstring>

#include "fuzz_check.h"
#include "ravuna_motion_serializer.h"

namespace ravuna_fuzz {
namespace {

// Values no successful call can leave behind, to tell "written" from "kept".
constexpr std::uint64_t kIpSentinel = 0xA5A5A5A5A5A5A5A5U;
constexpr std::uint32_t kPortSentinel = 0xFFFFFFFFU;
constexpr int kCountSentinel = -7;
constexpr std::uint64_t kLargestPackedAddress = 999999999999U;

int sentinelIds[1];
float sentinelFloats[1];
char sentinelText[1];

// Reads every element, so that an array shorter than announced is caught.
template <class T>
void ReadAll(const T* array, int count) {
  RAVUNA_FUZZ_CHECK(array != nullptr);
  volatile std::uint32_t sink = 0;
  for (int i = 0; i < count; ++i) {
    std::uint32_t bits = 0;
    std::memcpy(&bits, &array[i], sizeof(bits));
    sink = sink ^ bits;
  }
  (void)sink;
}

template <std::size_t N>
bool AllDistinct(std::array<const void*, N> pointers) {
  std::sort(pointers.begin(), pointers.end());
  return std::adjacent_find(pointers.begin(), pointers.end()) == pointers.end();
}

void CheckSkeletonDefinition(int size, const std::uint8_t* data, ReaderAnswers& answers) {
  std::uint64_t ip = kIpSentinel;
  std::uint32_t port = kPortSentinel;
  int count = kCountSentinel;
  int* ids[2] = {sentinelIds, sentinelIds};
  float* floats[7];
  std::fill(std::begin(floats), std::end(floats), static_cast<float*>(sentinelFloats));
  answers.skeletonDefinitionParsed = ConvertBytesToSkeletonDefinition(
      size, data, &ip, &port, &count, &ids[0], &ids[1], &floats[0], &floats[1], &floats[2],
      &floats[3], &floats[4], &floats[5], &floats[6]);
  if (!answers.skeletonDefinitionParsed) {
    RAVUNA_FUZZ_CHECK(ip == 0);
    RAVUNA_FUZZ_CHECK(port == kPortSentinel && count == kCountSentinel);
    RAVUNA_FUZZ_CHECK(ids[0] == sentinelIds && ids[1] == sentinelIds);
    RAVUNA_FUZZ_CHECK(std::all_of(std::begin(floats), std::end(floats),
                                  [](const float* array) { return array == sentinelFloats; }));
    return;
  }
  RAVUNA_FUZZ_CHECK(answers.isRmf && answers.isSkeletonDefinition);
  RAVUNA_FUZZ_CHECK(ip <= kLargestPackedAddress);
  RAVUNA_FUZZ_CHECK(port == kPortSentinel || port <= 0xFFFFU);
  RAVUNA_FUZZ_CHECK(count >= 0);
  ReadAll(ids[0], count);
  ReadAll(ids[1], count);
  for (const float* array : floats) {
    ReadAll(array, count);
  }
  RAVUNA_FUZZ_CHECK(AllDistinct<9>({ids[0], ids[1], floats[0], floats[1], floats[2], floats[3],
                                    floats[4], floats[5], floats[6]}));
}

struct FrameScalars {
  int frameNumber = kCountSentinel;
  float time = -1.0F;
  double uttm = -1.0;
  unsigned char timecode[5] = {0xEE, 0xEE, 0xEE, 0xEE, 0xEE};
  bool flag = true;

  bool Untouched() const {
    const FrameScalars fresh;
    return frameNumber == fresh.frameNumber &&
           std::bit_cast<std::uint32_t>(time) == std::bit_cast<std::uint32_t>(fresh.time) &&
           std::bit_cast<std::uint64_t>(uttm) == std::bit_cast<std::uint64_t>(fresh.uttm) &&
           std::memcmp(timecode, fresh.timecode, sizeof(timecode)) == 0 && flag;
  }
};

void CheckFrameData(int size, const std::uint8_t* data, ReaderAnswers& answers) {
  std::uint64_t ip = kIpSentinel;
  std::uint32_t port = kPortSentinel;
  FrameScalars scalars;
  int count = kCountSentinel;
  int* ids = sentinelIds;
  float* floats[7];
  std::fill(std::begin(floats), std::end(floats), static_cast<float*>(sentinelFloats));
  answers.frameDataParsed = ConvertBytesToFrameData(
      size, data, &ip, &port, &scalars.frameNumber, &scalars.time, &scalars.uttm,
      &scalars.timecode[0], &scalars.timecode[1], &scalars.timecode[2], &scalars.timecode[3],
      &scalars.timecode[4], &scalars.flag, &count, &ids, &floats[0], &floats[1], &floats[2],
      &floats[3], &floats[4], &floats[5], &floats[6]);
  if (!answers.frameDataParsed) {
    RAVUNA_FUZZ_CHECK(ip == 0);
    RAVUNA_FUZZ_CHECK(port == kPortSentinel && count == kCountSentinel && ids == sentinelIds);
    RAVUNA_FUZZ_CHECK(scalars.Untouched());
    RAVUNA_FUZZ_CHECK(std::all_of(std::begin(floats), std::end(floats),
                                  [](const float* array) { return array == sentinelFloats; }));
    return;
  }
  RAVUNA_FUZZ_CHECK(answers.isRmf && answers.isFrameData);
  RAVUNA_FUZZ_CHECK(ip <= kLargestPackedAddress);
  RAVUNA_FUZZ_CHECK(port == kPortSentinel || port <= 0xFFFFU);
  unsigned char flagByte = 0xFF;
  std::memcpy(&flagByte, &scalars.flag, 1);
  RAVUNA_FUZZ_CHECK(flagByte <= 1);
  RAVUNA_FUZZ_CHECK(count >= 0);
  ReadAll(ids, count);
  for (const float* array : floats) {
    ReadAll(array, count);
  }
  RAVUNA_FUZZ_CHECK(AllDistinct<8>(
      {ids, floats[0], floats[1], floats[2], floats[3], floats[4], floats[5], floats[6]}));
}

void CheckSensorData(int size, const std::uint8_t* data, ReaderAnswers& answers) {
  std::uint64_t ip = kIpSentinel;
  std::uint32_t port = kPortSentinel;
  double uttm = -1.0;
  char* texts[2] = {sentinelText, sentinelText};
  int jointIndex = kCountSentinel;
  float values[7];
  std::fill(std::begin(values), std::end(values), -1.0F);
  answers.sensorDataParsed = ConvertBytesToSensorData(
      size, data, &ip, &port, &uttm, &texts[0], &texts[1], &jointIndex, &values[0], &values[1],
      &values[2], &values[3], &values[4], &values[5], &values[6]);
  // Both texts are handed out whatever the answer, terminated and distinct.
  for (char* text : texts) {
    RAVUNA_FUZZ_CHECK(text != nullptr && text != sentinelText);
    volatile std::size_t length = std::strlen(text);
    (void)length;
  }
  RAVUNA_FUZZ_CHECK(texts[0] != texts[1]);
  if (!answers.sensorDataParsed) {
    RAVUNA_FUZZ_CHECK(ip == 0 && texts[0][0] == '\0' && texts[1][0] == '\0');
    RAVUNA_FUZZ_CHECK(port == kPortSentinel && jointIndex == kCountSentinel);
    RAVUNA_FUZZ_CHECK(std::bit_cast<std::uint64_t>(uttm) == std::bit_cast<std::uint64_t>(-1.0));
    RAVUNA_FUZZ_CHECK(std::all_of(std::begin(values), std::end(values),
                                  [](float value) { return value == -1.0F; }));
  } else {
    RAVUNA_FUZZ_CHECK(answers.isRmf && answers.isSensorData);
    RAVUNA_FUZZ_CHECK(ip <= kLargestPackedAddress);
    RAVUNA_FUZZ_CHECK(port == kPortSentinel || port <= 0xFFFFU);
  }
  ReleaseSensorDataText(texts[0]);
  ReleaseSensorDataText(texts[1]);
}

// The verdict for each kind says "accepted" exactly when that kind's parse
// succeeded, names the kind detection finds, and its text always fits.
void CheckVerdicts(int length, const std::uint8_t* data, const ReaderAnswers& answers) {
  const bool parsed[] = {answers.skeletonDefinitionParsed, answers.frameDataParsed,
                         answers.sensorDataParsed};
  const bool detected[] = {answers.isSkeletonDefinition, answers.isFrameData, answers.isSensorData};
  for (std::uint32_t kind = 0; kind <= 3; ++kind) {
    RavunaDocumentVerdict verdict{};
    RAVUNA_FUZZ_CHECK(JudgeDocumentBytes(length, data, kind, &verdict));
    RAVUNA_FUZZ_CHECK(verdict.kind == 0 || detected[verdict.kind - 1]);
    if (kind != 0) {
      RAVUNA_FUZZ_CHECK((verdict.reason == RAVUNA_VERDICT_ACCEPTED) == parsed[kind - 1]);
    }
    RAVUNA_FUZZ_CHECK(verdict.reason == RAVUNA_VERDICT_ACCEPTED || verdict.lenientReads == 0);
    char text[RAVUNA_VERDICT_TEXT_CAPACITY];
    int textLength = 0;
    RAVUNA_FUZZ_CHECK(DescribeDocumentVerdict(&verdict, sizeof text, text, &textLength));
  }
}

}  // namespace

ReaderAnswers CheckEveryReader(const std::uint8_t* data, std::size_t size) {
  const int length = static_cast<int>(std::min<std::size_t>(size, INT_MAX));
  ReaderAnswers answers;
  answers.isRmf = IsRmfBytes(length, data);
  answers.isSkeletonDefinition = IsSkeletonDefinitionBytes(length, data);
  answers.isFrameData = IsFrameDataBytes(length, data);
  answers.isSensorData = IsSensorDataBytes(length, data);
  CheckSkeletonDefinition(length, data, answers);
  CheckFrameData(length, data, answers);
  CheckSensorData(length, data, answers);
  CheckVerdicts(length, data, answers);
  return answers;
}

}  // namespace ravuna_fuzz
