#include <gtest/gtest.h>

#include <string>
#include <system_error>
#include <vector>

#include "TempFolder.h"
#include "components/files/NativeFile.h"

namespace vyn::test {
namespace {

namespace fs = std::filesystem;

TEST(NativeFileCommitTest, ClosedFilesKeepEverythingWrittenAndCommitTogether) {
  TempFolder folder;
  std::vector<fs::path> files;
  for (int i = 0; i < 3; ++i) {
    files.push_back(folder.Path() / ("member" + std::to_string(i)));
    NativeFile out(files.back(), NativeFile::Mode::kCreate);
    std::string bytes(100000 + i, static_cast<char>('a' + i));
    out.Write(bytes.data(), bytes.size());
    out.Close();
  }

  CommitToDisk(files);

  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(ReadBytes(files[i]), std::string(100000 + i, static_cast<char>('a' + i)));
  }
}

TEST(NativeFileCommitTest, CommitOfAFileWhoseFolderIsGoneIsReported) {
  TempFolder folder;
  fs::path gone = folder.Path() / "gone" / "member";

  EXPECT_THROW(CommitToDisk({gone}), std::system_error);
}

}  // namespace
}  // namespace vyn::test
