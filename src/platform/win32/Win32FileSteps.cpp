#include "platform/win32/Win32FileSteps.h"

#include <windows.h>

#include <functional>
#include <system_error>

#include "platform/FileErrors.h"
#include "platform/win32/Win32FileRetry.h"

namespace vyn::win32_files {

namespace {

DWORD Attributes(const std::filesystem::path& path) {
  return GetFileAttributesW(path.c_str());
}

bool Exists(const std::filesystem::path& path) {
  return Attributes(path) != INVALID_FILE_ATTRIBUTES;
}

// Clears a file's read-only mark for one step (ReadOnlyFile::kOverride) and puts it
// back unless the step succeeded.
class ReadOnlyLift {
 public:
  ReadOnlyLift(const std::filesystem::path& path, ReadOnlyFile readOnly) : path_(path) {
    if (readOnly != ReadOnlyFile::kOverride || !IsReadOnlyFile(path)) return;
    const DWORD attributes = Attributes(path);
    if (!SetFileAttributesW(path.c_str(), attributes & ~DWORD{FILE_ATTRIBUTE_READONLY})) {
      ThrowLastFileError();
    }
    restore_ = attributes;
  }
  ~ReadOnlyLift() {
    if (restore_ != 0) SetFileAttributesW(path_.c_str(), restore_);
  }
  ReadOnlyLift(const ReadOnlyLift&) = delete;
  ReadOnlyLift& operator=(const ReadOnlyLift&) = delete;
  void Done() { restore_ = 0; }

 private:
  std::filesystem::path path_;
  DWORD restore_ = 0;
};

// The steps themselves: ERROR_SUCCESS or the Windows error left after the retries.

DWORD RenameStep(const std::filesystem::path& from, const std::filesystem::path& to, DWORD flags) {
  return CallWhileRefused(from.wstring(),
                          [&] { return MoveFileExW(from.c_str(), to.c_str(), flags); });
}

DWORD DeleteStep(const std::filesystem::path& path) {
  return CallWhileRefused(path.wstring(), [&] { return DeleteFileW(path.c_str()); });
}

// Over the replaced file by a rename; no MOVEFILE_COPY_ALLOWED: a rename within one
// volume is the only move that cannot leave the destination half-written.
DWORD RenameOverStep(const std::filesystem::path& replacement,
                     const std::filesystem::path& replaced) {
  return CallWhileRefused(replaced.wstring(), [&] {
    return MoveFileExW(replacement.c_str(), replaced.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
  });
}

// ReplaceFileW, which keeps the replaced file's attributes and permissions. The old
// file is moved to `backup` on the way, so that no failure leaves it nowhere: where
// ReplaceFileW could not put the replacement in its place afterwards
// (ERROR_UNABLE_TO_MOVE_REPLACEMENT_2), the old file is moved back before the next
// try. Removed once the replacement is in place.
DWORD ReplaceKeepingStep(const std::filesystem::path& replacement,
                         const std::filesystem::path& replaced,
                         const std::filesystem::path& backup) {
  const DWORD error = CallWhileRefused(replaced.wstring(), [&] {
    if (!Exists(replaced)) {
      // A try before left the old file at the backup's name: it goes back first.
      if (Exists(backup)) {
        if (!MoveFileExW(backup.c_str(), replaced.c_str(), MOVEFILE_WRITE_THROUGH)) return FALSE;
      } else {
        // The first save: nothing to keep.
        return MoveFileExW(replacement.c_str(), replaced.c_str(),
                           MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
      }
    }
    // ReplaceFileW opens the replaced file for delete and fails when another handle
    // forbids that; Wine's leaves a temporary copy ("rf*.tmp") beside it each time.
    if (IsOpenWithoutSharing(replaced.wstring())) {
      SetLastError(ERROR_SHARING_VIOLATION);
      return FALSE;
    }
    if (ReplaceFileW(replaced.c_str(), replacement.c_str(), backup.c_str(),
                     REPLACEFILE_WRITE_THROUGH | REPLACEFILE_IGNORE_MERGE_ERRORS |
                         REPLACEFILE_IGNORE_ACL_ERRORS,
                     nullptr, nullptr)) {
      return TRUE;
    }
    const DWORD failed = GetLastError();
    if (!Exists(replaced) && Exists(backup)) {
      MoveFileExW(backup.c_str(), replaced.c_str(), MOVEFILE_WRITE_THROUGH);
    }
    SetLastError(failed);
    return FALSE;
  });
  if (error == ERROR_SUCCESS) DeleteStep(backup);
  return error;
}

std::filesystem::path BackupName(const std::filesystem::path& replaced) {
  std::filesystem::path backup = replaced;
  backup += L".replaced-" + std::to_wstring(GetCurrentProcessId());
  return backup;
}

// The components' failure: the file in use, or the C library's number from the table
// (the components' texts come from it: "rename: No such file or directory").
[[noreturn]] void FailAsSystemError(DWORD error, const std::filesystem::path& path,
                                    const char* what) {
  if (auto holders = HoldersAfter(error, path.wstring())) throw FileInUseError(path, *holders);
  throw std::system_error(file_errors::ForSystemError(error).errnoValue, std::generic_category(),
                          what);
}

// The file-system object's failure: 70 naming the file in use, or the table's number.
void FailAsError(DWORD error, const std::wstring& path) {
  if (error == ERROR_SUCCESS) return;
  if (auto holders = HoldersAfter(error, path)) {
    throw Error(errors::kPermissionDenied,
                FileInUseError(path, *holders).Sentence(L"\"" + path + L"\""));
  }
  throw file_errors::FileError(error);
}

}  // namespace

void Rename(const std::filesystem::path& from, const std::filesystem::path& to) {
  const DWORD error = RenameStep(from, to, 0);
  if (error != ERROR_SUCCESS) FailAsSystemError(error, from, "rename");
}

void Remove(const std::filesystem::path& path) {
  const DWORD error = DeleteStep(path);
  if (error == ERROR_SUCCESS || error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
    return;
  }
  FailAsSystemError(error, path, "remove");
}

void MarkHidden(const std::filesystem::path& path) {
  const DWORD attributes = Attributes(path);
  if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_HIDDEN)) {
    SetFileAttributesW(path.c_str(), attributes | FILE_ATTRIBUTE_HIDDEN);
  }
}

void Replace(const std::filesystem::path& replacement, const std::filesystem::path& replaced) {
  const DWORD attributes = Attributes(replaced);
  // Wine's ReplaceFileW moves a folder aside as if it were a file.
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    throw std::system_error(EISDIR, std::generic_category(), "replace");
  }
  if (IsReadOnlyFile(replaced)) throw ReadOnlyFileError(replaced);
  const DWORD error = ReplaceKeepingStep(replacement, replaced, BackupName(replaced));
  if (error == ERROR_SUCCESS) return;
  if (error == ERROR_ACCESS_DENIED && IsReadOnlyFile(replaced)) throw ReadOnlyFileError(replaced);
  FailAsSystemError(error, replaced, "replace");
}

void DeleteFileByName(const std::wstring& path, ReadOnlyFile readOnly) {
  ReadOnlyLift lift(path, readOnly);
  FailAsError(DeleteStep(path), path);
  lift.Done();
}

void MoveFileByName(const std::wstring& source, const std::wstring& destination) {
  FailAsError(RenameStep(source, destination, MOVEFILE_COPY_ALLOWED | MOVEFILE_WRITE_THROUGH),
              source);
}

void ReplaceFileByName(const std::wstring& source, const std::wstring& destination,
                       ReadOnlyFile readOnly) {
  ReadOnlyLift lift(destination, readOnly);
  FailAsError(RenameOverStep(source, destination), destination);
  lift.Done();
}

void ThrowLastFileError() {
  throw file_errors::FileError(GetLastError());
}

}  // namespace vyn::win32_files
