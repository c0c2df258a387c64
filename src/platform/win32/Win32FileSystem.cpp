#include "platform/win32/Win32FileSystem.h"

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
  if (!force) {
    if (!DeleteFileW(path.c_str())) ThrowLastFileError();
    return;
  }
  ReadOnlyLift lift(path);
  if (!DeleteFileW(path.c_str())) ThrowLastFileError();
  lift.Done();
}

void Win32FileSystem::MoveFile(const std::wstring& source, const std::wstring& destination) {
  // Without MOVEFILE_REPLACE_EXISTING an existing destination fails the move.
  if (!MoveFileExW(source.c_str(), destination.c_str(),
                   MOVEFILE_COPY_ALLOWED | MOVEFILE_WRITE_THROUGH)) {
    ThrowLastFileError();
  }
}

void Win32FileSystem::ReplaceFile(const std::wstring& source, const std::wstring& destination) {
  // No MOVEFILE_COPY_ALLOWED: a rename within one volume is the only move that
  // cannot leave the destination half-written.
  ReadOnlyLift lift(destination);
  if (!MoveFileExW(source.c_str(), destination.c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    ThrowLastFileError();
  }
  lift.Done();
}

}  // namespace vyn
