#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "FakeMessageBoxes.h"
#include "TempFileCases.h"
#include "platform/win32/Win32AnsiCodec.h"
#include "platform/win32/Win32TempFiles.h"
#include "support/clsTempFile.h"

namespace vyn {
namespace {

// Size of a file, or -1 when there is none.
long long FileSize(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return -1;
  if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return -1;
  return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// clsTempFile over the real temporary folder; what it made goes when the test ends.
class RealTempFileBackend {
 public:
  ~RealTempFileBackend() {
    for (const auto& path : made_) DeleteFileW(path.c_str());
    if (!folder_.empty()) RemoveDirectoryW(folder_.c_str());
  }

  std::wstring FileName(const std::wstring& prefix) { return Keep(tempFile.FileName(prefix)); }
  std::wstring FileName2(const std::wstring& prefix, const std::wstring& folder) {
    return Keep(tempFile.FileName2(prefix, folder));
  }
  std::wstring TempFolder() const {
    wchar_t path[MAX_PATH + 1] = {};
    EXPECT_NE(GetTempPathW(MAX_PATH + 1, path), 0u);
    return path;
  }
  std::wstring MakeFolder() {
    folder_ = TempFolder() + L"vyn-support-" + std::to_wstring(GetCurrentProcessId());
    EXPECT_TRUE(CreateDirectoryW(folder_.c_str(), nullptr));
    return folder_;
  }
  std::wstring MissingFolder() const { return L"C:\\vyn-no-such-folder\\below\\here"; }
  long long FileSize(const std::wstring& path) const { return vyn::FileSize(path); }
  // Other programs share the real folder: nothing to compare against.
  void ExpectTempFolderUntouched() const {}

  Win32TempFiles api;
  Win32AnsiCodec ansi;
  fakes::FakeMessageBoxes boxes;
  clsTempFile tempFile{api, ansi, boxes};

 private:
  std::wstring Keep(std::wstring path) {
    if (!path.empty()) made_.push_back(path);
    return path;
  }
  std::vector<std::wstring> made_;
  std::wstring folder_;
};

}  // namespace

namespace temp_file_cases {
INSTANTIATE_TYPED_TEST_SUITE_P(Real, TempFileCases, RealTempFileBackend);
}  // namespace temp_file_cases
}  // namespace vyn
