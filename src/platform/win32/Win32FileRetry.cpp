#include "platform/win32/Win32FileRetry.h"

#include "platform/FileErrors.h"
#include "platform/TransientRetry.h"
#include "platform/win32/Win32Handle.h"

namespace vyn {

using file_errors::IsHeld;

bool IsReadOnlyFile(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) &&
         !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

DWORD CallWhileRefused(const std::wstring& path, const std::function<BOOL()>& call) {
  DWORD error = ERROR_SUCCESS;
  RetryWhileRefused([&] {
    if (call()) {
      error = ERROR_SUCCESS;
      return StepOutcome::kDone;
    }
    error = GetLastError();
    const bool refused = IsHeld(error) || (error == ERROR_ACCESS_DENIED && !IsReadOnlyFile(path));
    return refused ? StepOutcome::kRefused : StepOutcome::kFailed;
  });
  return error;
}

bool IsOpenWithoutSharing(const std::wstring& path) {
  const Win32Handle handle(
      CreateFileW(path.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  return !handle && GetLastError() == ERROR_SHARING_VIOLATION;
}

std::optional<std::vector<FileHolder>> HoldersAfter(DWORD error, const std::wstring& path) {
  if (IsHeld(error)) return ProgramsHolding(path);
  // "Access denied" is what a rename over a file that another program holds gives,
  // but also what a folder without write permission gives: only a holder named,
  // or a handle that forbids the delete, makes it a file in use.
  if (error == ERROR_ACCESS_DENIED && !IsReadOnlyFile(path)) {
    std::vector<FileHolder> holders = ProgramsHolding(path);
    if (!holders.empty() || IsOpenWithoutSharing(path)) return holders;
  }
  return std::nullopt;
}

}  // namespace vyn
