#include "platform/PathText.h"

#include <gtest/gtest.h>

#include <string>

namespace vyn {
namespace {

// A folder named on its own (the program's folder, the log's, where a download
// is staged) keeps a trailing "\" only at a drive's root.
TEST(PathTextTest, FolderOfKeepsTheSeparatorOnlyAtADriveRoot) {
  EXPECT_EQ(FolderOf(L"C:\\VYNDataLoader.exe"), L"C:\\");
  EXPECT_EQ(FolderOf(L"C:\\Program Files\\Vyn\\VYNDataLoader.exe"), L"C:\\Program Files\\Vyn");
  EXPECT_EQ(FolderOf(L"\\\\server\\share\\x.exe"), L"\\\\server\\share");
  EXPECT_EQ(FolderOf(L"D:/Data/VYNData.zip"), L"D:/Data");
  EXPECT_EQ(FolderOf(L"VYNData.zip"), L".");
  EXPECT_EQ(WithoutTrailingSeparator(L"C:\\Users\\u\\AppData\\Local\\\\"),
            L"C:\\Users\\u\\AppData\\Local");
  EXPECT_EQ(WithoutTrailingSeparator(L"C:\\"), L"C:\\");
}

}  // namespace
}  // namespace vyn
