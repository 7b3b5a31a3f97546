#include "document_verdict.h"

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
  const char* diagnostic;  // empty when accepted
};

TEST(Verdict, GivesTheKindAndTheLibrarysTextOfTheFailedCheck) {
  const Bytes sender = SenderBox(10000000001, 80);
  const VerdictCase cases[] = {
      {"frame", Cat({HeadBox(), sender, FrameBox(3)}), DocumentKind::frameData, ""},
      {"skeleton", Cat({HeadBox(), sender, BoxBytes("skdf", BoxBytes("bons", {}))}),
       DocumentKind::skeletonDefinition, ""},
      {"sensor", Cat({HeadBox(), sender, BoxBytes("sndt", {})}), DocumentKind::sensorData, ""},
      {"sender first", Cat({sender, HeadBox(), FrameBox(3)}), DocumentKind::frameData, ""},
      {"version 2", Cat({HeadBox(2), sender, FrameBox(3)}), DocumentKind::frameData,
       "Invalid data version. Current version : 1, Target version : 2."},
      {"version 0", Cat({HeadBox(0), sender, FrameBox(3)}), DocumentKind::frameData,
       "Invalid data version. Current version : 1, Target version : 0."},
      {"no header", Cat({sender, FrameBox(3)}), DocumentKind::frameData, "Invalid header data."},
      {"unknown code first", Cat({BoxBytes("xxxx", {1}), HeadBox(), sender, FrameBox(3)}),
       DocumentKind::unknown, "Invalid header data."},
      {"no sender", Cat({HeadBox(), FrameBox(3)}), DocumentKind::frameData,
       "Invalid sender definition data."},
      {"no data box", Cat({HeadBox(), sender}), DocumentKind::unknown, "Invalid value data."},
      {"empty", {}, DocumentKind::unknown, "Invalid header data."},
      {"text", Text("hello, world"), DocumentKind::unknown, "Invalid header data."},
  };
  for (const VerdictCase& verdictCase : cases) {
    const DocumentVerdict verdict = JudgeDocument(verdictCase.bytes);
    EXPECT_EQ(verdict.kind, verdictCase.kind) << verdictCase.name;
    EXPECT_EQ(verdict.accepted, std::string(verdictCase.diagnostic).empty()) << verdictCase.name;
    EXPECT_EQ(verdict.diagnostic, verdictCase.diagnostic) << verdictCase.name;
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
