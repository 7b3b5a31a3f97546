#include "rmf/documents/document_encoding.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <limits>
#include <vector>

#include "document_test_bytes.h"
#include "ravuna_motion_serializer.h"
#include "rmf/documents/document_report.h"
#include "rmf/output/json_output.h"

namespace rmf {
namespace {

constexpr float kNan1 = std::bit_cast<float>(std::uint32_t{0x7fc00001});
constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kTiny = std::numeric_limits<float>::denorm_min();

// What `rmf inspect --json` prints, read back as `rmf encode` reads it.
Json InspectAsJsonText(const Bytes& bytes) {
  return Json::parse(DocumentToJson(InspectDocument("test", bytes)).dump());
}

Bytes Copy(int size, const unsigned char* buffer) { return Bytes(buffer, buffer + size); }

Bytes SkeletonBytes() {
  const int ids[] = {5, 70000, -32768};
  const int parents[] = {-1, 5, 40000};
  const float r0[] = {0.0F, -0.0F, kTiny};
  const float r1[] = {0.1F, kNan1, 1e30F};
  const float r2[] = {1.0F / 3.0F, -kInf, 2.5F};
  const float r3[] = {1.0F, 0.5F, -1.0F};
  const float t0[] = {0.1F, 1.2F, -0.3F};
  const float t1[] = {9.81F, 3.4028235e38F, 7.0F};
  const float t2[] = {-1e-7F, 0.0F, 123456.79F};
  int size = 0;
  unsigned char* buffer = nullptr;
  EXPECT_TRUE(ConvertSkeletonDefinitionToBytes("10.0.0.1", 65535, 3, ids, parents, r0, r1, r2, r3,
                                               t0, t1, t2, &size, &buffer));
  return Copy(size, buffer);
}

Bytes FrameBytes(int boneCount) {
  const int ids[] = {1, -2};
  const float values[] = {0.25F, kNan1};
  int size = 0;
  unsigned char* buffer = nullptr;
  EXPECT_TRUE(ConvertFrameDataToBytes(
      "255.255.255.255", 0, -123456, 0.016666668F, 1700000000.0166667, 23, 59, 59, 29, 7, true,
      boneCount, ids, values, values, values, values, values, values, values, &size, &buffer));
  return Copy(size, buffer);
}

Bytes SensorBytes(const char* address, const char* name) {
  int size = 0;
  unsigned char* buffer = nullptr;
  EXPECT_TRUE(ConvertSensorDataToBytes("192.168.0.10", 7000, -0.0, address, name, -1, 1.0F, kTiny,
                                       -kInf, kNan1, 0.1F, 2e-38F, 65504.0F, &size, &buffer));
  return Copy(size, buffer);
}

TEST(EncodeInspectJson, IsTheIdentityOnTheBytesOfEveryKind) {
  const std::vector<Bytes> documents = {
      SkeletonBytes(),     FrameBytes(0),
      FrameBytes(2),       SensorBytes("00:1a:7d:da:71:13", "right wrist IMU"),
      SensorBytes("", ""), SensorBytes("caf\xc3\xa9", "\xff\xfe not UTF-8"),
  };
  for (const Bytes& document : documents) {
    const Json object = InspectAsJsonText(document);
    ASSERT_TRUE(object["accepted"].get<bool>()) << object.dump();
    EXPECT_EQ(EncodeDocumentJson(object), document) << object.dump();
    // The values object alone, holding its kind, encodes the same.
    Json bare = object["document"];
    bare["kind"] = object["kind"];
    EXPECT_EQ(EncodeDocumentJson(bare), document);
  }
}

TEST(EncodeInspectJson, HandWrittenFrameGivesTheBytesOfTheLayout) {
  // Frame 1, time 0.5, uttm 2.0, timecode 01:02:03:04 subframe 5 flag 1, no bones.
  const Json object = Json::parse(R"({"kind": "frame_data", "document": {
      "ip": "192.168.0.1", "port": 7000, "frame_number": 1, "time": 0.5, "uttm": 2,
      "timecode": "01:02:03:04", "subframe": 5, "flag": 1, "bones": []}})");
  using namespace test_bytes;
  const Bytes expected =
      Cat({HeadBox(), SenderBox(192168000001, 7000),
           BoxBytes("fram", Cat({BoxBytes("fnum", Le(1)), BoxBytes("time", Le(0.5F)),
                                 BoxBytes("uttm", Le(2.0)), BoxBytes("tmcd", {1, 2, 3, 4, 5, 1}),
                                 BoxBytes("btrs", {})}))});
  EXPECT_EQ(EncodeDocumentJson(object), expected);
}

}  // namespace
}  // namespace rmf
