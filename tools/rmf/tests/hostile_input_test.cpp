// Inspection of damaged documents: every mutation of a valid document must
// give a report whose text and JSON can be written, with no read outside the
// bytes (the sanitizer builds check that).
#include <gtest/gtest.h>

#include <random>
#include <sstream>

#include "rmf/documents/document_report.h"
#include "rmf/documents/sample_documents.h"
#include "rmf/output/json_output.h"
#include "rmf/output/text_output.h"

namespace rmf {
namespace {

// Overwrites a few bytes with hostile values: sizes near 2^32 and 2^31, size
// 0, codes of other kinds, or random bytes; sometimes cuts the end off.
Bytes Mutate(Bytes bytes, std::mt19937& generator) {
  static constexpr std::uint32_t kSizes[] = {0,          1,          7,         0x7fffffff,
                                             0x80000000, 0xfffffff8, 0xffffffff};
  static constexpr const char* kCodes[] = {"head", "sndf", "fram", "btrs",         "sndt",
                                           "snad", "skdf", "bndt", "\xff\xfe\x00x"};
  const auto position = [&] { return generator() % bytes.size(); };
  for (int edit = 0; edit < 3; ++edit) {
    const std::size_t at = position();
    switch (generator() % 4) {
      case 0: {
        const std::uint32_t size = kSizes[generator() % std::size(kSizes)];
        for (std::size_t k = 0; k < 4 && at + k < bytes.size(); ++k) {
          bytes[at + k] = static_cast<std::uint8_t>(size >> (8 * k));
        }
        break;
      }
      case 1: {
        const char* code = kCodes[generator() % std::size(kCodes)];
        for (std::size_t k = 0; k < 4 && at + k < bytes.size(); ++k) {
          bytes[at + k] = static_cast<std::uint8_t>(code[k]);
        }
        break;
      }
      case 2: bytes[at] = static_cast<std::uint8_t>(generator()); break;
      default: bytes.resize(at + 1); break;
    }
  }
  return bytes;
}

TEST(HostileInput, MutatedDocumentsAlwaysGiveAWritableReport) {
  const Bytes originals[] = {SampleSkeletonDefinition(), SampleFrame(2), SampleSensorRecord()};
  std::mt19937 generator(42);
  int rejected = 0;
  for (int round = 0; round < 600; ++round) {
    const Bytes bytes = Mutate(originals[round % 3], generator);
    const DocumentReport report = InspectDocument("mutated", bytes);
    std::ostringstream text;
    WriteDocumentText(text, report);
    const std::string line = JsonLine(DocumentToJson(report));
    ASSERT_EQ(Json::parse(line)["accepted"], report.verdict.accepted);
    ASSERT_NE(text.str().find("verdict: "), std::string::npos);
    rejected += report.verdict.accepted ? 0 : 1;
  }
  // The mutations reach both outcomes.
  EXPECT_GT(rejected, 20);
  EXPECT_LT(rejected, 580);
}

}  // namespace
}  // namespace rmf
