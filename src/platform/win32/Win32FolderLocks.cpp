#include "platform/win32/Win32FolderLocks.h"

#include <windows.h>

#include <lmcons.h>

#include <cstdio>
#include <string>

#include "platform/FileErrors.h"
#include "platform/StagingNames.h"
#include "platform/TransientRetry.h"
#include "platform/Utf8.h"
#include "platform/win32/Win32Handle.h"

namespace vyn {
namespace {

// A lock file whose holder ended a moment ago is still being deleted; Windows
// refuses to open it meanwhile ("access denied"). Tried again for so long.
constexpr std::chrono::milliseconds kPendingDeleteWait{475};
constexpr std::chrono::milliseconds kPendingDeletePause{25};
constexpr DWORD kMostRecordBytes = 4096;

class Win32Lock : public FolderLocks::Lock {
 public:
  explicit Win32Lock(HANDLE file) : file_(file) {}

 private:
  Win32Handle file_;
};

std::wstring UserName() {
  wchar_t name[UNLEN + 1] = {};
  DWORD length = UNLEN + 1;
  return GetUserNameW(name, &length) ? std::wstring(name) : std::wstring();
}

std::wstring ComputerName() {
  wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD length = MAX_COMPUTERNAME_LENGTH + 1;
  return GetComputerNameW(name, &length) ? std::wstring(name) : std::wstring();
}

std::wstring LocalHoursAndMinutes() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  wchar_t text[8];
  std::swprintf(text, 8, L"%02u:%02u", static_cast<unsigned>(now.wHour),
                static_cast<unsigned>(now.wMinute));
  return text;
}

std::string Record(bool scheduled) {
  return EncodeUtf8(L"user=" + UserName() + L"\r\ncomputer=" + ComputerName() + L"\r\nprocess=" +
                    std::to_wstring(GetCurrentProcessId()) + L"\r\nstarted=" +
                    LocalHoursAndMinutes() + L"\r\nrun=" +
                    (scheduled ? L"scheduled" : L"interactive") + L"\r\n");
}

LockHolder ParseRecord(const std::string& bytes) {
  LockHolder holder;
  const std::wstring text = DecodeUtf8Leniently(bytes);
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t end = text.find(L'\n', at);
    if (end == std::wstring::npos) end = text.size();
    std::wstring line = text.substr(at, end - at);
    if (!line.empty() && line.back() == L'\r') line.pop_back();
    at = end + 1;
    const std::size_t equals = line.find(L'=');
    if (equals == std::wstring::npos) continue;
    const std::wstring key = line.substr(0, equals);
    const std::wstring value = line.substr(equals + 1);
    if (key == L"user") holder.user = value;
    if (key == L"computer") holder.computer = value;
    if (key == L"process") holder.processId = value;
    if (key == L"started") holder.started = value;
    if (key == L"run") holder.scheduled = value == L"scheduled";
  }
  return holder;
}

// The holder's record, read beside its lock: reading shares everything the holder
// may do with the file.
LockHolder ReadHolder(const std::wstring& path) {
  const Win32Handle file(CreateFileW(path.c_str(), GENERIC_READ,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return {};
  std::string bytes(kMostRecordBytes, '\0');
  DWORD read = 0;
  if (!ReadFile(file.Get(), bytes.data(), kMostRecordBytes, &read, nullptr)) return {};
  bytes.resize(read);
  return ParseRecord(bytes);
}

}  // namespace

FolderLocks::Attempt Win32FolderLocks::TryLock(const std::wstring& folder,
                                               bool scheduled) noexcept {
  Attempt attempt;
  try {
    const std::wstring path = folder + std::wstring(staging_names::kFolderLock);
    const StepOutcome outcome = RetryBriefly(
        [&] {
          HANDLE file = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE,
                                    FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                    FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
          if (file != INVALID_HANDLE_VALUE) {
            auto lock = std::make_unique<Win32Lock>(file);
            const std::string record = Record(scheduled);
            DWORD written = 0;
            SetFilePointer(file, 0, nullptr, FILE_BEGIN);
            SetEndOfFile(file);
            WriteFile(file, record.data(), static_cast<DWORD>(record.size()), &written, nullptr);
            attempt.outcome = Outcome::kTaken;
            attempt.lock = std::move(lock);
            return StepOutcome::kDone;
          }
          const DWORD error = GetLastError();
          if (file_errors::IsHeld(error)) {
            attempt.outcome = Outcome::kHeld;
            attempt.holder = ReadHolder(path);
            return StepOutcome::kDone;
          }
          // "Access denied" on a lock file that is there is its holder's delete still
          // pending; without one, it is a folder this user may not write: no lock, at once.
          const bool pending = error == ERROR_ACCESS_DENIED &&
                               GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
          return pending ? StepOutcome::kRefused : StepOutcome::kFailed;
        },
        kPendingDeleteWait, kPendingDeletePause);
    if (outcome == StepOutcome::kDone) return attempt;
  } catch (...) {
    // Out of memory: no lock, and the refresh reports its own failures.
  }
  attempt = Attempt{};
  attempt.outcome = Outcome::kUnavailable;
  return attempt;
}

}  // namespace vyn
