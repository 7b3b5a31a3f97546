// Documents as hand-checked bytes in tests/golden: the encoders write exactly
// these bytes, and every detector and parser answers as parse_cases.txt says.
#include <gtest/gtest.h>

#include <fstream>
#include <optional>
#include <sstream>
#include <string_view>
#include <type_traits>

#include "test_calls.h"

namespace {

using namespace test_calls;

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

// Both encoders write the golden bytes; both parsers read them back to
// values that encode to them again.
template <class Record>
void ExpectGolden(const char* file, const Record& record, const Sender& sender = kSender) {
  SCOPED_TRACE(file);
  const Bytes golden = ReadHexFile(file);
  EXPECT_EQ(EncodeCopy(record, sender), golden);  // an unreadable file reads as no bytes
  EXPECT_EQ(Encode(sender, record).value_or(Bytes()), golden);
  Parsed<Record> handedOut, caller;
  ASSERT_TRUE(ParseHandedOut(golden, handedOut) && Parse(golden, caller));
  EXPECT_TRUE(SameBits(handedOut, caller));
  EXPECT_EQ(EncodeCopy(handedOut.values, SenderOf(handedOut)), golden);
}

TEST(GoldenDocuments, EncodeToTheGoldenBytesAndParseBackToThem) {
  const Bones one{1, {5}, {-1}, {{{0}, {0}, {0}, {1}, {0.1F}, {1.2F}, {-0.3F}}}};
  const Bones frameBone{1, {-1}, {}, {{{1}, {2}, {3}, {4}, {5}, {6}, {7}}}};
  ExpectGolden("skeleton_one_bone", SkeletonDefinition{one});
  ExpectGolden("skeleton_no_bones", SkeletonDefinition{});
  ExpectGolden("frame_one_bone", MakeFrame(frameBone), {"10.0.0.1", 65535});
  ExpectGolden("sensor_record", MakeSensor());
}

// The document the bytes parse to as `Record`, encoded again; none when the
// parse fails. Both parsers must agree; a failed handed-out parse writes the
// address as 0 (and empty texts), a failed caller-memory parse nothing.
template <class Record>
std::optional<Bytes> Reparsed(const Bytes& bytes) {
  constexpr int kRoom = 64;
  Parsed<Record> handedOut = Sentinels<Record>(1), caller = Sentinels<Record>(kRoom);
  bool ok = false, callerOk = false;
  if constexpr (std::is_same_v<Record, SensorData>) {
    HandedOutTexts texts;
    ok = ParseHandedOut(bytes, handedOut, &texts);
    TextLengths lengths{kIntSentinel, kIntSentinel};
    callerOk = ParseIntoTexts(bytes, caller, lengths);
    EXPECT_TRUE(ok || (lengths.address == kIntSentinel && lengths.name == kIntSentinel));
    if (ok && callerOk) {  // handed out whole, zero bytes included
      const std::size_t a = caller.values.sensorAddress.size(), n = caller.values.sensorName.size();
      EXPECT_TRUE(std::string_view(texts.address.get(), a) == caller.values.sensorAddress &&
                  texts.address[a] == '\0');
      EXPECT_TRUE(std::string_view(texts.name.get(), n) == caller.values.sensorName &&
                  texts.name[n] == '\0');
      handedOut.values.sensorAddress = caller.values.sensorAddress;
      handedOut.values.sensorName = caller.values.sensorName;
    }
  } else {
    ok = ParseHandedOut(bytes, handedOut);
    callerOk = ParseIntoArrays(bytes, caller);
  }
  EXPECT_EQ(ok, callerOk);
  if (ok) {
    EXPECT_TRUE(SameBits(handedOut, caller));
    return EncodeCopy(handedOut.values, SenderOf(handedOut));
  }
  EXPECT_EQ(handedOut.ipAddress, 0U);
  handedOut.ipAddress = kIpSentinel;
  if constexpr (std::is_same_v<Record, SensorData>) {
    EXPECT_TRUE(handedOut.values.sensorAddress.empty() && handedOut.values.sensorName.empty());
    handedOut.values.sensorAddress = handedOut.values.sensorName = "-";
  }
  EXPECT_TRUE(Unwritten(handedOut, 1));
  EXPECT_TRUE(Unwritten(caller, kRoom));
  return std::nullopt;
}

TEST(GoldenDocuments, DetectorsAndParsersAnswerAsListed) {
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
    const std::optional<Bytes> reparsed[] = {Reparsed<SkeletonDefinition>(bytes),
                                             Reparsed<FrameData>(bytes),
                                             Reparsed<SensorData>(bytes)};
    for (const std::optional<Bytes>& again : reparsed) {
      std::string expected;
      fields >> expected;
      EXPECT_EQ(again.has_value(), expected != "-") << expected;
      if (again && expected != "-") {
        EXPECT_EQ(*again, expected == "=" ? bytes : ReadHexFile(expected));
      }
    }
  }
  EXPECT_EQ(cases, 22);
}

}  // namespace
