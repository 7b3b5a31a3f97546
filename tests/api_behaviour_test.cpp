// The exports as a caller meets them: address texts, refusals, sensor texts
// (round trips: the golden documents and the round-trip fuzz target's replay).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <span>
#include <string>
#include <vector>

#include "test_calls.h"

namespace {

using namespace test_calls;
using namespace test_bytes;

TEST(RoundTrip, AddressTextsPackAsDecimalGroups) {
  const std::pair<const char*, std::uint64_t> cases[] = {{"300.1.1.1", 300001001001},
                                                         {"1.2.3", 1002003000},
                                                         {"abc", 0},
                                                         {"1.2.3.4junk", 1002003004},
                                                         {"1.1000.0.0", 2000000000}};
  for (const auto& [text, packed] : cases) {
    Parsed<SensorData> parsed;
    EXPECT_TRUE(ParseHandedOut(EncodeCopy(MakeSensor(), {text, 7000}), parsed));
    EXPECT_EQ(parsed.ipAddress, packed) << text;
  }
}

TEST(Refusal, NullPointersAndHugeCountsWriteNothing) {
  const int one[1] = {1};
  const float f[1] = {1};
  const Bytes skeleton = EncodeCopy(SkeletonDefinition{});
  HandedOutDocument document{kIntSentinel, nullptr};
  Parsed<SkeletonDefinition> out = Sentinels<SkeletonDefinition>();
  HandedOutArrays a;
  auto& t = a.transforms;
  const bool results[] = {
      ConvertSkeletonDefinitionToBytes(nullptr, 1, 1, one, one, f, f, f, f, f, f, f, &document.size,
                                       &document.buffer),
      ConvertSkeletonDefinitionToBytes("1.1.1.1", 1, 1, one, nullptr, f, f, f, f, f, f, f,
                                       &document.size, &document.buffer),
      ConvertFrameDataToBytes("1.1.1.1", 1, 1, 0, 0, 0, 0, 0, 0, 0, false, 1, one, f, f, f, f, f,
                              nullptr, f, &document.size, &document.buffer),
      ConvertFrameDataToBytes("1.1.1.1", 1, 1, 0, 0, 0, 0, 0, 0, 0, false, 1, one, f, f, f, f, f, f,
                              f, &document.size, nullptr),
      ConvertSensorDataToBytes("1.1.1.1", 1, 0, "a", nullptr, 0, 0, 0, 0, 0, 0, 0, 0,
                               &document.size, &document.buffer),
      // 2^31 bytes or more: refused before any array is read
      ConvertSkeletonDefinitionToBytes("1.1.1.1", 1, 33554431, one, one, f, f, f, f, f, f, f,
                                       &document.size, &document.buffer),
      ConvertFrameDataToBytes("1.1.1.1", 1, 1, 0, 0, 0, 0, 0, 0, 0, false, 39768213, one, f, f, f,
                              f, f, f, f, &document.size, &document.buffer),
      ConvertBytesToSkeletonDefinition(8, nullptr, &out.ipAddress, &out.port,
                                       &out.values.bones.count, &a.ids, &a.parentIds, &t[0], &t[1],
                                       &t[2], &t[3], &t[4], &t[5], &t[6]),
      ConvertBytesToSkeletonDefinition(93, skeleton.data(), &out.ipAddress, &out.port,
                                       &out.values.bones.count, &a.ids, nullptr, &t[0], &t[1],
                                       &t[2], &t[3], &t[4], &t[5], &t[6])};
  for (std::size_t i = 0; i < std::size(results); ++i) EXPECT_FALSE(results[i]) << "call " << i;
  EXPECT_TRUE(document.size == kIntSentinel && document.buffer == nullptr && Unwritten(out) &&
              a.ids == nullptr && t[6] == nullptr);
}

// The caller-buffer functions refuse null pointers (a null buffer with a
// positive capacity included) and write nothing.
TEST(Refusal, CallerBufferFunctionsRefuseNullPointers) {
  const int one[1] = {1};
  const float f[1] = {1};
  const Bytes skeleton = EncodeCopy(SkeletonDefinition{MakeBones(1)});
  const Bytes frame = EncodeCopy(MakeFrame(MakeBones(1))), sensor = EncodeCopy(MakeSensor());
  const int ns = static_cast<int>(skeleton.size()), nf = static_cast<int>(frame.size());
  const int nt = static_cast<int>(sensor.size());
  Parsed<FrameData> out = Sentinels<FrameData>(4);
  FrameData& o = out.values;
  auto& c = o.timecode;
  int* ids = o.bones.ids.data();
  float* x = o.bones.transforms[0].data();
  float* v = o.bones.transforms[1].data();
  std::array<std::uint8_t, 256> buffer;
  buffer.fill(0xA5);
  const auto bufferBefore = buffer;
  unsigned char* b = buffer.data();
  int size = kIntSentinel, lengths[2] = {kIntSentinel, kIntSentinel};
  char text[8] = "-------";
  const bool results[] = {
      ConvertSkeletonDefinitionToBuffer(nullptr, 1, 1, one, one, f, f, f, f, f, f, f, 256, b,
                                        &size),
      ConvertSkeletonDefinitionToBuffer("1.1", 1, 1, one, nullptr, f, f, f, f, f, f, f, 256, b,
                                        &size),
      ConvertFrameDataToBuffer("1.1", 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 1, one, f, f, f, nullptr, f, f,
                               f, 256, b, &size),
      ConvertFrameDataToBuffer("1.1", 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 1, one, f, f, f, f, f, f, f,
                               256, b, nullptr),
      ConvertSensorDataToBuffer("1.1", 1, 0, nullptr, "n", 0, 0, 0, 0, 0, 0, 0, 0, 256, b, &size),
      ConvertSensorDataToBuffer("1.1", 1, 0, "a", "n", 0, 0, 0, 0, 0, 0, 0, 0, 8, nullptr, &size),
      ConvertBytesToSkeletonDefinitionArrays(8, nullptr, &out.ipAddress, &out.port, 4, ids, ids, x,
                                             x, x, x, x, x, x, &o.bones.count),
      ConvertBytesToSkeletonDefinitionArrays(ns, skeleton.data(), &out.ipAddress, &out.port, 4, ids,
                                             nullptr, x, x, x, x, x, x, x, &o.bones.count),
      ConvertBytesToSkeletonDefinitionArrays(ns, skeleton.data(), &out.ipAddress, &out.port, 4, ids,
                                             ids, x, x, x, x, x, x, x, nullptr),
      ConvertBytesToFrameDataArrays(nf, frame.data(), &out.ipAddress, &out.port, &o.frameNumber,
                                    &o.time, &o.uttm, &c[0], &c[1], &c[2], &c[3], &c[4],
                                    &o.timecodeFlag, 4, ids, x, x, x, x, x, x, nullptr,
                                    &o.bones.count),
      ConvertBytesToFrameDataArrays(nf, frame.data(), &out.ipAddress, &out.port, &o.frameNumber,
                                    nullptr, &o.uttm, &c[0], &c[1], &c[2], &c[3], &c[4],
                                    &o.timecodeFlag, 4, ids, x, x, x, x, x, x, x, &o.bones.count),
      ConvertBytesToSensorDataTexts(nt, sensor.data(), &out.ipAddress, &out.port, &o.uttm, 8,
                                    nullptr, &lengths[0], 8, text, &lengths[1], &o.frameNumber, v,
                                    v, v, v, v, v, v),
      ConvertBytesToSensorDataTexts(nt, sensor.data(), &out.ipAddress, &out.port, &o.uttm, 8, text,
                                    &lengths[0], 8, text, nullptr, &o.frameNumber, v, v, v, v, v, v,
                                    v),
      ConvertBytesToSensorDataTexts(nt, sensor.data(), &out.ipAddress, &out.port, &o.uttm, 8, text,
                                    &lengths[0], 8, text, &lengths[1], &o.frameNumber, v, v, v, v,
                                    v, v, nullptr)};
  for (std::size_t i = 0; i < std::size(results); ++i) EXPECT_FALSE(results[i]) << "call " << i;
  EXPECT_TRUE(Unwritten(out, 4) && size == kIntSentinel && buffer == bufferBefore);
  EXPECT_TRUE(lengths[0] == kIntSentinel && lengths[1] == kIntSentinel &&
              std::string(text) == "-------");
}

TEST(SensorTexts, AreTheCallersWholeAndOutliveRecordingCalls) {
  Bytes doc = EncodeCopy(MakeSensor("xyz", "name", 1));
  doc[77 + 33] = 0;  // "xyz" in "snad" becomes "x\0z"
  Parsed<SensorData> parsed;
  HandedOutTexts texts;
  ASSERT_TRUE(ParseHandedOut(doc, parsed, &texts));
  Parsed<FrameData> frame;
  EXPECT_TRUE(!EncodeCopy(SkeletonDefinition{MakeBones(3)}).empty() &&
              ParseHandedOut(EncodeCopy(MakeFrame()), frame));
  EXPECT_TRUE(std::memcmp(texts.address.get(), "x\0z", 4) == 0 &&
              std::strcmp(texts.name.get(), "name") == 0);
  ReleaseSensorDataText(nullptr);
}

// A buffer short of the document, empty and null included, gets the size
// alone; a buffer that holds it gets the handed-out export's bytes and no more.
template <class Record>
void ExpectBuffersShortAndLong(const Record& record) {
  const Bytes document = EncodeCopy(record);
  const int n = static_cast<int>(document.size());
  ASSERT_GT(n, 0);
  for (const int capacity : {0, 1, n - 1, n, n + 3}) {
    SCOPED_TRACE(capacity);
    Bytes buffer(static_cast<std::size_t>(capacity), 0xA5), expected = buffer;
    const auto span = capacity == 0 ? std::span<std::uint8_t>() : std::span(buffer);
    int size = kIntSentinel;
    const bool ok = EncodeIntoBuffer(kSender, record, span, size);
    EXPECT_EQ(ok, capacity >= n);
    EXPECT_EQ(size, n);
    if (ok) std::copy(document.begin(), document.end(), expected.begin());
    EXPECT_EQ(buffer, expected);
  }
}

TEST(CallerBuffers, ShortBuffersGetTheSizeAlone) {
  ExpectBuffersShortAndLong(SkeletonDefinition{MakeBones(3)});
  ExpectBuffersShortAndLong(SkeletonDefinition{});
  ExpectBuffersShortAndLong(MakeFrame(MakeBones(2)));
  ExpectBuffersShortAndLong(MakeSensor("address", ""));
}

// Arrays short of the bones get the count alone; arrays that hold them get
// the values, and elements past the count keep what they held.
template <class Record>
void ExpectArraysShortAndLong(const Record& record) {
  const Bytes document = EncodeCopy(record);
  const int n = record.bones.count;
  for (const int capacity : {0, std::max(n - 1, 0), n, n + 3}) {
    SCOPED_TRACE(capacity);
    Parsed<Record> out = Sentinels<Record>(capacity);
    const bool ok = ParseIntoArrays(document, out);
    EXPECT_EQ(ok, capacity >= n);
    if (!ok) {
      EXPECT_TRUE(OnlyCountWritten(out, capacity, n));
      continue;
    }
    Parsed<Record> expected = Sentinels<Record>(capacity);
    expected.ipAddress = 192168000001;
    expected.port = kSender.port;
    expected.values = record;
    Bones& e = expected.values.bones;
    e.Resize(capacity);  // keeps the values, pads with sentinels
    std::fill(e.ids.begin() + n, e.ids.end(), kIntSentinel);
    std::fill(e.parentIds.begin() + n, e.parentIds.end(), kIntSentinel);
    for (auto& component : e.transforms)
      std::fill(component.begin() + n, component.end(), kFloatSentinel);
    e.count = out.values.bones.count = capacity;  // compares whole arrays
    EXPECT_TRUE(SameBits(out, expected));
  }
}

TEST(CallerBuffers, ShortArraysGetTheCountAlone) {
  ExpectArraysShortAndLong(SkeletonDefinition{MakeBones(3)});
  ExpectArraysShortAndLong(SkeletonDefinition{});
  ExpectArraysShortAndLong(MakeFrame(MakeBones(2)));
}

// Capacities count the NUL: "address" needs 8 bytes, "nm" 3.
TEST(CallerBuffers, ShortTextsGetTheLengthsAlone) {
  const Bytes document = EncodeCopy(MakeSensor("address", "nm"));
  const struct {
    int address, name;
    bool ok;
  } rows[] = {{8, 3, true}, {7, 3, false}, {8, 2, false}, {1, 1, false}, {20, 9, true}};
  for (const auto& row : rows) {
    SCOPED_TRACE(std::to_string(row.address) + " " + std::to_string(row.name));
    Parsed<SensorData> out = Sentinels<SensorData>();
    out.values.sensorAddress.assign(static_cast<std::size_t>(row.address - 1), '-');
    out.values.sensorName.assign(static_cast<std::size_t>(row.name - 1), '-');
    const Parsed<SensorData> before = out;
    TextLengths lengths{kIntSentinel, kIntSentinel};
    EXPECT_EQ(ParseIntoTexts(document, out, lengths), row.ok);
    EXPECT_TRUE(lengths.address == 7 && lengths.name == 2);
    Parsed<SensorData> expected = before;
    if (row.ok) expected = {192168000001, kSender.port, MakeSensor("address", "nm")};
    EXPECT_TRUE(SameBits(out, expected));
  }
}

// A negative capacity is no room: only the size, count or lengths are written
// (a null text buffer of capacity 0 too).
TEST(CallerBuffers, NegativeCapacitiesGetTheSizeAlone) {
  const Bytes skeleton = EncodeCopy(SkeletonDefinition{MakeBones(1)});
  const Bytes frame = EncodeCopy(MakeFrame(MakeBones(1))), sensor = EncodeCopy(MakeSensor());
  Parsed<FrameData> out = Sentinels<FrameData>();
  FrameData& o = out.values;
  auto& c = o.timecode;
  float v[7] = {};
  int sizes[3] = {kIntSentinel, kIntSentinel, kIntSentinel},
      counts[2] = {kIntSentinel, kIntSentinel};
  TextLengths lengths{kIntSentinel, kIntSentinel};
  const bool results[] = {
      ConvertSkeletonDefinitionToBuffer("1.1", 1, 0, nullptr, nullptr, nullptr, nullptr, nullptr,
                                        nullptr, nullptr, nullptr, nullptr, -1, nullptr, &sizes[0]),
      ConvertFrameDataToBuffer("1.1", 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr,
                               nullptr, nullptr, nullptr, nullptr, nullptr, -8, nullptr, &sizes[1]),
      ConvertSensorDataToBuffer("1.1", 1, 0, "a", "n", 0, 0, 0, 0, 0, 0, 0, 0, -1, nullptr,
                                &sizes[2]),
      ConvertBytesToSkeletonDefinitionArrays(static_cast<int>(skeleton.size()), skeleton.data(),
                                             &out.ipAddress, &out.port, -1, nullptr, nullptr,
                                             nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                             nullptr, &counts[0]),
      ConvertBytesToFrameDataArrays(
          static_cast<int>(frame.size()), frame.data(), &out.ipAddress, &out.port, &o.frameNumber,
          &o.time, &o.uttm, &c[0], &c[1], &c[2], &c[3], &c[4], &o.timecodeFlag, -1, nullptr,
          nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &counts[1]),
      ConvertBytesToSensorDataTexts(static_cast<int>(sensor.size()), sensor.data(), &out.ipAddress,
                                    &out.port, &o.uttm, 0, nullptr, &lengths.address, -3, nullptr,
                                    &lengths.name, &o.frameNumber, v, v, v, v, v, v, v)};
  for (std::size_t i = 0; i < std::size(results); ++i) EXPECT_FALSE(results[i]) << "call " << i;
  EXPECT_EQ((std::vector<int>{sizes[0], sizes[1], sizes[2], counts[0], counts[1], lengths.address,
                              lengths.name}),
            (std::vector<int>{93, 147, 167, 1, 1, 2, 1}));
  EXPECT_TRUE(Unwritten(out) && v[0] == 0.0F);
}

}  // namespace
