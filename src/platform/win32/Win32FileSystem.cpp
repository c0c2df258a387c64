#include "platform/win32/Win32FileSystem.h"

#include <functional>

#include "platform/win32/Win32FileRetry.h"
#include "platform/win32/Win32FileSystemErrors.h"

namespace vyn {
namespace {

// Clears a file's read-only attribute for one operation and puts it back unless
// the operation succeeded.
class ReadOnlyLift {
 public:
  explicit ReadOnlyLift(const std::wstring& path) : path_(path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) &&
        !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
      if (!SetFileAttributesW(path.c_str(), attributes & ~DWORD{FILE_ATTRIBUTE_READONLY})) {
        ThrowLastFileError();
      }
      restore_ = attributes;
    }
  }
  ~ReadOnlyLift() {
    if (restore_ != 0) SetFileAttributesW(path_.c_str(), restore_);
  }
  ReadOnlyLift(const ReadOnlyLift&) = delete;
  ReadOnlyLift& operator=(const ReadOnlyLift&) = delete;
  void Done() { restore_ = 0; }

 private:
  std::wstring path_;
  DWORD restore_ = 0;
};

DWORD Attributes(const std::wstring& path) {
  return GetFileAttributesW(path.c_str());
}

// Runs a file call, again while `path` is refused for a moment. A failure is thrown
// as the program numbers it; a file that another program still holds as 70, naming
// the file and, where Windows tells, the program.
void CallWithRetries(const std::wstring& path, const std::function<BOOL()>& call) {
  const DWORD error = CallWhileRefused(path, call);
  if (error == ERROR_SUCCESS) return;
  if (auto holders = HoldersAfter(error, path)) {
    throw Error(errors::kPermissionDenied,
                FileInUseError(path, *holders).Sentence(L"\"" + path + L"\""));
  }
  throw FileErrorFromWin32(error);
}

}  // namespace

bool Win32FileSystem::FileExists(const std::wstring& path) {
  DWORD attributes = Attributes(path);
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool Win32FileSystem::FolderExists(const std::wstring& path) {
  DWORD attributes = Attributes(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void Win32FileSystem::DeleteFile(const std::wstring& path, bool force) {
  DeleteFileByName(path, force);
}

void DeleteFileByName(const std::wstring& path, bool force) {
  const auto deleteFile = [&] { return DeleteFileW(path.c_str()); };
  if (!force) {
    CallWithRetries(path, deleteFile);
    return;
  }
  ReadOnlyLift lift(path);
  CallWithRetries(path, deleteFile);
  lift.Done();
}

void Win32FileSystem::MoveFile(const std::wstring& source, const std::wstring& destination) {
  // Without MOVEFILE_REPLACE_EXISTING an existing destination fails the move.
  CallWithRetries(source, [&] {
    return MoveFileExW(source.c_str(), destination.c_str(),
                       MOVEFILE_COPY_ALLOWED | MOVEFILE_WRITE_THROUGH);
  });
}

void Win32FileSystem::ReplaceFile(const std::wstring& source, const std::wstring& destination) {
  // No MOVEFILE_COPY_ALLOWED: a rename within one volume is the only move that
  // cannot leave the destination half-written.
  // The destination is the file another program may hold.
  ReadOnlyLift lift(destination);
  CallWithRetries(destination, [&] {
    return MoveFileExW(source.c_str(), destination.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
  });
  lift.Done();
}

}  // namespace vyn
