#include "platform/win32/Win32FileSteps.h"

#include <windows.h>

#include <cerrno>
#include <system_error>

#include "platform/win32/Win32FileRetry.h"

namespace vyn::win32_files {

namespace {

// The C library's numbers for the Win32 failures these steps meet, so that the
// failures read as before (the components' texts come from them).
int ErrnoFor(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT:
      return EACCES;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return EEXIST;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return ENOSPC;
    case ERROR_NOT_SAME_DEVICE:
      return EXDEV;
    case ERROR_FILENAME_EXCED_RANGE:
      return ENAMETOOLONG;
    default:
      return EIO;
  }
}

[[noreturn]] void Fail(DWORD error, const std::filesystem::path& path, const char* what) {
  if (auto holders = HoldersAfter(error, path.wstring())) throw FileInUseError(path, *holders);
  throw std::system_error(ErrnoFor(error), std::generic_category(), what);
}

bool Exists(const std::filesystem::path& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace

void Rename(const std::filesystem::path& from, const std::filesystem::path& to) {
  const DWORD error =
      CallWhileRefused(from.wstring(), [&] { return MoveFileExW(from.c_str(), to.c_str(), 0); });
  if (error != ERROR_SUCCESS) Fail(error, from, "rename");
}

void Remove(const std::filesystem::path& path) {
  const DWORD error = CallWhileRefused(path.wstring(), [&] { return DeleteFileW(path.c_str()); });
  if (error == ERROR_SUCCESS || error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
    return;
  }
  Fail(error, path, "remove");
}

void Replace(const std::filesystem::path& replacement, const std::filesystem::path& replaced) {
  const DWORD attributes = GetFileAttributesW(replaced.c_str());
  // Wine's ReplaceFileW moves a folder aside as if it were a file.
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    throw std::system_error(EISDIR, std::generic_category(), "replace");
  }
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
    throw ReadOnlyFileError(replaced);
  }
  const DWORD error = CallWhileRefused(replaced.wstring(), [&] {
    // The first save; or a failed ReplaceFileW moved the replaced file away already
    // (ERROR_UNABLE_TO_MOVE_REPLACEMENT) and this try puts the replacement in its place.
    if (!Exists(replaced)) {
      return MoveFileExW(replacement.c_str(), replaced.c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    }
    // ReplaceFileW opens the replaced file for delete and fails when another handle
    // forbids that; Wine's leaves a temporary copy ("rf*.tmp") beside it each time.
    if (IsOpenWithoutSharing(replaced.wstring())) {
      SetLastError(ERROR_SHARING_VIOLATION);
      return FALSE;
    }
    return ReplaceFileW(
        replaced.c_str(), replacement.c_str(), nullptr,
        REPLACEFILE_WRITE_THROUGH | REPLACEFILE_IGNORE_MERGE_ERRORS | REPLACEFILE_IGNORE_ACL_ERRORS,
        nullptr, nullptr);
  });
  if (error == ERROR_SUCCESS) return;
  if (error == ERROR_ACCESS_DENIED && Exists(replaced) &&
      (GetFileAttributesW(replaced.c_str()) & FILE_ATTRIBUTE_READONLY)) {
    throw ReadOnlyFileError(replaced);
  }
  Fail(error, replaced, "replace");
}

}  // namespace vyn::win32_files
