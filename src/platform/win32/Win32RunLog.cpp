#include "platform/win32/Win32RunLog.h"

#include <windows.h>

#include <knownfolders.h>
#include <shlobj.h>

#include "platform/FileErrors.h"
#include "platform/PathText.h"
#include "platform/TransientRetry.h"
#include "platform/win32/Win32Environment.h"
#include "platform/win32/Win32Handle.h"

namespace vyn {
namespace {

LogTime Now() {
  SYSTEMTIME local{};
  GetLocalTime(&local);
  return {local.wYear,   local.wMonth,  local.wDay,         local.wHour,
          local.wMinute, local.wSecond, local.wMilliseconds};
}

// The pause between tries of a log file that another run holds.
constexpr std::chrono::milliseconds kFlushPause{20};

// Lines kept while the file is refused, at most; older ones give way.
constexpr std::size_t kMostPendingBytes = 64 * 1024;

// The log opened as its only writer: another run's open for writing fails while
// this one is open, and so does this one while a reader holds the file without
// sharing it. Readers that share writing (most editors) may keep it open. Sharing
// deletion lets this writer rename the full file while it holds it.
HANDLE OpenAsOnlyWriter(const std::wstring& path) {
  return CreateFileW(path.c_str(), FILE_APPEND_DATA | FILE_READ_ATTRIBUTES,
                     FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

std::uint64_t SizeOf(const Win32Handle& file) {
  LARGE_INTEGER size{};
  return GetFileSizeEx(file.Get(), &size) ? static_cast<std::uint64_t>(size.QuadPart) : 0;
}

}  // namespace

std::wstring LocalAppDataFolder() {
  Win32Environment environment;
  std::wstring folder = environment.Variable(L"LOCALAPPDATA");
  if (folder.empty()) {
    PWSTR known = nullptr;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, &known))) folder = known;
    CoTaskMemFree(known);
  }
  return WithoutTrailingSeparator(folder);
}

Win32RunLog::Win32RunLog() : bound_(kBoundBytes) {
  try {
    std::wstring folder = LocalAppDataFolder();
    if (folder.empty()) return;
    folder += L"\\VYNDataLoader";
    CreateDirectoryW(folder.c_str(), nullptr);  // usually there already
    path_ = folder + L"\\VYNDataLoader.log";
  } catch (...) {
    path_.clear();
  }
}

Win32RunLog::Win32RunLog(std::wstring path, std::uint64_t boundBytes)
    : path_(std::move(path)), bound_(boundBytes) {}

std::wstring Win32RunLog::PreviousPath() const {
  std::wstring base = path_.substr(0, path_.rfind(L'.'));
  return base + L".previous.log";
}

Win32RunLog::~Win32RunLog() {
  if (!pending_.empty()) Flush(std::chrono::seconds(2));  // for the run's last lines
}

void Win32RunLog::Write(const std::wstring& event) noexcept {
  if (path_.empty()) return;
  try {
    pending_ += RunLogLine(Now(), GetCurrentProcessId(), event);
    // After a refusal that outlasted the retry, one try a line until the file is
    // free again: a log never slows the program down for long.
    refused_ = !Flush(refused_ ? std::chrono::milliseconds(0) : std::chrono::milliseconds(200));
    if (!refused_) return;
    // Refused past a brief retry: kept for the next write, the oldest lines going first.
    if (pending_.size() > kMostPendingBytes) {
      const std::size_t cut = pending_.find('\n', pending_.size() - kMostPendingBytes);
      pending_.erase(0, cut == std::string::npos ? pending_.size() : cut + 1);
    }
  } catch (...) {
    // Out of memory while formatting: the line is lost, nothing else.
  }
}

bool Win32RunLog::Flush(std::chrono::milliseconds budget) noexcept {
  bool done = false;
  try {
    RetryBriefly(
        [this, &done] {
          Win32Handle file(OpenAsOnlyWriter(path_));
          if (!file) {
            // Another run writes, or a reader holds the file: a moment.
            if (file_errors::IsHeld(GetLastError())) return StepOutcome::kRefused;
            pending_.clear();  // no folder, no rights: the lines are lost, nothing else
            done = true;
            return StepOutcome::kFailed;
          }
          const std::uint64_t size = SizeOf(file);
          // Only the run that holds the file rotates it; the others wait for it above. A
          // previous file that cannot be replaced leaves this one growing a little longer.
          if (size != 0 && size + pending_.size() > bound_ &&
              MoveFileExW(path_.c_str(), PreviousPath().c_str(), MOVEFILE_REPLACE_EXISTING)) {
            file.Reset(OpenAsOnlyWriter(path_));
            if (!file) return StepOutcome::kRefused;
          }
          DWORD written = 0;
          if (WriteFile(file.Get(), pending_.data(), static_cast<DWORD>(pending_.size()), &written,
                        nullptr)) {
            pending_.erase(0, written);
          }
          done = pending_.empty();
          return StepOutcome::kDone;
        },
        budget, kFlushPause);
  } catch (...) {
    // Out of memory: the lines stay for the next write.
  }
  return done;
}

}  // namespace vyn
