#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/FileInUse.h"

namespace vyn {

// Whether `path` is a file (not a folder) marked read-only.
bool IsReadOnlyFile(const std::wstring& path);

// Calls `call` (a Win32 file function: FALSE and GetLastError on failure) again
// while `path` is refused for what may be a moment: a sharing or lock violation, or
// "access denied" on a file that is not read-only (Windows also denies a delete of a
// read-only file; that one is final). Returns ERROR_SUCCESS or the last try's error.
DWORD CallWhileRefused(const std::wstring& path, const std::function<BOOL()>& call);

// Whether some handle to the file forbids its deletion (opened without
// FILE_SHARE_DELETE, as programs open their files): what "access denied" on a
// rename over it or a delete of it then means.
bool IsOpenWithoutSharing(const std::wstring& path);

// After the retries: the programs that hold `path` when `error` says it is held, or
// when the Restart Manager names one for an "access denied"; nullopt when `error`
// is some other failure.
std::optional<std::vector<FileHolder>> HoldersAfter(DWORD error, const std::wstring& path);

// The programs that hold `path` open, as the Restart Manager tells. Empty where it
// cannot tell: Wine's answers nothing useful, and on Windows a program of another
// user may be hidden from a standard user.
std::vector<FileHolder> ProgramsHolding(const std::wstring& path);

}  // namespace vyn
