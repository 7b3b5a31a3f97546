// Which call frees which handed-out memory. A buffer read after it was freed,
// or never freed, is reported by ASan or valgrind, so these tests read every
// buffer that must still be valid.
#include <gtest/gtest.h>

#include <numeric>

#include "api_calls.h"

namespace {

using namespace api_calls;

int Sum(const unsigned char* bytes, int size) { return std::accumulate(bytes, bytes + size, 0); }

TEST(HandedOutMemory, EachRecordingCallFreesThePreviousHandOut) {
  const Encoded first = EncodeSkeleton(MakeBones(2));
  const Bytes firstCopy = first.Copy();
  // Detection and sensor reads leave the buffer valid.
  EXPECT_TRUE(IsRmfBytes(first.size, first.buffer));
  const SensorRead sensor = DecodeSensor(EncodeSensor({}).Copy());
  ASSERT_TRUE(sensor.ok);
  // EncodeSensor above was a recording call: it freed `first`. Start again.
  const Encoded second = EncodeSkeleton(MakeBones(2));
  EXPECT_TRUE(IsSkeletonDefinitionBytes(second.size, second.buffer));
  EXPECT_TRUE(DecodeSensor(firstCopy).ok == false);
  EXPECT_EQ(Bytes(second.buffer, second.buffer + second.size), firstCopy);

  // A failed read frees nothing: the buffer is still readable afterwards.
  EXPECT_FALSE(DecodeFrame(firstCopy).ok);
  EXPECT_GT(Sum(second.buffer, second.size), 0);

  // A successful read frees the buffer and hands out arrays that stay valid
  // through detection, sensor reads and failed reads.
  const SkeletonRead read = DecodeSkeleton(firstCopy);
  ASSERT_TRUE(read.ok);
  EXPECT_FALSE(DecodeSkeleton(Bytes{1, 2, 3}).ok);
  EXPECT_TRUE(IsRmfBytes(static_cast<int>(firstCopy.size()), firstCopy.data()));
  EXPECT_FALSE(DecodeSensor(firstCopy).ok);
  EXPECT_EQ(read.ids[1], MakeBones(2).ids[1]);
  EXPECT_EQ(read.transforms[6][1], MakeBones(2).transforms[6][1]);

  // A frame read frees the skeleton arrays; its own stay valid.
  const Bytes frameBytes = EncodeFrame(MakeBones(3)).Copy();
  const FrameRead frame = DecodeFrame(frameBytes);
  ASSERT_TRUE(frame.ok);
  EXPECT_EQ(frame.ids[2], MakeBones(3).ids[2]);
  EXPECT_EQ(frame.transforms[0][2], MakeBones(3).transforms[0][2]);
}

TEST(HandedOutMemory, TwoEncodingsInARow) {
  const Encoded first = EncodeFrame(MakeBones(1));
  const Bytes firstCopy = first.Copy();
  const Encoded second = EncodeFrame(MakeBones(1));
  EXPECT_NE(second.buffer, nullptr);
  EXPECT_EQ(Bytes(second.buffer, second.buffer + second.size), firstCopy);
}

}  // namespace
