#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "HeldFile.h"
#include "TempFolder.h"
#include "platform/Error.h"
#include "platform/win32/Win32BinaryFiles.h"
#include "platform/win32/Win32FileSystem.h"
#include "platform/win32/Win32RunLog.h"

namespace vyn {
namespace {

using test::ReadBytes;
using test::TempFolder;
using test::WriteBytes;

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
  WriteBytes(folder / L"a.txt", "a");
  CreateDirectoryW((folder / L"sub").c_str(), nullptr);

  EXPECT_TRUE(files.FileExists(folder / L"a.txt"));
  EXPECT_FALSE(files.FileExists(folder / L"sub"));
  EXPECT_FALSE(files.FileExists(folder / L"missing.txt"));
  EXPECT_TRUE(files.FolderExists(folder / L"sub"));
  EXPECT_FALSE(files.FolderExists(folder / L"a.txt"));
  EXPECT_FALSE(files.FolderExists(folder / L"missing"));
}

TEST_F(Win32FileSystemTest, DeleteWithForceRemovesAReadOnlyFileWithoutForceAndKillRefuse) {
  WriteBytes(folder / L"ro.txt", "keep");
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
  WriteBytes(folder / L"src.txt", "new");
  WriteBytes(folder / L"dst.txt", "old");

  std::int32_t number =
      ErrorNumberOf([&] { files.MoveFile(folder / L"src.txt", folder / L"dst.txt"); });

  EXPECT_EQ(number, errors::kFileAlreadyExists);
  EXPECT_EQ(ReadBytes(folder / L"src.txt"), "new");
  EXPECT_EQ(ReadBytes(folder / L"dst.txt"), "old");
}

TEST_F(Win32FileSystemTest, MoveRenamesAndFailsIntoAMissingFolder) {
  WriteBytes(folder / L"src.txt", "data");

  std::int32_t intoMissing =
      ErrorNumberOf([&] { files.MoveFile(folder / L"src.txt", folder / L"nodir\\dst.txt"); });
  files.MoveFile(folder / L"src.txt", folder / L"dst.txt");

  EXPECT_EQ(intoMissing, errors::kPathNotFound);
  EXPECT_FALSE(files.FileExists(folder / L"src.txt"));
  EXPECT_EQ(ReadBytes(folder / L"dst.txt"), "data");
}

TEST_F(Win32FileSystemTest, ReplacePutsTheSourceOverAReadOnlyDestination) {
  WriteBytes(folder / L"src.txt", "fresh");
  WriteBytes(folder / L"dst.txt", "stale");
  MakeReadOnly(folder / L"dst.txt");

  files.ReplaceFile(folder / L"src.txt", folder / L"dst.txt");

  EXPECT_EQ(ReadBytes(folder / L"dst.txt"), "fresh");
  EXPECT_FALSE(files.FileExists(folder / L"src.txt"));
}

TEST_F(Win32FileSystemTest, FailedReplaceLeavesTheDestinationAsItWasReadOnlyIncluded) {
  WriteBytes(folder / L"dst.txt", "stale");
  MakeReadOnly(folder / L"dst.txt");

  std::int32_t number =
      ErrorNumberOf([&] { files.ReplaceFile(folder / L"missing.txt", folder / L"dst.txt"); });

  EXPECT_EQ(number, errors::kFileNotFound);
  EXPECT_EQ(ReadBytes(folder / L"dst.txt"), "stale");
  EXPECT_TRUE(IsReadOnly(folder / L"dst.txt"));
}

TEST_F(Win32FileSystemTest, ReplaceCreatesTheDestinationWhenItIsMissing) {
  WriteBytes(folder / L"src.txt", "first");

  files.ReplaceFile(folder / L"src.txt", folder / L"dst.txt");

  EXPECT_EQ(ReadBytes(folder / L"dst.txt"), "first");
}

// Scanners and indexers on Windows hold a fresh file for a moment: the delete and
// the replace wait for them. (A holder that stays: the fault matrix.)
TEST_F(Win32FileSystemTest, FilesHeldForAMomentAreWaitedFor) {
  WriteBytes(folder / L"src.txt", "fresh");
  WriteBytes(folder / L"dst.txt", "stale");
  WriteBytes(folder / L"old.zip", "old");
  {
    driver::HeldFile destination(folder.Path() / L"dst.txt"), archive(folder.Path() / L"old.zip");
    ASSERT_TRUE(destination.Held() && archive.Held());
    destination.ReleaseAfter(std::chrono::milliseconds(300));
    archive.ReleaseAfter(std::chrono::milliseconds(300));
    files.ReplaceFile(folder / L"src.txt", folder / L"dst.txt");
    Win32BinaryFiles().Kill(folder / L"old.zip");
  }
  EXPECT_EQ(ReadBytes(folder / L"dst.txt"), "fresh");
  EXPECT_FALSE(files.FileExists(folder / L"old.zip"));
}

TEST_F(Win32BinaryFilesTest, PutWritesAtOneBasedPositionsWithoutTruncating) {
  WriteBytes(folder / L"bin.dat", "0123456789");
  const std::uint8_t abc[] = {'a', 'b', 'c'};
  const std::uint8_t xy[] = {'x', 'y'};

  auto file = files.OpenForBinary(folder / L"bin.dat");
  file->Put(1, abc, 3);
  file->Put(12, xy, 2);  // one past the end: a gap of one byte
  file->Close();

  std::string content = ReadBytes(folder / L"bin.dat");
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

  EXPECT_EQ(ReadBytes(folder / L"new.dat"), "");
  EXPECT_EQ(atZero, errors::kBadRecordNumber);
  EXPECT_EQ(afterClose, errors::kBadFileNameOrNumber);
}

TEST_F(Win32BinaryFilesTest, OpenInAMissingFolderAndKillOfAMissingFileGiveTheirNumbers) {
  WriteBytes(folder / L"gone.dat", "x");

  std::int32_t open = ErrorNumberOf([&] { files.OpenForBinary(folder / L"nodir\\f.dat"); });
  files.Kill(folder / L"gone.dat");
  std::int32_t killAgain = ErrorNumberOf([&] { files.Kill(folder / L"gone.dat"); });

  EXPECT_EQ(open, errors::kPathNotFound);
  EXPECT_FALSE(std::filesystem::exists(folder / L"gone.dat"));
  EXPECT_EQ(killAgain, errors::kFileNotFound);
}

}  // namespace
}  // namespace vyn

namespace vyn {
namespace {

// The log appends stamped lines; past its bound the file becomes the previous
// one (replacing the one before), and a log it cannot write loses only the line.
TEST(Win32RunLogTest, AppendsStampedLinesAndKeepsOnePreviousFilePastItsBound) {
  test::TempFolder folder;
  const std::wstring path = (folder.Path() / L"VYNDataLoader.log").wstring();
  Win32RunLog log(path, 120);  // a line here is about 55 bytes: two fit
  for (const wchar_t* event : {L"one", L"two", L"three", L"four", L"five"}) {
    log.Write(std::wstring(L"event ") + event + L" \u00e9");
  }

  const std::string current = test::ReadBytes(path);
  const std::string previous = test::ReadBytes(log.PreviousPath());
  EXPECT_EQ(log.PreviousPath(), (folder.Path() / L"VYNDataLoader.previous.log").wstring());
  const std::string pid = "[" + std::to_string(GetCurrentProcessId()) + "]";
  EXPECT_EQ(current.substr(23), " " + pid + " event five \xc3\xa9\r\n");
  EXPECT_EQ(current[4], '-');
  EXPECT_EQ(current[19], '.');
  EXPECT_NE(previous.find("event three"), std::string::npos);
  EXPECT_NE(previous.find("event four"), std::string::npos);
  EXPECT_EQ(previous.find("event two"), std::string::npos);
  EXPECT_LE(previous.size(), 120u);

  Win32RunLog nowhere((folder.Path() / L"missing" / L"x.log").wstring(), 100);
  nowhere.Write(L"lost");
  EXPECT_FALSE(std::filesystem::exists(folder.Path() / L"missing"));
}

// Runs that write at once: each line whole, the file rotated once, nothing lost;
// and a reader that holds the file without sharing it delays the lines, no more.
TEST(Win32RunLogTest, WritersAtOnceLoseNoLineAndAReaderOnlyDelaysThem) {
  test::TempFolder folder;
  const std::wstring path = (folder.Path() / L"VYNDataLoader.log").wstring();
  constexpr int kLines = 150;
  {
    // About 1.5 files of lines (some 40 bytes each, by the process id's digits).
    Win32RunLog first(path, 8000), second(path, 8000);
    std::thread other([&] {
      for (int i = 0; i < kLines; ++i) second.Write(L"second " + std::to_wstring(i));
    });
    for (int i = 0; i < kLines; ++i) first.Write(L"first " + std::to_wstring(i));
    other.join();
  }
  const std::string all =
      test::ReadBytes(folder.Path() / L"VYNDataLoader.previous.log") + test::ReadBytes(path);
  for (const char* writer : {"first ", "second "}) {
    for (int i = 0; i < kLines; ++i) {
      const std::string line = std::string("] ") + writer + std::to_string(i) + "\r\n";
      const std::size_t at = all.find(line);
      EXPECT_NE(at, std::string::npos) << line;
      EXPECT_EQ(all.find(line, at + 1), std::string::npos) << line;
    }
  }

  Win32RunLog log(path, Win32RunLog::kBoundBytes);
  HANDLE reader = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(reader, INVALID_HANDLE_VALUE);
  log.Write(L"while held");
  CloseHandle(reader);
  log.Write(L"after");
  const std::string now = test::ReadBytes(path);
  const std::size_t held = now.find("while held");
  ASSERT_NE(held, std::string::npos);
  EXPECT_LT(held, now.find("after"));
}

}  // namespace
}  // namespace vyn
