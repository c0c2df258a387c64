#pragma once

#include <chrono>
#include <string>

#include "platform/FolderLocks.h"

namespace vyn {

// "scheduled, started by jsmith on FRONTDESK-2 at 07:00", as much as the holder
// recorded.
std::wstring HolderDescription(const LockHolder& holder);

// "another refresh (scheduled, ..., process 4711)": the holder as the log names it.
std::wstring HolderInLog(const LockHolder& holder);

// What the user reads when another refresh holds the data folder.
std::wstring DataFolderBusyText(const LockHolder& holder);

// The environment variable that sets how long a scheduled refresh waits for the
// data folder, in whole seconds (for tests); 30 minutes without it.
inline constexpr const wchar_t* kLockWaitVariable = L"VYNDATALOADER_LOCK_WAIT";
std::chrono::seconds LockWait(const std::wstring& value);

}  // namespace vyn
