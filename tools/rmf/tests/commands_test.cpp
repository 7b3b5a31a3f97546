#include "rmf/commands.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "capture_test_bytes.h"
#include "rmf/output/json_values.h"
#include "rmf/output/value_format.h"

namespace rmf {
namespace {

using namespace capture_test_bytes;

// A file under the temporary folder, removed at the end of the test.
class TemporaryFile {
 public:
  TemporaryFile(const std::string& name, const Bytes& bytes)
      : path_(std::filesystem::temp_directory_path() /
              ("rmf_" + std::to_string(getpid()) + "_" + name)) {
    std::ofstream(path_, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
  }
  ~TemporaryFile() { std::filesystem::remove(path_); }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;
  std::string Path() const { return path_.string(); }

 private:
  std::filesystem::path path_;
};

Bytes FirstBytes(const Bytes& bytes, std::size_t count) {
  return Bytes(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(count));
}

Bytes HexTextOf(const Bytes& bytes) {
  const std::string text = FormatHexBytes(bytes) + "\n";
  return Bytes(text.begin(), text.end());
}

TEST(InspectCommand, CaptureShowsEveryPacketAndFailsOnARejectedDocument) {
  const TemporaryFile capture(
      "inspect.pcap", WriteRawIpCapture({{0, Datagram(kSenderA, Frame(1))},
                                         {10, Datagram(kSenderA, {'d', 'n', 's'})},
                                         {20, Datagram(kSenderA, Frame(2), 17, 4)},
                                         {30, Datagram(kSenderA, {}, 6)},
                                         {40, Datagram(kSenderB, FirstBytes(Frame(3), 60))}}));
  std::ostringstream out;
  EXPECT_EQ(RunInspect({{capture.Path()}, false, false}, out), kExitRejected);
  const std::string text = out.str();
  const std::string name = capture.Path();
  const std::string expectedLines[] = {
      "packet 1  1700000000.000000  10.0.0.5:9000 -> 10.0.0.255:9001  201 bytes\n" + name +
          "#1: 201 bytes\n",
      "verdict: frame_data, accepted\n",
      "packet 2  1700000000.010000  10.0.0.5:9000 -> 10.0.0.255:9001  3 bytes  no "
      "document\npacket 3",
      "packet 3  1700000000.020000  10.0.0.5:9000 -> 10.0.0.255:9001  0 bytes  malformed: "
      "bad UDP length 4\n",
      "packet 4  1700000000.030000  not UDP over IP\n",
      "packet 5  1700000000.040000  10.0.0.6:9100 -> 10.0.0.255:9001  60 bytes\n" + name +
          "#5: 60 bytes\n",
      std::string(
          "verdict: unknown, rejected: not a valid document: the document has no data box\n"),
  };
  for (const std::string& line : expectedLines) {
    EXPECT_NE(text.find(line), std::string::npos) << line << "\nin\n" << text;
  }
}

TEST(InspectCommand, JsonGivesOneObjectPerUdpPacket) {
  const TemporaryFile capture("json.pcap",
                              WriteRawIpCapture({{0, Datagram(kSenderA, Frame(1))},
                                                 {10, Datagram(kSenderA, {'d', 'n', 's'})},
                                                 {20, Datagram(kSenderA, {}, 6)}}));
  std::ostringstream out;
  EXPECT_EQ(RunInspect({{capture.Path()}, false, true}, out), kExitSuccess);
  std::istringstream lines(out.str());
  Json first;
  Json second;
  lines >> first >> second;
  EXPECT_EQ(first["kind"], "frame_data");
  EXPECT_EQ(first["packet"]["source"], "10.0.0.5:9000");
  EXPECT_EQ(first["packet"]["payload_length"], 201);
  EXPECT_FALSE(second.contains("kind"));
  EXPECT_EQ(second["packet"]["index"], 2);
  EXPECT_EQ(lines >> std::ws && lines.peek() == EOF, true);  // no line for the TCP packet
}

TEST(StatsCommand, PlainDocumentsInHexCountAsDocumentFiles) {
  const TemporaryFile frame("frame.hex", HexTextOf(Frame(7)));
  const TemporaryFile skeleton("skeleton.hex", HexTextOf(Skeleton()));
  std::ostringstream out;
  EXPECT_EQ(RunStats({{frame.Path(), skeleton.Path()}, true, true}, out), kExitSuccess);
  std::istringstream lines(out.str());
  Json frameStats;
  Json skeletonStats;
  lines >> frameStats >> skeletonStats;
  EXPECT_EQ(frameStats["input"], "document file");
  EXPECT_EQ(frameStats["senders"][0]["packet_source"], "file");
  EXPECT_EQ(frameStats["senders"][0]["document_senders"][0], "10.0.0.5:9000");
  EXPECT_EQ(frameStats["senders"][0]["frames"]["first_number"], 7);
  EXPECT_EQ(frameStats["senders"][0]["frames"]["rate"], nullptr);
  EXPECT_EQ(skeletonStats["senders"][0]["documents"]["skeleton_definition"], 1);
}

TEST(EncodeCommand, WritesEveryValueOrNothingAndNeverLosesTheFile) {
  std::ostringstream inspected;
  const TemporaryFile sensor("sensor.rmf", Sensor());
  ASSERT_EQ(RunInspect({{sensor.Path()}, false, true}, inspected), kExitSuccess);
  const std::string json = inspected.str();
  const TemporaryFile twice("twice.json", Bytes(json.begin(), json.end()));
  std::ofstream(twice.Path(), std::ios::app) << json;
  std::ostringstream hex;
  EXPECT_EQ(RunEncode({twice.Path(), "-", true, false}, hex), kExitSuccess);
  const std::string line = FormatHexBytes(Sensor()) + "\n";
  EXPECT_EQ(hex.str(), line + line);

  const TemporaryFile output("out.rmf", {1, 2, 3});
  std::ostringstream unused;
  EXPECT_EQ(RunEncode({twice.Path(), output.Path(), false, false}, unused), kExitSuccess);
  EXPECT_EQ(unused.str(), "");
  Bytes both = Sensor();
  both.insert(both.end(), both.begin(), both.end());
  EXPECT_EQ(ReadInput(output.Path()), both);

  // A rejected document among good ones: status 1 and the file as it was.
  const std::string rejected = R"({"kind": "unknown", "document": null})";
  const TemporaryFile withRejected("rejected.json", Bytes(rejected.begin(), rejected.end()));
  std::ofstream(withRejected.Path(), std::ios::app) << json;
  std::ostringstream errors;
  EXPECT_EQ(RunEncode({withRejected.Path(), output.Path(), false, false}, unused, errors),
            kExitRejected);
  EXPECT_EQ(errors.str(), "rmf: " + withRejected.Path() +
                              ": value 1: the document was rejected: there are no values to "
                              "encode\nrmf: nothing written, '" +
                              output.Path() + "' left as it was\n");
  EXPECT_EQ(ReadInput(output.Path()), both);
}

}  // namespace
}  // namespace rmf
