#include <gtest/gtest.h>

#include <cstring>
#include <new>

#include "FakeDisk.h"
#include "FakeMessageBoxes.h"
#include "Latin1Codec.h"
#include "TempFileCases.h"
#include "support/clsTempFile.h"

namespace vyn {
namespace {

// clsTempFile over the in-memory disk.
class FakeTempFileBackend {
 public:
  std::wstring FileName(const std::wstring& prefix) { return tempFile.FileName(prefix); }
  std::wstring FileName2(const std::wstring& prefix, const std::wstring& folder) {
    return tempFile.FileName2(prefix, folder);
  }
  std::wstring TempFolder() const { return L"C:\\Users\\user\\AppData\\Local\\Temp\\"; }
  std::wstring MakeFolder() {
    disk.AddFolder(L"D:\\Data");
    return L"D:\\Data";
  }
  std::wstring MissingFolder() const { return L"D:\\Missing"; }
  long long FileSize(const std::wstring& path) const {
    const auto bytes = disk.Contents(path);
    return bytes ? static_cast<long long>(bytes->size()) : -1;
  }
  void ExpectTempFolderUntouched() const { EXPECT_TRUE(disk.FilesIn(TempFolder()).empty()); }

  fakes::FakeDisk disk;
  fakes::FakeMessageBoxes boxes;
  fakes::Latin1Codec latin1;
  clsTempFile tempFile{disk, latin1, boxes};
};

}  // namespace

namespace temp_file_cases {
INSTANTIATE_TYPED_TEST_SUITE_P(Fake, TempFileCases, FakeTempFileBackend);
}

namespace {

class TempFileTest : public ::testing::Test, protected FakeTempFileBackend {};

TEST_F(TempFileTest, FailingPlatformGivesEmptyNameWithoutMessage) {
  disk.failTempFileName = true;

  EXPECT_EQ(tempFile.FileName(L"~re"), L"");
  EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(TempFileTest, TempFolderLongerThanItsBufferGivesEmptyName) {
  disk.tempFolder = "C:\\" + std::string(300, 't') + "\\";

  const std::wstring name = tempFile.FileName(L"~re");

  EXPECT_EQ(name, L"");
  EXPECT_TRUE(boxes.Shown().empty());
}

// Writes the longest name the platform may write: MAX_PATH characters with the NUL.
class LongestNameApi : public TempFileApi {
 public:
  std::uint32_t GetTempPathA(std::uint32_t bufferLength, char* buffer) override {
    if (bufferLength < 4) return 4;
    std::memcpy(buffer, "C:\\", 4);
    return 3;
  }
  std::uint32_t GetTempFileNameA(const char*, const char*, std::uint32_t, char* name) override {
    std::memset(name, 'n', 259);
    name[259] = '\0';
    return 1;
  }
  Error NameFailure() const override { return MakeError(errors::kPathFileAccess); }
};

TEST_F(TempFileTest, NameOfMaxPathLengthFitsItsBuffer) {
  LongestNameApi api;
  clsTempFile longNames(api, latin1, boxes);

  const std::wstring name = longNames.FileName(L"~re");

  EXPECT_EQ(name, std::wstring(259, L'n'));
}

// A code page whose conversion to ANSI fails, as memory running out would.
class CodecFailingForth : public fakes::Latin1Codec {
 public:
  std::string ToAnsi(std::wstring_view) const override { throw std::bad_alloc(); }
};

TEST_F(TempFileTest, FailureInsideIsShownTitledTempFileAndGivesEmptyName) {
  CodecFailingForth failing;
  clsTempFile failingTempFile(disk, failing, boxes);

  const std::wstring first = failingTempFile.FileName(L"~re");
  const std::wstring second = failingTempFile.FileName2(L"~re", L"C:\\");

  EXPECT_EQ(first, L"");
  EXPECT_EQ(second, L"");
  ASSERT_EQ(boxes.Shown().size(), 2u);
  for (const auto& shown : boxes.Shown()) {
    EXPECT_EQ(shown.text, L"Error: 7. Out of memory");
    EXPECT_EQ(shown.title, L"TempFile");
    EXPECT_EQ(shown.buttons, MessageButtons::kOk);
  }
}

}  // namespace
}  // namespace vyn
