#pragma once
// The temporary file names that hold on any disk, written once and run over the
// in-memory disk by the unit tests and over the real one by the Wine tests.
// Include in one source file per test program, then instantiate with a backend
// that has FileName(prefix), FileName2(prefix, folder) (both through
// clsTempFile), TempFolder() (with its backslash), MakeFolder(), MissingFolder(),
// FileSize(path) (-1 when there is none), ExpectTempFolderUntouched() and boxes.
#include <gtest/gtest.h>

#include <cwctype>
#include <string>

namespace vyn {
namespace temp_file_cases {

inline std::wstring Lower(std::wstring text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(c));
  return text;
}

template <class Backend>
class TempFileCases : public ::testing::Test, protected Backend {};

TYPED_TEST_SUITE_P(TempFileCases);

TYPED_TEST_P(TempFileCases, FileNameCreatesAnEmptyFileInTheTempFolder) {
  const std::wstring folder = this->TempFolder();

  const std::wstring name = this->FileName(L"~re");

  ASSERT_EQ(Lower(name.substr(0, folder.size())), Lower(folder));
  EXPECT_EQ(name.substr(folder.size(), 3), L"~re");
  EXPECT_EQ(name.find(L'\\', folder.size()), std::wstring::npos);
  EXPECT_EQ(this->FileSize(name), 0);
  EXPECT_TRUE(this->boxes.Shown().empty());
}

TYPED_TEST_P(TempFileCases, TwoCallsGiveTwoFiles) {
  const std::wstring first = this->FileName(L"~re");
  const std::wstring second = this->FileName(L"~re");

  EXPECT_NE(first, second);
  EXPECT_EQ(this->FileSize(first), 0);
  EXPECT_EQ(this->FileSize(second), 0);
}

TYPED_TEST_P(TempFileCases, FileName2CreatesTheFileInTheGivenFolder) {
  const std::wstring folder = this->MakeFolder();

  const std::wstring name = this->FileName2(L"~re", folder);

  EXPECT_EQ(Lower(name.substr(0, folder.size() + 4)), Lower(folder + L"\\~re"));
  EXPECT_EQ(this->FileSize(name), 0);
  this->ExpectTempFolderUntouched();
}

TYPED_TEST_P(TempFileCases, MissingFolderGivesEmptyNameWithoutMessage) {
  EXPECT_EQ(this->FileName2(L"~re", this->MissingFolder()), L"");
  EXPECT_TRUE(this->boxes.Shown().empty());
}

REGISTER_TYPED_TEST_SUITE_P(TempFileCases, FileNameCreatesAnEmptyFileInTheTempFolder,
                            TwoCallsGiveTwoFiles, FileName2CreatesTheFileInTheGivenFolder,
                            MissingFolderGivesEmptyNameWithoutMessage);

}  // namespace temp_file_cases
}  // namespace vyn
