#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "platform/Error.h"
#include "platform/win32/Win32BinaryFiles.h"
#include "platform/win32/Win32FileSystem.h"

namespace vyn {
namespace {

// A fresh folder in the temporary folder, removed with everything in it.
class TempFolder {
 public:
  TempFolder() {
    wchar_t base[MAX_PATH];
    GetTempPathW(MAX_PATH, base);
    path_ = std::wstring(base) + L"vyn-shell-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
            std::to_wstring(counter_++);
    CreateDirectoryW(path_.c_str(), nullptr);
  }
  ~TempFolder() { Remove(path_); }
  std::wstring operator/(const std::wstring& name) const { return path_ + L"\\" + name; }

 private:
  static void Remove(const std::wstring& folder) {
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
      do {
        std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        std::wstring path = folder + L"\\" + name;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
          Remove(path);
        } else {
          SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
          DeleteFileW(path.c_str());
        }
      } while (FindNextFileW(find, &found));
      FindClose(find);
    }
    RemoveDirectoryW(folder.c_str());
  }
  static inline int counter_ = 0;
  std::wstring path_;
};

void WriteText(const std::wstring& path, const std::string& text) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(file);
}

std::string ReadText(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return "<missing>";
  std::string text(1 << 16, '\0');
  DWORD read = 0;
  ReadFile(file, text.data(), static_cast<DWORD>(text.size()), &read, nullptr);
  CloseHandle(file);
  text.resize(read);
  return text;
}

void MakeReadOnly(const std::wstring& path) {
  SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY);
}

bool IsReadOnly(const std::wstring& path) {
  DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
}

// The number of the Error that action throws, or 0 when it throws none.
template <typename Action>
std::int32_t ErrorNumberOf(Action&& action) {
  try {
    action();
  } catch (const Error& error) {
    return error.Number();
  }
  return 0;
}

// Each test works in a fresh folder of its own.
template <class Files>
class InTempFolder : public ::testing::Test {
 protected:
  TempFolder folder;
  Files files;
};
using Win32FileSystemTest = InTempFolder<Win32FileSystem>;
using Win32BinaryFilesTest = InTempFolder<Win32BinaryFiles>;

TEST_F(Win32FileSystemTest, TellsFilesFromFolders) {
  ASSERT_NO_FATAL_FAILURE(WriteText(folder / L"a.txt", "a"));
  CreateDirectoryW((folder / L"sub").c_str(), nullptr);

  EXPECT_TRUE(files.FileExists(folder / L"a.txt"));
  EXPECT_FALSE(files.FileExists(folder / L"sub"));
  EXPECT_FALSE(files.FileExists(folder / L"missing.txt"));
  EXPECT_TRUE(files.FolderExists(folder / L"sub"));
  EXPECT_FALSE(files.FolderExists(folder / L"a.txt"));
  EXPECT_FALSE(files.FolderExists(folder / L"missing"));
}

TEST_F(Win32FileSystemTest, DeleteWithForceRemovesAReadOnlyFileWithoutForceAndKillRefuse) {
  ASSERT_NO_FATAL_FAILURE(WriteText(folder / L"ro.txt", "keep"));
  MakeReadOnly(folder / L"ro.txt");

  std::int32_t withoutForce = ErrorNumberOf([&] { files.DeleteFile(folder / L"ro.txt", false); });
  std::int32_t kill = ErrorNumberOf([&] { Win32BinaryFiles().Kill(folder / L"ro.txt"); });
  bool stayed = files.FileExists(folder / L"ro.txt");
  files.DeleteFile(folder / L"ro.txt", true);

  EXPECT_EQ(withoutForce, errors::kPermissionDenied);
  EXPECT_EQ(kill, errors::kPermissionDenied);  // the fake disk answers both alike
  EXPECT_TRUE(stayed);
  EXPECT_FALSE(files.FileExists(folder / L"ro.txt"));
}

TEST_F(Win32FileSystemTest, DeleteOfMissingFileOrFolderGivesTheirNumbers) {
  EXPECT_EQ(ErrorNumberOf([&] { files.DeleteFile(folder / L"none.txt", true); }),
            errors::kFileNotFound);
  EXPECT_EQ(ErrorNumberOf([&] { files.DeleteFile(folder / L"nodir\\none.txt", false); }),
            errors::kPathNotFound);
}

TEST_F(Win32FileSystemTest, MoveOntoAnExistingFileFailsWith58AndTouchesNeither) {
  ASSERT_NO_FATAL_FAILURE(WriteText(folder / L"src.txt", "new"));
  ASSERT_NO_FATAL_FAILURE(WriteText(folder / L"dst.txt", "old"));

  std::int32_t number =
      ErrorNumberOf([&] { files.MoveFile(folder / L"src.txt", folder / L"dst.txt"); });

  EXPECT_EQ(number, errors::kFileAlreadyExists);
  EXPECT_EQ(ReadText(folder / L"src.txt"), "new");
  EXPECT_EQ(ReadText(folder / L"dst.txt"), "old");
}

TEST_F(Win32FileSystemTest, MoveRenamesAndFailsIntoAMissingFolder) {
  ASSERT_NO_FATAL_FAILURE(WriteText(folder / L"src.txt", "data"));

  std::int32_t intoMissing =
      ErrorNumberOf([&] { files.MoveFile(folder / L"src.txt", folder / L"nodir\\dst.txt"); });
  files.MoveFile(folder / L"src.txt", folder / L"dst.txt");

  EXPECT_EQ(intoMissing, errors::kPathNotFound);
  EXPECT_FALSE(files.FileExists(folder / L"src.txt"));
  EXPECT_EQ(ReadText(folder / L"dst.txt"), "data");
}

TEST_F(Win32FileSystemTest, ReplacePutsTheSourceOverAReadOnlyDestination) {
  ASSERT_NO_FATAL_FAILURE(WriteText(folder / L"src.txt", "fresh"));
  ASSERT_NO_FATAL_FAILURE(WriteText(folder / L"dst.txt", "stale"));
  MakeReadOnly(folder / L"dst.txt");

  files.ReplaceFile(folder / L"src.txt", folder / L"dst.txt");

  EXPECT_EQ(ReadText(folder / L"dst.txt"), "fresh");
  EXPECT_FALSE(files.FileExists(folder / L"src.txt"));
}

TEST_F(Win32FileSystemTest, FailedReplaceLeavesTheDestinationAsItWasReadOnlyIncluded) {
  ASSERT_NO_FATAL_FAILURE(WriteText(folder / L"dst.txt", "stale"));
  MakeReadOnly(folder / L"dst.txt");

  std::int32_t number =
      ErrorNumberOf([&] { files.ReplaceFile(folder / L"missing.txt", folder / L"dst.txt"); });

  EXPECT_EQ(number, errors::kFileNotFound);
  EXPECT_EQ(ReadText(folder / L"dst.txt"), "stale");
  EXPECT_TRUE(IsReadOnly(folder / L"dst.txt"));
}

TEST_F(Win32FileSystemTest, ReplaceCreatesTheDestinationWhenItIsMissing) {
  ASSERT_NO_FATAL_FAILURE(WriteText(folder / L"src.txt", "first"));

  files.ReplaceFile(folder / L"src.txt", folder / L"dst.txt");

  EXPECT_EQ(ReadText(folder / L"dst.txt"), "first");
}

TEST_F(Win32BinaryFilesTest, PutWritesAtOneBasedPositionsWithoutTruncating) {
  ASSERT_NO_FATAL_FAILURE(WriteText(folder / L"bin.dat", "0123456789"));
  const std::uint8_t abc[] = {'a', 'b', 'c'};
  const std::uint8_t xy[] = {'x', 'y'};

  auto file = files.OpenForBinary(folder / L"bin.dat");
  file->Put(1, abc, 3);
  file->Put(12, xy, 2);  // one past the end: a gap of one byte
  file->Close();

  std::string content = ReadText(folder / L"bin.dat");
  EXPECT_EQ(content.size(), 13u);
  EXPECT_EQ(content.substr(0, 10), "abc3456789");
  EXPECT_EQ(content[10], '\0');
  EXPECT_EQ(content.substr(11), "xy");
  EXPECT_FALSE(file->IsOpen());
}

TEST_F(Win32BinaryFilesTest, OpenCreatesAMissingFileAndRejectsBadPositionsAndClosedFiles) {
  const std::uint8_t one[] = {'1'};

  auto file = files.OpenForBinary(folder / L"new.dat");
  std::int32_t atZero = ErrorNumberOf([&] { file->Put(0, one, 1); });
  file->Close();
  file->Close();  // a second close does nothing
  std::int32_t afterClose = ErrorNumberOf([&] { file->Put(1, one, 1); });

  EXPECT_EQ(ReadText(folder / L"new.dat"), "");
  EXPECT_EQ(atZero, errors::kBadRecordNumber);
  EXPECT_EQ(afterClose, errors::kBadFileNameOrNumber);
}

TEST_F(Win32BinaryFilesTest, OpenInAMissingFolderAndKillOfAMissingFileGiveTheirNumbers) {
  ASSERT_NO_FATAL_FAILURE(WriteText(folder / L"gone.dat", "x"));

  std::int32_t open = ErrorNumberOf([&] { files.OpenForBinary(folder / L"nodir\\f.dat"); });
  files.Kill(folder / L"gone.dat");
  std::int32_t killAgain = ErrorNumberOf([&] { files.Kill(folder / L"gone.dat"); });

  EXPECT_EQ(open, errors::kPathNotFound);
  EXPECT_EQ(ReadText(folder / L"gone.dat"), "<missing>");
  EXPECT_EQ(killAgain, errors::kFileNotFound);
}

}  // namespace
}  // namespace vyn
