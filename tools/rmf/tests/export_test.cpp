// The exporters on streams built by hand: a small BVH and CSV checked whole,
// every kind of bad input counted and skipped, names files, number cells,
// and files named per sender and left alone on failure.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "ravuna_motion_serializer.h"
#include "rmf/export/bvh_export.h"
#include "rmf/export/csv_export.h"
#include "rmf/export/export_command.h"
#include "rmf/output/output_file.h"

namespace rmf {
namespace {

using Bone = std::array<float, 7>;  // rotation x, y, z, w; translation
constexpr Bone kStill = {0, 0, 0, 1, 0, 0, 0};
const float kHalf = std::sqrt(0.5F);

TransformSequences Columns(const std::vector<Bone>& bones) {
  TransformSequences columns;
  for (const Bone& bone : bones) {
    for (std::size_t k = 0; k < 7; ++k) {
      columns[k].push_back(bone[k]);
    }
  }
  return columns;
}

StreamDocument Skeleton(std::vector<int> ids, std::vector<int> parents, std::vector<Bone> bones) {
  return {"skeleton", std::nullopt, DocumentKind::skeletonDefinition, "10.0.0.1",
          SkeletonDefinitionValues{1, std::move(ids), std::move(parents), Columns(bones)}};
}

StreamDocument Frame(int number, double uttm, std::vector<int> ids, std::vector<Bone> bones) {
  FrameDataValues values{1,
                         {number, static_cast<float>(uttm), uttm, {1, 2, 3, 4, 5, 1}},
                         std::move(ids),
                         Columns(bones)};
  return {"frame" + std::to_string(number), std::int64_t{1000000} * number + 250000,
          DocumentKind::frameData, "10.0.0.1", std::move(values)};
}

// Root 4 at (0, 1, 0), joint 7 half a metre above it.
StreamDocument TwoBones() {
  return Skeleton({4, 7}, {-1, 4}, {{0, 0, 0, 1, 0, 1, 0}, {0, 0, 0, 1, 0, 0.5F, 0}});
}

TEST(BvhExport, SmallFileWhole) {
  // Frame 1: the root at (1, 2, 3) turned 90 degrees about Y, the hand 90
  // about X. Frame 3 (2 missing) turned -90 about Z. ZXY puts Y last, X
  // in the middle.
  const SenderStream stream{
      "10.0.0.1:1",
      {TwoBones(),
       Frame(1, 0.5, {4, 7}, {{0, kHalf, 0, kHalf, 1, 2, 3}, {kHalf, 0, 0, kHalf, 0, 0.5F, 0}}),
       Frame(3, 1.0, {7, 4}, {{0, 0, 0, 1, 0, 0.5F, 0}, {0, 0, -kHalf, kHalf, 0, 1, 0}})},
      0,
      ""};
  BvhOptions options;
  options.names = {{7, "hand"}};
  ExportProblems problems;
  const BvhFile file = ExportBvh(stream, options, problems);
  EXPECT_EQ(problems.Total(), 0U);
  EXPECT_EQ(file.text,
            "HIERARCHY\nROOT bone_4\n{\n\tOFFSET 0 1 0\n"
            "\tCHANNELS 6 Xposition Yposition Zposition Zrotation Xrotation Yrotation\n"
            "\tJOINT hand\n\t{\n\t\tOFFSET 0 0.5 0\n\t\tCHANNELS 3 Zrotation Xrotation Yrotation\n"
            "\t\tEnd Site\n\t\t{\n\t\t\tOFFSET 0 0 0\n\t\t}\n\t}\n}\n"
            "MOTION\nFrames: 2\nFrame Time: 0.25\n"
            "1 2 3 0 0 90 0 90 0\n"
            "0 1 0 -90 0 0 0 0 0\n");
  EXPECT_EQ(file.frameTime, "0.25 s, the median of 1 uttm interval");
  EXPECT_EQ(file.sidecar["frames"][1]["source"], "frame3");
  EXPECT_EQ(file.sidecar["joints"][1]["name"], "hand");
}

TEST(BvhExport, BadInputIsCountedAndSkipped) {
  const StreamDocument frame = Frame(1, 0, {4, 7}, {kStill, {0, 0, 0, 1, 0, 0.5F, 0}});
  struct Case {
    std::vector<StreamDocument> documents;
    std::uint64_t written;
    std::string problem;  // the summary line
    bool jointPositions = false;
  };
  const std::vector<Case> cases = {
      {{frame, TwoBones(), frame},
       1,
       "frames before any skeleton definition, not written: 1 (first: frame 1 at frame1)"},
      {{Skeleton({4, 7}, {-1, 9}, {kStill, kStill}), frame},
       0,
       "frames whose skeleton definition cannot be used, not written: 1 (first: frame 1 at "
       "frame1: skeleton: bone 7: parent 9 is no bone of the skeleton)"},
      {{Skeleton({4, 7}, {7, 4}, {kStill, kStill}), frame},
       0,
       "frames whose skeleton definition cannot be used, not written: 1 (first: frame 1 at "
       "frame1: skeleton: bone 4 is its own ancestor (parent 7))"},
      {{Skeleton({4, 4}, {-1, -1}, {kStill, kStill}), frame},
       0,
       "frames whose skeleton definition cannot be used, not written: 1 (first: frame 1 at "
       "frame1: skeleton: bone 4 is defined more than once)"},
      {{Skeleton({}, {}, {}), frame},
       0,
       "frames whose skeleton definition cannot be used, not written: 1 (first: frame 1 at "
       "frame1: skeleton: it has no bones)"},
      {{TwoBones(), Frame(2, 0, {4}, {kStill})},
       0,
       "frames whose bones differ from the skeleton's, not written: 1 (first: frame 2 at frame2 "
       "lacks bones 7)"},
      {{TwoBones(), Frame(2, 0, {4, 7, 7}, {kStill, kStill, kStill})},
       0,
       "frames whose bones differ from the skeleton's, not written: 1 (first: frame 2 at frame2 "
       "repeats bones 7)"},
      {{TwoBones(), Frame(2, 0, {4, 7, 9}, {kStill, {0, 0, 0, 1, 0, 0.5F, 0}, kStill})},
       1,
       "frames with bones the skeleton lacks, those bones left out: 1 (first: frame 2 at frame2: "
       "bones 9)"},
      {{TwoBones(), Frame(2, 0, {4, 7}, {kStill, {0, 0, 0, 0, 0, 0.5F, 0}})},
       0,
       "frames with a zero-length or non-finite quaternion, not written: 1 (first: frame 2 at "
       "frame2, bone 7)"},
      {{TwoBones(), Frame(2, 0, {4, 7}, {{0, 0, 0, 1, NAN, 0, 0}, kStill})},
       0,
       "frames with a translation that is not finite, not written: 1 (first: frame 2 at frame2, "
       "bone 4)"},
      {{TwoBones(), frame, Skeleton({4, 7}, {-1, 4}, {kStill, kStill}), frame},
       1,
       "frames after a changed skeleton definition, not written: 1 (first: frame 1 at frame1: "
       "skeleton differs from skeleton)"},
      {{TwoBones(), Frame(2, 0, {4, 7}, {kStill, {0, 0, 0, 1, 0, 0.75F, 0}})},
       1,
       "frames whose translations differ from the skeleton's offsets, which BVH keeps "
       "(--joint-positions writes them): 1 (first: frame 2 at frame2, bone 7 by 0.25)"},
      {{TwoBones(), Frame(2, 0, {4, 7}, {kStill, {0, 0, 0, 1, 0, 0.75F, 0}})}, 1, "", true},
  };
  for (const Case& c : cases) {
    BvhOptions options;
    options.jointPositions = c.jointPositions;
    ExportProblems problems;
    const BvhFile file = ExportBvh({"s", c.documents, 0, ""}, options, problems);
    EXPECT_EQ(file.frames, c.written) << c.problem;
    EXPECT_EQ(file.text.empty(), c.written == 0);
    const std::vector<std::string> lines = problems.Lines();
    EXPECT_EQ(lines.empty() ? "" : lines[0], c.problem);
  }
}

// A hostile skeleton nests 30,000 bones deep: written without recursion,
// indented at most 16 tabs (17 inside an End Site).
TEST(BvhExport, DeepChain) {
  std::vector<int> ids(30000);
  std::vector<int> parents(ids.size());
  for (std::size_t k = 0; k < ids.size(); ++k) {
    ids[k] = static_cast<int>(k);
    parents[k] = static_cast<int>(k) - 1;
  }
  const std::vector<Bone> bones(ids.size(), kStill);
  ExportProblems problems;
  const BvhFile file = ExportBvh(
      {"s", {Skeleton(ids, parents, bones), Frame(1, 0, ids, bones)}, 0, ""}, {}, problems);
  EXPECT_EQ(file.frames, 1U);
  EXPECT_EQ(file.text.find(std::string(18, '\t')), std::string::npos);
  EXPECT_NE(file.text.find("JOINT bone_29999"), std::string::npos);
}

TEST(CsvExport, RowsQuotingAndGaps) {
  SensorDataValues sensor{1, 2.5, "a,\"b\"", "\xff\xfe", 3, std::nullopt};
  const SenderStream stream{
      "10.0.0.1:1",
      {Frame(5, 0.1, {7}, {kStill}),
       TwoBones(),
       Frame(6, 0.2, {7, 9}, {kStill, kStill}),
       Frame(8, 0.3, {4}, {{-0.0F, 1e-45F, INFINITY, 1e20F, 0.1F, 1, 2}}),
       {"sensor", std::nullopt, DocumentKind::sensorData, "10.0.0.1", sensor}},
      0,
      ""};
  ExportProblems problems;
  const CsvTables tables = ExportCsv(stream, motion::QuaternionOrder::wxyz, problems);
  EXPECT_EQ(tables.frames,
            "sender,frame_number,time,uttm,timecode,subframe,timecode_flag,capture_time,bone_id,"
            "parent_id,qw,qx,qy,qz,tx,ty,tz,follows_previous\r\n"
            "10.0.0.1:1,5,0.1,0.1,01:02:03:04,5,1,5.250000,7,,0.0,0.0,0.0,1.0,0.0,0.0,0.0,False\r\n"
            "10.0.0.1:1,6,0.2,0.2,01:02:03:04,5,1,6.250000,7,4,0.0,0.0,0.0,1.0,0.0,0.0,0.0,True\r\n"
            "10.0.0.1:1,6,0.2,0.2,01:02:03:04,5,1,6.250000,9,,0.0,0.0,0.0,1.0,0.0,0.0,0.0,True\r\n"
            "10.0.0.1:1,8,0.3,0.3,01:02:03:04,5,1,8.250000,4,-1,-0.0,1e-45,inf,1e+20,0.1,1.0,2.0,"
            "False\r\n");
  EXPECT_EQ(tables.sensors,
            "sender,uttm,capture_time,sensor_address,sensor_name,sensor_joint_index,value0,value1,"
            "value2,value3,value4,value5,value6\r\n"
            "10.0.0.1:1,2.5,,\"a,\"\"b\"\"\",hex:ff fe,3,,,,,,,\r\n");
  EXPECT_EQ(problems.Lines(),
            (std::vector<std::string>{
                "frames before any skeleton definition, parent_id left empty: 1 (first: frame 5 at "
                "frame5)",
                "frames with bones the skeleton definition lacks, parent_id left empty: 1 (first: "
                "frame 6 at frame6)",
                "sensor texts that are not UTF-8, written as hex:<bytes>: 1 (first: sensor)"}));
  EXPECT_EQ(CsvNumber(NAN), "nan");
  EXPECT_EQ(CsvNumber(1700000000.05), "1700000000.05");
}

TEST(JointNames, LinesAndRefusals) {
  EXPECT_EQ(ParseJointNames("# id name\n0 Hips\n\n  -3 left_eye # a comment\n"),
            (std::map<int, std::string>{{0, "Hips"}, {-3, "left_eye"}}));
  for (const auto& [text, message] : std::vector<std::pair<std::string, std::string>>{
           {"hips 0\n", "line 1: 'hips' is not a bone id"},
           {"0\n", "line 1: expected a bone id and one name without blanks"},
           {"0 left eye\n", "line 1: expected a bone id and one name without blanks"},
           {"\n0 a{b}\n", "line 2: the name 'a{b}' holds a brace or a control character"},
           {"0 a\n0 b\n", "line 2: bone 0 is named twice"}}) {
    try {
      ParseJointNames(text);
      ADD_FAILURE() << "accepted " << text;
    } catch (const InputError& error) {
      EXPECT_EQ(error.what(), message);
    }
  }
}

// Two senders' documents in files: one output each, named after it; a
// failed export leaves an existing file as it was.
TEST(ExportCommand, FilesPerSenderAndNothingWrittenOnFailure) {
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("rmf_export_test_" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  std::vector<std::string> paths;
  for (const char* ip : {"10.0.0.1", "10.0.0.2"}) {
    const int id = 0;
    const float zero = 0.0F;
    const float one = 1.0F;
    int size = 0;
    unsigned char* buffer = nullptr;
    ASSERT_TRUE(ConvertFrameDataToBytes(ip, 9, 1, 0.0F, 0.0, 0, 0, 0, 0, 0, false, 1, &id, &zero,
                                        &zero, &zero, &one, &zero, &zero, &zero, &size, &buffer));
    paths.push_back((folder / (std::string(ip) + ".rmf")).string());
    WriteFileAtomically(paths.back(), Bytes(buffer, buffer + size));
  }
  ExportOptions options{paths, "csv", (folder / "out.csv").string(), std::nullopt, "", false, {}};
  std::ostringstream out;
  std::ostringstream err;
  EXPECT_EQ(RunExport(options, out, err), 1) << err.str();  // no skeleton: parent_id empty
  EXPECT_TRUE(std::filesystem::exists(folder / "out_10.0.0.1_9.csv"));
  EXPECT_TRUE(std::filesystem::exists(folder / "out_10.0.0.2_9.csv"));

  WriteFileAtomically((folder / "keep.bvh").string(), Bytes{'k'});
  options.format = "bvh";
  options.output = (folder / "keep.bvh").string();
  options.sender = "10.0.0.3:9";
  EXPECT_EQ(RunExport(options, out, err), 2);
  options.sender.reset();
  EXPECT_EQ(RunExport(options, out, err), 1);  // frames but no skeleton
  EXPECT_EQ(std::filesystem::file_size(folder / "keep.bvh"), 1U);
  EXPECT_NE(err.str().find("rmf: no sender 10.0.0.3:9 in the inputs (senders: 10.0.0.1:9, "
                           "10.0.0.2:9)\nrmf: nothing written\n"),
            std::string::npos);
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace rmf
