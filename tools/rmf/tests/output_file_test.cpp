#include "rmf/output/output_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace rmf {
namespace {

namespace fs = std::filesystem;

TEST(ReplacingFile, LeavesTheFileAsItWasUntilCommittedAndKeepsItsModeAndLinks) {
  const fs::path folder = fs::temp_directory_path() / ("rmf_output_" + std::to_string(getpid()));
  fs::remove_all(folder);
  fs::create_directory(folder);
  const std::string target = (folder / "document.rmf").string();
  WriteFileAtomically(target, {1, 2, 3});
  fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  {
    const ReplacingFile file(target);
    EXPECT_EQ(fs::path(file.TemporaryPath()).parent_path(), folder);
    std::ofstream(file.TemporaryPath()) << "half written";
  }  // not committed: as if the writer had failed
  EXPECT_EQ(ReadInput(target), (Bytes{1, 2, 3}));
  EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);

  // Through a link: the file it points to is replaced, the link stays.
  const fs::path link = folder / "link.rmf";
  fs::create_symlink(target, link);
  WriteFileAtomically(link.string(), {4});
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(ReadInput(target), Bytes{4});
  EXPECT_EQ(fs::status(target).permissions(),
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  EXPECT_THROW(WriteFileAtomically((folder / "missing" / "x.rmf").string(), {}), InputError);
  fs::remove_all(folder);
}

}  // namespace
}  // namespace rmf
