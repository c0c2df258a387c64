#include <gtest/gtest.h>
#include <windows.h>

#include <cwctype>
#include <string>
#include <vector>

#include "FakeMessageBoxes.h"
#include "platform/win32/Win32AnsiCodec.h"
#include "platform/win32/Win32TempFiles.h"
#include "support/clsTempFile.h"

namespace vyn {
namespace {

std::wstring Lower(std::wstring text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(c));
  return text;
}

// Size of a file, or -1 when there is none.
long long FileSize(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return -1;
  if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return -1;
  return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

std::wstring FileNamePart(const std::wstring& path) {
  return path.substr(path.find_last_of(L'\\') + 1);
}

class TempFileWineTest : public ::testing::Test {
 protected:
  void TearDown() override {
    for (const auto& path : made) DeleteFileW(path.c_str());
    if (!folder.empty()) RemoveDirectoryW(folder.c_str());
  }

  std::wstring Keep(std::wstring path) {
    if (!path.empty()) made.push_back(path);
    return path;
  }

  Win32TempFiles api;
  Win32AnsiCodec ansi;
  fakes::FakeMessageBoxes boxes;
  clsTempFile tempFile{api, ansi, boxes};
  std::vector<std::wstring> made;
  std::wstring folder;
};

TEST_F(TempFileWineTest, FileNameCreatesAnEmptyFileInTheTempFolder) {
  wchar_t tempPath[MAX_PATH + 1] = {};
  ASSERT_NE(GetTempPathW(MAX_PATH + 1, tempPath), 0u);

  const std::wstring name = Keep(tempFile.FileName(L"~re"));

  ASSERT_FALSE(name.empty());
  EXPECT_EQ(Lower(name.substr(0, wcslen(tempPath))), Lower(tempPath));
  EXPECT_EQ(FileNamePart(name).substr(0, 3), L"~re");
  EXPECT_EQ(name.find(L'\\', wcslen(tempPath)), std::wstring::npos);
  EXPECT_EQ(FileSize(name), 0);
  EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(TempFileWineTest, TwoCallsGiveTwoExistingFiles) {
  const std::wstring first = Keep(tempFile.FileName(L"~re"));
  const std::wstring second = Keep(tempFile.FileName(L"~re"));

  EXPECT_NE(first, second);
  EXPECT_EQ(FileSize(first), 0);
  EXPECT_EQ(FileSize(second), 0);
}

TEST_F(TempFileWineTest, FileName2CreatesTheFileInTheGivenFolder) {
  wchar_t tempPath[MAX_PATH + 1] = {};
  ASSERT_NE(GetTempPathW(MAX_PATH + 1, tempPath), 0u);
  folder = std::wstring(tempPath) + L"vyn-support-" + std::to_wstring(GetCurrentProcessId());
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));

  const std::wstring name = Keep(tempFile.FileName2(L"~re", folder));

  EXPECT_EQ(Lower(name.substr(0, folder.size() + 4)), Lower(folder + L"\\~re"));
  EXPECT_EQ(FileSize(name), 0);
}

TEST_F(TempFileWineTest, MissingFolderGivesEmptyNameWithoutMessage) {
  const std::wstring name =
      Keep(tempFile.FileName2(L"~re", L"C:\\vyn-no-such-folder\\below\\here"));

  EXPECT_EQ(name, L"");
  EXPECT_TRUE(boxes.Shown().empty());
}

}  // namespace
}  // namespace vyn
