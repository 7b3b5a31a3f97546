// Documents as hand-checked bytes in tests/golden: the encoders write exactly
// these bytes, and every detector and parser answers as parse_cases.txt says.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <tuple>

#include "api_calls.h"

namespace {

using namespace api_calls;

// Hex digits in pairs; "#" starts a comment.
Bytes ReadHexFile(const std::string& name) {
  std::ifstream in(std::string(RAVUNA_GOLDEN_DIR) + "/" + name + ".hex");
  Bytes bytes;
  for (std::string line, word; std::getline(in, line);) {
    for (std::istringstream words(line.substr(0, line.find('#'))); words >> word;) {
      for (std::size_t i = 0; i + 1 < word.size(); i += 2) {
        bytes.push_back(static_cast<std::uint8_t>(std::stoul(word.substr(i, 2), nullptr, 16)));
      }
    }
  }
  return bytes;
}

struct Golden {
  const char* file;
  Bytes encoded;  // copied at once: the next encoding frees the buffer
  Kind kind;
};

TEST(GoldenDocuments, EncodeToTheGoldenBytesAndParseBackToThem) {
  const Bones one{{5}, {-1}, {{{0}, {0}, {0}, {1}, {0.1F}, {1.2F}, {-0.3F}}}};
  const Bones frameBone{{-1}, {}, {{{1}, {2}, {3}, {4}, {5}, {6}, {7}}}};
  const Golden goldens[] = {
      {"skeleton_one_bone", EncodeSkeleton(one).Copy(), Kind::skeleton},
      {"skeleton_no_bones", EncodeSkeleton({}).Copy(), Kind::skeleton},
      {"frame_one_bone", EncodeFrame(frameBone, {}, "10.0.0.1", 65535).Copy(), Kind::frame},
      {"sensor_record", EncodeSensor().Copy(), Kind::sensor}};
  for (const Golden& g : goldens) {
    SCOPED_TRACE(g.file);
    const Bytes golden = ReadHexFile(g.file);
    EXPECT_EQ(g.encoded, golden);  // an unreadable file reads as no bytes
    const Result parsed = Decode(g.kind, golden);
    EXPECT_TRUE(parsed.ok);
    EXPECT_EQ(Reencode(g.kind, parsed), golden);
  }
}

TEST(GoldenDocuments, DetectorsAndParsersAnswerAsListed) {
  ASSERT_TRUE(DecodeFrame(EncodeFrame(MakeBones(27)).Copy()).ok);  // nothing of it shows later
  ASSERT_TRUE(DecodeSkeleton(EncodeSkeleton(MakeBones(27)).Copy()).ok);
  std::ifstream list(std::string(RAVUNA_GOLDEN_DIR) + "/parse_cases.txt");
  int cases = 0;
  for (std::string line, name, answers; std::getline(list, line);) {
    std::istringstream fields(line);
    if (line.empty() || line[0] == '#' || !(fields >> name >> answers)) continue;
    SCOPED_TRACE(name);
    ++cases;
    const Bytes bytes = ReadHexFile(name);
    const auto bit = [&](bool (*detect)(int, const unsigned char*)) {
      return "01"[detect(static_cast<int>(bytes.size()), bytes.data())];
    };
    EXPECT_EQ(answers, (std::string{bit(IsRmfBytes), bit(IsSkeletonDefinitionBytes),
                                    bit(IsFrameDataBytes), bit(IsSensorDataBytes)}));
    for (int kind = 0; kind < 3; ++kind) {
      std::string expected;
      fields >> expected;
      const Result r = Decode(static_cast<Kind>(kind), bytes);
      if (expected == "-") {
        EXPECT_TRUE(!r.ok && r.ip == 0 && r.port == kPortSentinel && r.count == kIntSentinel &&
                    r.ids == nullptr && r.t[6] == nullptr && r.frame.number == kIntSentinel &&
                    r.frame.timecode[4] == 9 && r.sensor.joint == kIntSentinel &&
                    r.sensor.uttm == -9.5 && r.sensor.v[6] == -7.25F)
            << kind;
        EXPECT_EQ(r.sensor.address + r.sensor.name, kind == 2 ? "" : "--");
      } else {
        EXPECT_TRUE(r.ok) << kind;
        EXPECT_EQ(Reencode(static_cast<Kind>(kind), r),
                  expected == "=" ? bytes : ReadHexFile(expected))
            << kind;
      }
    }
  }
  EXPECT_EQ(cases, 22);
}

}  // namespace
