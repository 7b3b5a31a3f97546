// The verdict through the C interface: every reason, every lenient read, and
// agreement with the parsing functions on every cut of a frame.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "ravuna_motion_serializer.h"
#include "test_bytes.h"
#include "test_calls.h"

namespace {

using namespace test_bytes;
using test_calls::EncodeCopy;
using test_calls::MakeBones;
namespace calls = ravuna_motion_calls;

template <class Record>
bool Parses(const Bytes& bytes) {
  calls::Parsed<Record> out;
  return calls::ParseHandedOut(bytes, out);
}

RavunaDocumentVerdict Judge(const Bytes& bytes, std::uint32_t expected) {
  RavunaDocumentVerdict verdict{99, 99, 99, 99, 99};
  EXPECT_TRUE(JudgeDocumentBytes(static_cast<int>(bytes.size()), bytes.data(), expected, &verdict));
  return verdict;
}

std::string Describe(const RavunaDocumentVerdict& verdict) {
  char text[RAVUNA_VERDICT_TEXT_CAPACITY];
  int length = -1;
  EXPECT_TRUE(DescribeDocumentVerdict(&verdict, sizeof text, text, &length));
  EXPECT_EQ(std::string(text).size(), static_cast<std::size_t>(length));
  return text;
}

void ExpectAgreement(const Bytes& bytes) {
  const bool parses[] = {Parses<calls::SkeletonDefinition>(bytes), Parses<calls::FrameData>(bytes),
                         Parses<calls::SensorData>(bytes)};
  for (std::uint32_t kind = 1; kind <= 3; ++kind) {
    EXPECT_EQ(Judge(bytes, kind).reason == RAVUNA_VERDICT_ACCEPTED, parses[kind - 1]) << kind;
  }
}

const Bytes kFrame = EncodeCopy(test_calls::MakeFrame(MakeBones(2)));
const Bytes kHead(kFrame.begin(), kFrame.begin() + 43);
const Bytes kEnvelope(kFrame.begin(), kFrame.begin() + 77);  // "head" and "sndf"
const Bytes kFrameNumber = BoxBytes("fnum", Le(std::int32_t{5}));

Bytes WithFrame(const Bytes& framePayload, const Bytes& after = {}) {
  return Cat({kEnvelope, BoxBytes("fram", framePayload), after});
}

// Every value the frame parse reads from the first `length` bytes, as bits,
// with `after` lying just past them: a value cut short must read as 0.
std::vector<std::uint32_t> ParsedBits(const Bytes& bytes, std::size_t length, std::uint8_t after) {
  Bytes padded(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(length));
  padded.push_back(after);
  std::uint64_t ip = 0;
  std::uint32_t port = 0;
  int number = 0, count = 0, ids[4] = {};
  float time = 0.0F, t[7][4] = {};
  double uttm = 0.0;
  unsigned char code[5] = {};
  bool flag = false;
  std::vector<std::uint32_t> bits;
  if (ConvertBytesToFrameDataArrays(static_cast<int>(length), padded.data(), &ip, &port, &number,
                                    &time, &uttm, &code[0], &code[1], &code[2], &code[3], &code[4],
                                    &flag, 4, ids, t[0], t[1], t[2], t[3], t[4], t[5], t[6],
                                    &count)) {
    bits.push_back(std::bit_cast<std::uint32_t>(time));
    for (const auto& component : t) {
      for (const float value : component) bits.push_back(std::bit_cast<std::uint32_t>(value));
    }
  }
  return bits;
}

TEST(Verdict, FrameCutAtEveryLength) {
  for (std::size_t length = 0; length <= kFrame.size(); ++length) {
    SCOPED_TRACE(length);
    const Bytes cut(kFrame.begin(), kFrame.begin() + static_cast<std::ptrdiff_t>(length));
    const RavunaDocumentVerdict verdict = Judge(cut, RAVUNA_DOCUMENT_FRAME_DATA);
    ExpectAgreement(cut);
    // A box is found once its header is whole: "head" at 0, "sndf" at 43, "fram" at 77.
    const std::uint32_t reason = length < 8    ? RAVUNA_VERDICT_NO_HEADER
                                 : length < 51 ? RAVUNA_VERDICT_NO_SENDER_DEFINITION
                                 : length < 85 ? RAVUNA_VERDICT_NO_DATA_BOX
                                               : RAVUNA_VERDICT_ACCEPTED;
    EXPECT_EQ(verdict.reason, reason);
    EXPECT_EQ(verdict.kind, length < 85 ? RAVUNA_DOCUMENT_NONE : RAVUNA_DOCUMENT_FRAME_DATA);
    const std::uint32_t lenient = length == 85 ? RAVUNA_LENIENT_BOX_NOT_WALKED
                                  : length > 85 && length < kFrame.size()
                                      ? RAVUNA_LENIENT_BOX_OVERRUNS_CONTAINER
                                      : 0U;
    EXPECT_EQ(verdict.lenientReads & (lenient | RAVUNA_LENIENT_BOX_NOT_WALKED), lenient);
    EXPECT_EQ(verdict.lenientReads == 0, lenient == 0);
    EXPECT_EQ(ParsedBits(kFrame, length, 0x00), ParsedBits(kFrame, length, 0xFF));
  }
  EXPECT_EQ(Describe(Judge(kFrame, RAVUNA_DOCUMENT_NONE)), "frame data document read exactly");
}

TEST(Verdict, EveryReason) {
  const Bytes skeleton = EncodeCopy(calls::SkeletonDefinition{MakeBones(1)});
  Bytes version2 = kFrame;
  version2[42] = 2;
  struct Case {
    Bytes bytes;
    std::uint32_t expected, kind, reason, version;
    std::string text;
  };
  const std::vector<Case> cases = {
      {Cat({BoxBytes("zzzz", {}), kFrame}), 0, 0, RAVUNA_VERDICT_NO_HEADER, 0,
       "not a valid document: no \"head\" box, the bytes hold no document of this format"},
      {Cat({kHead, BoxBytes("fram", {})}), 2, 2, RAVUNA_VERDICT_NO_SENDER_DEFINITION, 0,
       "not a valid frame data document: no \"sndf\" sender definition"},
      {skeleton, 2, 1, RAVUNA_VERDICT_NO_DATA_BOX, 0,
       "not a valid frame data document: the bytes hold a skeleton definition document"},
      {kEnvelope, 0, 0, RAVUNA_VERDICT_NO_DATA_BOX, 0,
       "not a valid document: the document has no data box"},
      {version2, 0, 2, RAVUNA_VERDICT_UNSUPPORTED_VERSION, 2,
       "not a valid frame data document: data version 2 is not supported (this library reads "
       "version 1)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const RavunaDocumentVerdict verdict = Judge(c.bytes, c.expected);
    EXPECT_EQ(verdict.kind, c.kind);
    EXPECT_EQ(verdict.judgedKind, c.expected != 0 ? c.expected : c.kind);
    EXPECT_EQ(verdict.reason, c.reason);
    EXPECT_EQ(verdict.version, c.version);
    EXPECT_EQ(Describe(verdict), c.text);
    ExpectAgreement(c.bytes);
  }
}

TEST(Verdict, EveryLenientRead) {
  Bytes budgetUnits;  // each walks the rest again at every depth below it
  for (int unit = 0; unit < 40; ++unit) {
    budgetUnits = Cat({budgetUnits, BoxClaiming("btrs", 16), BoxClaiming("btrs", 0xFFFFFF00),
                       BoxClaiming("zzzz", 0)});
  }
  Bytes nested = kFrameNumber;
  for (int level = 0; level < 32; ++level) {
    nested = BoxBytes("btrs", nested);
  }
  // Every scalar a frame needs but the frame number.
  const Bytes scalars = Cat({BoxBytes("time", Le(1.5F)), BoxBytes("uttm", Le(2.0)),
                             BoxBytes("tmcd", {1, 2, 3, 4, 5, 1})});
  const Bytes frame = Cat({scalars, kFrameNumber});
  const Bytes cutValue = WithFrame(frame);
  // "fram" claims 4 bytes more than there are: its last child's header ends
  // the bytes, or 7 bytes too few for a header do.
  const Bytes headerAtTheEnd =
      Cat({kEnvelope, BoxClaiming("fram", static_cast<std::uint32_t>(frame.size() + 12),
                                  Cat({frame, BoxClaiming("fnum", 4)}))});
  const Bytes sevenAtTheEnd =
      Cat({kEnvelope, BoxClaiming("fram", static_cast<std::uint32_t>(frame.size() + 11),
                                  Cat({frame, Bytes(7, 'x')}))});
  const std::vector<std::pair<Bytes, std::uint32_t>> cases = {
      {WithFrame(frame), 0},
      {Bytes(cutValue.begin(), cutValue.end() - 2),
       RAVUNA_LENIENT_VALUE_PAST_END | RAVUNA_LENIENT_BOX_OVERRUNS_CONTAINER},
      {WithFrame(Cat({scalars, BoxClaiming("btrs", 20, kFrameNumber)})),
       RAVUNA_LENIENT_BOX_OVERRUNS_CONTAINER},
      {WithFrame(Cat({frame, BoxBytes("zzzz", {1})})), RAVUNA_LENIENT_UNKNOWN_CODE_SKIPPED},
      {WithFrame(Cat({frame, BoxBytes("time", {})})), RAVUNA_LENIENT_BOX_NOT_WALKED},
      {WithFrame(frame, kFrameNumber), RAVUNA_LENIENT_BOX_NOT_WALKED},
      {WithFrame(Cat({frame, nested})), RAVUNA_LENIENT_NESTING_CAP},
      {WithFrame(Cat({frame, Text("abc")})), RAVUNA_LENIENT_BYTES_LEFT_OVER},
      {WithFrame(frame, {0}), RAVUNA_LENIENT_BYTES_LEFT_OVER},
      {WithFrame(Cat({scalars, BoxBytes("fnum", {1, 2, 3, 4, 5})})),
       RAVUNA_LENIENT_VALUE_SIZE_MISMATCH},
      {WithFrame(Cat({BoxBytes("fnum", {1, 2, 3}), scalars})), RAVUNA_LENIENT_VALUE_SIZE_MISMATCH},
      {WithFrame(Cat({frame, budgetUnits})),
       RAVUNA_LENIENT_VISIT_BUDGET | RAVUNA_LENIENT_NESTING_CAP |
           RAVUNA_LENIENT_BOX_OVERRUNS_CONTAINER | RAVUNA_LENIENT_UNKNOWN_CODE_SKIPPED},
      {WithFrame(kFrameNumber), RAVUNA_LENIENT_BOX_MISSING},
      {WithFrame(Cat({frame, BoxBytes("btdt", BoxBytes("bnid", Le(std::int16_t{3})))})),
       RAVUNA_LENIENT_BOX_MISSING},
      {headerAtTheEnd, RAVUNA_LENIENT_BOX_OVERRUNS_CONTAINER | RAVUNA_LENIENT_VALUE_PAST_END},
      {sevenAtTheEnd, RAVUNA_LENIENT_BOX_OVERRUNS_CONTAINER | RAVUNA_LENIENT_BYTES_LEFT_OVER},
  };
  for (std::size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(i);
    const RavunaDocumentVerdict verdict = Judge(cases[i].first, RAVUNA_DOCUMENT_FRAME_DATA);
    EXPECT_EQ(verdict.reason, RAVUNA_VERDICT_ACCEPTED);
    EXPECT_EQ(verdict.lenientReads, cases[i].second);
    ExpectAgreement(cases[i].first);
  }
  // The header read at the end of the bytes is a frame number past the end.
  calls::Parsed<calls::FrameData> parsed;
  parsed.values.frameNumber = 5;
  EXPECT_TRUE(calls::ParseHandedOut(headerAtTheEnd, parsed));
  EXPECT_EQ(parsed.values.frameNumber, 0);
  const std::string text = Describe({2, 2, RAVUNA_VERDICT_ACCEPTED, 1, 0x1FF});  // all nine
  EXPECT_EQ(std::count(text.begin(), text.end(), ';'), 8);
}

TEST(Verdict, RefusedArgumentsAndShortBuffers) {
  RavunaDocumentVerdict verdict{};
  EXPECT_FALSE(JudgeDocumentBytes(4, nullptr, 0, &verdict));
  EXPECT_FALSE(JudgeDocumentBytes(0, nullptr, 4, &verdict));
  EXPECT_TRUE(JudgeDocumentBytes(-3, nullptr, 0, &verdict));
  int length = -1;
  EXPECT_FALSE(DescribeDocumentVerdict(&verdict, 0, nullptr, &length));
  EXPECT_EQ(length, static_cast<int>(Describe(verdict).size()));
  char small[8] = "xxxxxxx";
  EXPECT_FALSE(DescribeDocumentVerdict(&verdict, 5, small, &length));
  EXPECT_STREQ(small, "not ");
  const RavunaDocumentVerdict hostile{77, 0xFFFFFFFF, 9, 0, 0};
  EXPECT_EQ(Describe(hostile), "not a valid document: unknown reason 9");
}

}  // namespace
