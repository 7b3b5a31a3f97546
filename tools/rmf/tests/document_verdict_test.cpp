#include "rmf/documents/document_verdict.h"

#include <gtest/gtest.h>

#include "document_test_bytes.h"

namespace rmf {
namespace {

using namespace test_bytes;

Bytes FrameBox(int frameNumber) { return BoxBytes("fram", BoxBytes("fnum", Le(frameNumber))); }

struct VerdictCase {
  const char* name;
  Bytes bytes;
  DocumentKind kind;
  bool accepted;
  const char* text;  // the library's
};

TEST(Verdict, GivesTheKindAndTheLibrarysText) {
  const Bytes sender = SenderBox(10000000001, 80);
  const char* noHead =
      "not a valid document: no \"head\" box, the bytes hold no document of this format";
  const VerdictCase cases[] = {
      {"frame", Cat({HeadBox(), sender, FrameBox(3)}), DocumentKind::frameData, true,
       "frame data document read leniently: a box the parse reads is missing"},
      {"skeleton", Cat({HeadBox(), sender, BoxBytes("skdf", BoxBytes("bons", {}))}),
       DocumentKind::skeletonDefinition, true, "skeleton definition document read exactly"},
      {"sensor", Cat({HeadBox(), sender, BoxBytes("sndt", {})}), DocumentKind::sensorData, true,
       "sensor data document read leniently: a box the parse reads is missing"},
      {"sender first", Cat({sender, HeadBox(), BoxBytes("skdf", BoxBytes("bons", {}))}),
       DocumentKind::skeletonDefinition, true, "skeleton definition document read exactly"},
      {"left over", Cat({HeadBox(), sender, FrameBox(3), {0}}), DocumentKind::frameData, true,
       "frame data document read leniently: bytes were left over after the last box; a box the "
       "parse reads is missing"},
      {"version 2", Cat({HeadBox(2), sender, FrameBox(3)}), DocumentKind::frameData, false,
       "not a valid frame data document: data version 2 is not supported (this library reads "
       "version 1)"},
      {"version 0", Cat({HeadBox(0), sender, FrameBox(3)}), DocumentKind::frameData, false,
       "not a valid frame data document: data version 0 is not supported (this library reads "
       "version 1)"},
      {"no header", Cat({sender, FrameBox(3)}), DocumentKind::frameData, false,
       "not a valid frame data document: no \"head\" box, the bytes hold no document of this "
       "format"},
      {"unknown code first", Cat({BoxBytes("xxxx", {1}), HeadBox(), sender, FrameBox(3)}),
       DocumentKind::unknown, false, noHead},
      {"no sender", Cat({HeadBox(), FrameBox(3)}), DocumentKind::frameData, false,
       "not a valid frame data document: no \"sndf\" sender definition"},
      {"no data box", Cat({HeadBox(), sender}), DocumentKind::unknown, false,
       "not a valid document: the document has no data box"},
      {"empty", {}, DocumentKind::unknown, false, noHead},
      {"text", Text("hello, world"), DocumentKind::unknown, false, noHead},
  };
  for (const VerdictCase& verdictCase : cases) {
    const DocumentVerdict verdict = JudgeDocument(verdictCase.bytes);
    EXPECT_EQ(verdict.kind, verdictCase.kind) << verdictCase.name;
    EXPECT_EQ(verdict.accepted, verdictCase.accepted) << verdictCase.name;
    EXPECT_EQ(verdict.text, verdictCase.text) << verdictCase.name;
    EXPECT_EQ(std::holds_alternative<std::monostate>(verdict.values), !verdict.accepted)
        << verdictCase.name;
  }
}

TEST(Verdict, AcceptedDocumentCarriesTheDecodedValues) {
  const DocumentVerdict verdict =
      JudgeDocument(Cat({HeadBox(), SenderBox(192168001010, 65535), FrameBox(-7)}));
  ASSERT_TRUE(verdict.accepted);
  EXPECT_EQ(verdict.ipText, "192.168.1.10");
  const auto& values = std::get<FrameDataValues>(verdict.values);
  EXPECT_EQ(values.port, 65535U);
  EXPECT_EQ(values.frame.frameNumber, -7);
}

TEST(Verdict, KindIsTheDataBoxFoundFirst) {
  const Bytes sensorThenFrame =
      Cat({HeadBox(), SenderBox(1, 2), BoxBytes("sndt", {}), FrameBox(1)});
  EXPECT_EQ(JudgeDocument(sensorThenFrame).kind, DocumentKind::sensorData);
  // A frame box nested in a skeleton box comes before the skeleton's sibling.
  const Bytes nested = Cat({BoxBytes("skdf", FrameBox(1)), BoxBytes("sndt", {})});
  EXPECT_EQ(JudgeDocument(nested).kind, DocumentKind::skeletonDefinition);
}

TEST(Verdict, KindNamesReadBack) {
  for (const DocumentKind kind :
       {DocumentKind::skeletonDefinition, DocumentKind::frameData, DocumentKind::sensorData}) {
    EXPECT_EQ(DocumentKindFromName(DocumentKindName(kind)), kind);
  }
  EXPECT_EQ(DocumentKindName(DocumentKind::unknown), "unknown");
  EXPECT_EQ(DocumentKindFromName("unknown"), std::nullopt);
  EXPECT_EQ(DocumentKindFromName("Frame_data"), std::nullopt);
}

}  // namespace
}  // namespace rmf
