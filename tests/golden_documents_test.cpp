// One document of each kind against hand-checked bytes in tests/golden: the
// encoders write exactly these bytes, and what the parsers read from them
// encodes to the same bytes again.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

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
  std::size_t size;
  Bytes encoded;  // copied at once: the next encoding frees the buffer
  Kind kind;
};

TEST(GoldenDocuments, EncodeToTheGoldenBytesAndParseBackToThem) {
  const Bones one{{5}, {-1}, {{{0}, {0}, {0}, {1}, {0.1F}, {1.2F}, {-0.3F}}}};
  const Bones frameBone{{-1}, {}, {{{1}, {2}, {3}, {4}, {5}, {6}, {7}}}};
  const Golden goldens[] = {
      {"skeleton_one_bone", 157, EncodeSkeleton(one).Copy(), Kind::skeleton},
      {"skeleton_no_bones", 93, EncodeSkeleton({}).Copy(), Kind::skeleton},
      {"frame_one_bone", 201, EncodeFrame(frameBone, {}, "10.0.0.1", 65535).Copy(), Kind::frame},
      {"sensor_record", 168, EncodeSensor().Copy(), Kind::sensor}};
  for (const Golden& g : goldens) {
    SCOPED_TRACE(g.file);
    const Bytes golden = ReadHexFile(g.file);
    ASSERT_EQ(golden.size(), g.size) << "golden file unreadable";
    EXPECT_EQ(g.encoded, golden);
    const Result parsed = Decode(g.kind, golden);
    EXPECT_TRUE(parsed.ok);
    EXPECT_EQ(Reencode(g.kind, parsed), golden);
  }
}

}  // namespace
