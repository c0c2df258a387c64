#include <gtest/gtest.h>

#include <cstring>
#include <new>

#include "FakeDisk.h"
#include "FakeMessageBoxes.h"
#include "Latin1Codec.h"
#include "support/clsTempFile.h"

namespace vyn {
namespace {

class TempFileTest : public ::testing::Test {
 protected:
  fakes::FakeDisk disk;
  fakes::FakeMessageBoxes boxes;
  fakes::Latin1Codec latin1;
  clsTempFile tempFile{disk, latin1, boxes};
};

TEST_F(TempFileTest, FileNameCreatesAnEmptyFileInTheTempFolder) {
  const std::wstring name = tempFile.FileName(L"~re");

  const std::wstring folder = L"C:\\Users\\user\\AppData\\Local\\Temp\\";
  ASSERT_EQ(name.substr(0, folder.size()), folder);
  EXPECT_EQ(name.substr(folder.size(), 3), L"~re");
  EXPECT_EQ(name.find(L'\\', folder.size()), std::wstring::npos);
  EXPECT_EQ(disk.Contents(name), std::string());
  EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(TempFileTest, TwoCallsGiveTwoFiles) {
  const std::wstring first = tempFile.FileName(L"~re");
  const std::wstring second = tempFile.FileName(L"~re");

  EXPECT_NE(first, second);
  EXPECT_TRUE(disk.HasFile(first));
  EXPECT_TRUE(disk.HasFile(second));
}

TEST_F(TempFileTest, FileName2CreatesTheFileInTheGivenFolder) {
  disk.AddFolder(L"D:\\Data");

  const std::wstring name = tempFile.FileName2(L"~re", L"D:\\Data");

  EXPECT_EQ(name.substr(0, 11), L"D:\\Data\\~re");
  EXPECT_TRUE(disk.HasFile(name));
  EXPECT_TRUE(disk.FilesIn(L"C:\\Users\\user\\AppData\\Local\\Temp").empty());
}

TEST_F(TempFileTest, PlatformFailureGivesEmptyNameWithoutMessage) {
  const std::wstring missingFolder = tempFile.FileName2(L"~re", L"D:\\Missing");
  disk.failTempFileName = true;
  const std::wstring failed = tempFile.FileName(L"~re");

  EXPECT_EQ(missingFolder, L"");
  EXPECT_EQ(failed, L"");
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

class FailingCodec : public fakes::Latin1Codec {
 public:
  std::string ToAnsi(std::wstring_view) const override { throw std::bad_alloc(); }
};

TEST_F(TempFileTest, FailureInsideIsShownTitledTempFileAndGivesEmptyName) {
  FailingCodec failing;
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
