#include "platform/win32/Win32RunLog.h"

#include <windows.h>

#include <knownfolders.h>
#include <shlobj.h>

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

// Size of the file, 0 when it does not exist.
std::uint64_t FileSize(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return 0;
  return (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
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
  while (folder.size() > 3 && folder.back() == L'\\') folder.pop_back();
  return folder;
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

void Win32RunLog::Write(const std::wstring& event) noexcept {
  if (path_.empty()) return;
  try {
    std::string line = RunLogLine(Now(), event);
    if (FileSize(path_) + line.size() > bound_) {
      // Another run may have moved it a moment ago; then this one starts afresh.
      MoveFileExW(path_.c_str(), PreviousPath().c_str(), MOVEFILE_REPLACE_EXISTING);
    }
    // Append-only access: lines of two runs at the same moment do not overwrite
    // each other, and a reader (support's editor) may keep the file open.
    const Win32Handle file(CreateFileW(path_.c_str(), FILE_APPEND_DATA,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return;
    DWORD written = 0;
    WriteFile(file.Get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  } catch (...) {
    // Out of memory while formatting: the line is lost, nothing else.
  }
}

}  // namespace vyn
