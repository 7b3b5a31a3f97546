#include "box/box_encoder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "documents/document_header.h"
#include "test_bytes.h"

namespace ravuna_motion_format {
namespace {

using namespace test_bytes;

Bytes Encode(Box* box) {
  const OwnedBox owned(box);
  ByteVector out;
  EncodeBox(owned.get(), out);
  return out;
}

TEST(BoxEncoder, PayloadOfEveryValueType) {
  struct Case {
    Box* box;
    Bytes expected;
  };
  const float rotation[4] = {1, 0, 0, 0};
  const float translation[3] = {0, 0, -2};
  const Case cases[] = {
      {new Box(BoxType::bnid, static_cast<short>(-1), 2), BoxBytes("bnid", {0xFF, 0xFF})},
      {new Box(BoxType::rcvp, static_cast<unsigned short>(0x1234), 2),
       BoxBytes("rcvp", {0x34, 0x12})},
      {new Box(BoxType::uttm, 1.0, 8), BoxBytes("uttm", {0, 0, 0, 0, 0, 0, 0xF0, 0x3F})},
      {new Box(BoxType::time, 0.5F, 4), BoxBytes("time", {0, 0, 0, 0x3F})},
      {new Box(BoxType::fnum, -2, 4), BoxBytes("fnum", {0xFE, 0xFF, 0xFF, 0xFF})},
      {new Box(BoxType::ipad, std::uint64_t{192168000001}, 8),
       BoxBytes("ipad", Le(std::uint64_t{192168000001}))},
      {new Box(BoxType::vrsn, std::byte{1}, 1), BoxBytes("vrsn", {1})},
      {new Box(BoxType::tran, rotation, translation),
       BoxBytes("tran", Transform({1, 0, 0, 0, 0, 0, -2}))},
      {new Box(9, 8, 7, 6, 5, 4), BoxBytes("tmcd", {9, 8, 7, 6, 5, 4})},
      {new Box(BoxType::snnm, std::string("a\0b", 3)), BoxBytes("snnm", {'a', 0, 'b'})},
      {new Box(BoxType::snnm, std::string()), BoxBytes("snnm", {})},
      {new Box(BoxType::none, 5, 4), BoxBytes("none", {})},
  };
  for (const Case& c : cases) {
    const std::string code = c.box->typeName;
    EXPECT_EQ(Encode(c.box), c.expected) << code;
  }
  EXPECT_EQ(Bytes({0x00, 0x00, 0x80, 0x3F}), Le(1.0F));
}

TEST(BoxEncoder, FloatsAndDoublesBitForBit) {
  const float specials[] = {-0.0F, std::numeric_limits<float>::denorm_min(),
                            std::numeric_limits<float>::infinity(),
                            std::bit_cast<float>(0x7FC12345U), std::bit_cast<float>(0xFF800001U)};
  for (float value : specials) {
    EXPECT_EQ(Encode(new Box(BoxType::time, value, 4)), BoxBytes("time", Le(value)));
  }
  const double nan = std::bit_cast<double>(0x7FF0000000000001ULL);
  EXPECT_EQ(Encode(new Box(BoxType::uttm, nan, 8)), BoxBytes("uttm", Le(nan)));
}

TEST(BoxEncoder, ValueTypeOutsideTheKindsTableStillEncodesByExactType) {
  // A foreign type gives no payload; a known type on another kind is honoured.
  EXPECT_EQ(Encode(new Box(BoxType::fnum, 1L, 4)), Cat({Le(4U), Text("fnum")}));
  EXPECT_EQ(Encode(new Box(BoxType::fnum, static_cast<short>(3), 4)),
            Cat({Le(4U), Text("fnum"), Bytes{3, 0}}));
  std::byte raw[3] = {std::byte{7}, std::byte{8}, std::byte{9}};
  EXPECT_EQ(Encode(new Box(BoxType::ftyp, static_cast<std::byte*>(raw), 3)),
            BoxBytes("ftyp", {7, 8, 9}));
}

TEST(BoxEncoder, ReleasedAndEmptyBoxesAreEightBytes) {
  const float rotation[4] = {};
  const float translation[3] = {};
  BoxList children;
  children.Add(new Box(BoxType::tran, rotation, translation));
  Box* container = NewContainer(BoxType::btdt, children);
  Release(container);
  EXPECT_EQ(Encode(container), BoxBytes("btdt", {}));
  BoxList none;
  EXPECT_EQ(Encode(NewContainer(BoxType::btrs, none)), BoxBytes("btrs", {}));
}

TEST(BoxEncoder, HeaderAndSenderDefinitionAreTheFirst77Bytes) {
  MotionFormatPtr format(new MotionFormat);
  BuildMotionFormatHeader(format.get(), "192.168.0.1", 0xBEEF);
  ByteVector head;
  EncodeBox(format->header, head);
  EXPECT_EQ(head, HeadBox());
  EXPECT_EQ(head.size(), 43U);
  ByteVector sender;
  EncodeBox(format->senderDefinition, sender);
  EXPECT_EQ(sender, SenderBox(192168000001ULL, 0xBEEF));
  EXPECT_EQ(sender.size(), 34U);

  BoxList empty;
  format->data = NewContainer(BoxType::sndt, empty);
  EXPECT_EQ(EncodeMotionFormat(format.get()),
            Cat({HeadBox(), SenderBox(192168000001ULL, 0xBEEF), BoxBytes("sndt", {})}));
}

TEST(BoxEncoder, NullFormatOrFieldsGiveNoBytesFirstNullDecides) {
  EXPECT_TRUE(EncodeMotionFormat(nullptr).empty());
  EXPECT_EQ(CheckMotionFormat(nullptr), EncodeStatus::nullFormat);
  MotionFormatPtr format(new MotionFormat);
  EXPECT_EQ(CheckMotionFormat(format.get()), EncodeStatus::nullHeader);
  BuildMotionFormatHeader(format.get(), "", 0);
  EXPECT_EQ(CheckMotionFormat(format.get()), EncodeStatus::nullData);
  EXPECT_TRUE(EncodeMotionFormat(format.get()).empty());
  OwnedBox sender(format->senderDefinition);
  format->senderDefinition = nullptr;
  EXPECT_EQ(CheckMotionFormat(format.get()), EncodeStatus::nullSenderDefinition);
  EXPECT_EQ(EncodeStatusText(EncodeStatus::nullSenderDefinition),
            "motion format sender definition is null");
  EXPECT_TRUE(EncodeMotionFormat(format.get()).empty());
}

}  // namespace
}  // namespace ravuna_motion_format
