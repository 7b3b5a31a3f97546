// Eight threads make thousands of mixed calls of every export at once. Calls
// that hand out library-owned memory (the three serialisers, the skeleton and
// frame parsers) run under the caller-side lock that the memory rules ask for,
// held until the results are copied; detection, the sensor parser, failing
// parses and text releases run without it, since they free nothing. Every
// thread checks that it gets exactly its own values back; run under
// ThreadSanitizer this also proves the calls free of data races.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "api_calls.h"

namespace {

using api_calls::Bones;
using test_bytes::Bytes;

constexpr int kThreads = 8;
constexpr int kRoundsPerThread = 400;  // about 9 export calls per round

std::mutex handedOutMemoryLock;

// What one thread found wrong; empty when all went well.
struct Findings {
  int failures = 0;
  std::string first;

  void Expect(bool condition, const std::string& what) {
    if (!condition && failures++ == 0) {
      first = what;
    }
  }
};

// Values unique to thread and round, so that a call answered with another
// thread's values is noticed.
Bones ThreadBones(int thread, int round) {
  Bones bones;
  const int count = round % 4;
  for (int i = 0; i < count; ++i) {
    bones.ids.push_back(thread * 1000 + i);
    bones.parentIds.push_back(thread * 1000 + i - 1);
    for (std::size_t k = 0; k < 7; ++k) {
      bones.transforms[k].push_back(static_cast<float>(thread) + static_cast<float>(round) * 0.5F +
                                    static_cast<float>(k) * 0.125F + static_cast<float>(i));
    }
  }
  return bones;
}

std::uint32_t ThreadPort(int thread, int round) {
  return static_cast<std::uint32_t>(thread * 1000 + round);
}

constexpr std::uint64_t kPackedAddress = 10000000001U;  // "10.0.0.1"

bool SameBones(const Bones& expected, int count, const int* ids, const int* parentIds,
               const std::array<float*, 7>& transforms) {
  if (count != expected.Count() || !std::equal(expected.ids.begin(), expected.ids.end(), ids)) {
    return false;
  }
  if (parentIds != nullptr &&
      !std::equal(expected.parentIds.begin(), expected.parentIds.end(), parentIds)) {
    return false;
  }
  for (std::size_t k = 0; k < 7; ++k) {
    if (!std::equal(expected.transforms[k].begin(), expected.transforms[k].end(), transforms[k])) {
      return false;
    }
  }
  return true;
}

// The calls that free nothing, made on a document of a known kind without
// the caller-side lock.
void CheckLockFreeCalls(const Bytes& document, int kind, Findings& findings) {
  const int size = static_cast<int>(document.size());
  findings.Expect(IsRmfBytes(size, document.data()), "IsRmfBytes");
  findings.Expect(IsSkeletonDefinitionBytes(size, document.data()) == (kind == 0),
                  "IsSkeletonDefinitionBytes");
  findings.Expect(IsFrameDataBytes(size, document.data()) == (kind == 1), "IsFrameDataBytes");
  findings.Expect(IsSensorDataBytes(size, document.data()) == (kind == 2), "IsSensorDataBytes");
  if (kind != 2) {
    const api_calls::SensorRead sensor = api_calls::DecodeSensor(document);
    findings.Expect(!sensor.ok && sensor.textsHandedOut, "sensor parse of another kind");
  }
  // Parses of the wrong kind fail and so record (and free) nothing.
  if (kind != 0) {
    findings.Expect(!api_calls::DecodeSkeleton(document).ok, "skeleton parse of another kind");
  }
  if (kind != 1) {
    findings.Expect(!api_calls::DecodeFrame(document).ok, "frame parse of another kind");
  }
}

void SkeletonRound(int thread, int round, Findings& findings) {
  const Bones bones = ThreadBones(thread, round);
  Bytes document;
  {
    std::lock_guard lock(handedOutMemoryLock);
    document = api_calls::EncodeSkeleton(bones, "10.0.0.1", ThreadPort(thread, round)).Copy();
  }
  findings.Expect(document.size() == 93 + 64 * bones.ids.size(), "skeleton document length");
  CheckLockFreeCalls(document, 0, findings);
  std::lock_guard lock(handedOutMemoryLock);
  const api_calls::SkeletonRead read = api_calls::DecodeSkeleton(document);
  findings.Expect(read.ok && read.ip == kPackedAddress && read.port == ThreadPort(thread, round) &&
                      SameBones(bones, read.count, read.ids, read.parentIds, read.transforms),
                  "skeleton values");
}

void FrameRound(int thread, int round, Findings& findings) {
  const Bones bones = ThreadBones(thread, round);
  api_calls::FrameScalars frame;
  frame.frameNumber = thread * 100000 + round;
  frame.uttm = static_cast<double>(round) / 3.0;
  frame.timecode[0] = static_cast<unsigned char>(thread);
  frame.flag = (round % 2) != 0;
  Bytes document;
  {
    std::lock_guard lock(handedOutMemoryLock);
    document = api_calls::EncodeFrame(bones, frame, "10.0.0.1", ThreadPort(thread, round)).Copy();
  }
  findings.Expect(document.size() == 147 + 54 * bones.ids.size(), "frame document length");
  CheckLockFreeCalls(document, 1, findings);
  std::lock_guard lock(handedOutMemoryLock);
  const api_calls::FrameRead read = api_calls::DecodeFrame(document);
  findings.Expect(read.ok && read.ip == kPackedAddress && read.port == ThreadPort(thread, round) &&
                      read.frameNumber == frame.frameNumber && read.uttm == frame.uttm &&
                      read.timecode == frame.timecode && read.flag == frame.flag &&
                      SameBones(bones, read.count, read.ids, nullptr, read.transforms),
                  "frame values");
}

void SensorRound(int thread, int round, Findings& findings) {
  api_calls::SensorRecord record;
  record.address = "sensor/" + std::to_string(thread);
  record.name = std::string(static_cast<std::size_t>(round % 40), 'n');
  record.jointIndex = thread * 100000 + round;
  record.values[6] = static_cast<float>(round);
  Bytes document;
  {
    std::lock_guard lock(handedOutMemoryLock);
    document = api_calls::EncodeSensor(record, "10.0.0.1", ThreadPort(thread, round)).Copy();
  }
  CheckLockFreeCalls(document, 2, findings);
  // The sensor parser records nothing: no caller-side lock needed.
  const api_calls::SensorRead read = api_calls::DecodeSensor(document);
  findings.Expect(read.ok && read.ip == kPackedAddress && read.port == ThreadPort(thread, round) &&
                      read.address == record.address && read.name == record.name &&
                      read.jointIndex == record.jointIndex && read.values == record.values,
                  "sensor values");
}

Findings RunThread(int thread) {
  Findings findings;
  for (int round = 0; round < kRoundsPerThread; ++round) {
    switch ((thread + round) % 3) {
      case 0: SkeletonRound(thread, round, findings); break;
      case 1: FrameRound(thread, round, findings); break;
      default: SensorRound(thread, round, findings); break;
    }
  }
  return findings;
}

TEST(Concurrency, EightThreadsOfMixedCallsEachGetTheirOwnValuesBack) {
  std::vector<Findings> findings(kThreads);
  std::vector<std::thread> threads;
  for (int thread = 0; thread < kThreads; ++thread) {
    threads.emplace_back(
        [thread, &findings] { findings[static_cast<std::size_t>(thread)] = RunThread(thread); });
  }
  for (std::thread& worker : threads) {
    worker.join();
  }
  for (int thread = 0; thread < kThreads; ++thread) {
    EXPECT_EQ(findings[static_cast<std::size_t>(thread)].failures, 0)
        << "thread " << thread
        << ", first failure: " << findings[static_cast<std::size_t>(thread)].first;
  }
}

// Recording calls whose handed-out memory nobody reads need no caller-side
// lock: the library's own lock must keep its record of that memory intact
// while eight threads replace it at once. Only the caller's own variables
// (results, sizes, counts, scalars) are checked.
Findings RunUnlockedRecorder(int thread, const Bytes& skeleton, const Bytes& frame) {
  Findings findings;
  const Bones bones = ThreadBones(thread, 3);
  for (int round = 0; round < kRoundsPerThread; ++round) {
    const api_calls::Encoded encoded = api_calls::EncodeSkeleton(bones);
    findings.Expect(encoded.ok && encoded.size == 93 + 64 * 3, "skeleton encoding");
    const api_calls::SkeletonRead skeletonRead = api_calls::DecodeSkeleton(skeleton);
    findings.Expect(
        skeletonRead.ok && skeletonRead.count == 3 && skeletonRead.port == ThreadPort(thread, 0),
        "skeleton parse");
    const api_calls::FrameRead frameRead = api_calls::DecodeFrame(frame);
    findings.Expect(frameRead.ok && frameRead.count == 3 && frameRead.frameNumber == thread,
                    "frame parse");
    const api_calls::Encoded sensor = api_calls::EncodeSensor({});
    findings.Expect(sensor.ok && sensor.size == 168, "sensor encoding");
  }
  return findings;
}

TEST(Concurrency, RecordingCallsWithoutCallerLockKeepTheLibrarysRecordIntact) {
  std::vector<Bytes> skeletons;
  std::vector<Bytes> frames;
  for (int thread = 0; thread < kThreads; ++thread) {
    api_calls::FrameScalars scalars;
    scalars.frameNumber = thread;
    const Bones bones = ThreadBones(thread, 3);
    skeletons.push_back(api_calls::EncodeSkeleton(bones, "10.0.0.1", ThreadPort(thread, 0)).Copy());
    frames.push_back(api_calls::EncodeFrame(bones, scalars).Copy());
  }
  std::vector<Findings> findings(kThreads);
  std::vector<std::thread> threads;
  for (std::size_t thread = 0; thread < kThreads; ++thread) {
    threads.emplace_back([thread, &findings, &skeletons, &frames] {
      findings[thread] =
          RunUnlockedRecorder(static_cast<int>(thread), skeletons[thread], frames[thread]);
    });
  }
  for (std::thread& worker : threads) {
    worker.join();
  }
  for (std::size_t thread = 0; thread < kThreads; ++thread) {
    EXPECT_EQ(findings[thread].failures, 0)
        << "thread " << thread << ", first failure: " << findings[thread].first;
  }
}

}  // namespace
