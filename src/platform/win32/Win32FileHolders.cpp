// The Restart Manager, asked which programs hold a file open.
#include <windows.h>

#include <restartmanager.h>

#include "platform/PathText.h"
#include "platform/win32/Win32FileRetry.h"
#include "platform/win32/Win32Handle.h"

namespace vyn {

namespace {

class RestartManagerSession {
 public:
  RestartManagerSession() {
    WCHAR key[CCH_RM_SESSION_KEY + 1] = {};
    started_ = RmStartSession(&handle_, 0, key) == ERROR_SUCCESS;
  }
  ~RestartManagerSession() {
    if (started_) RmEndSession(handle_);
  }
  RestartManagerSession(const RestartManagerSession&) = delete;
  RestartManagerSession& operator=(const RestartManagerSession&) = delete;

  bool Started() const { return started_; }
  DWORD Handle() const { return handle_; }

 private:
  DWORD handle_ = 0;
  bool started_ = false;
};

// The name of the program's file ("VYN Veltrix.exe"), if it is still the process
// the Restart Manager saw: a process id may have been given to another since.
std::wstring ProgramFile(const RM_UNIQUE_PROCESS& process) {
  const Win32Handle handle(
      OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process.dwProcessId));
  if (!handle) return L"";
  std::wstring program;
  FILETIME created{}, exited{}, kernel{}, user{};
  WCHAR image[MAX_PATH * 4] = {};
  DWORD length = static_cast<DWORD>(sizeof image / sizeof image[0]);
  if (GetProcessTimes(handle.Get(), &created, &exited, &kernel, &user) &&
      CompareFileTime(&created, &process.ProcessStartTime) == 0 &&
      QueryFullProcessImageNameW(handle.Get(), 0, image, &length)) {
    program = NamePart(std::wstring_view(image, length));
  }
  return program;
}

}  // namespace

std::vector<FileHolder> ProgramsHolding(const std::wstring& path) {
  RestartManagerSession session;
  if (!session.Started()) return {};
  LPCWSTR files[] = {path.c_str()};
  if (RmRegisterResources(session.Handle(), 1, files, 0, nullptr, 0, nullptr) != ERROR_SUCCESS) {
    return {};
  }
  // The list may grow between asking its size and fetching it.
  std::vector<RM_PROCESS_INFO> found;
  UINT needed = 0;
  DWORD result = ERROR_MORE_DATA;
  for (int attempt = 0; attempt < 3 && result == ERROR_MORE_DATA; ++attempt) {
    found.resize(needed);
    UINT count = needed;
    DWORD reasons = 0;
    result = RmGetList(session.Handle(), &needed, &count, found.data(), &reasons);
    if (result == ERROR_SUCCESS) found.resize(count);
  }
  if (result != ERROR_SUCCESS) return {};
  std::vector<FileHolder> holders;
  for (const RM_PROCESS_INFO& info : found) {
    if (info.Process.dwProcessId == GetCurrentProcessId()) continue;
    holders.push_back(FileHolder{info.strAppName, ProgramFile(info.Process)});
  }
  return holders;
}

}  // namespace vyn
