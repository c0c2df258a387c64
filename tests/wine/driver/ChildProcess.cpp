#include "ChildProcess.h"

#include <stdexcept>

namespace vyn::driver {

ChildProcess ChildProcess::Launch(const std::wstring& commandLine,
                                  const std::wstring& workingFolder) {
  std::wstring mutableLine = commandLine;  // CreateProcessW may write into it
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(nullptr, mutableLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      workingFolder.empty() ? nullptr : workingFolder.c_str(), &startup, &info)) {
    throw std::runtime_error("CreateProcessW failed: " + std::to_string(GetLastError()));
  }
  CloseHandle(info.hThread);
  return ChildProcess(info.hProcess, info.dwProcessId);
}

ChildProcess::ChildProcess(ChildProcess&& other) noexcept
    : process_(other.process_), id_(other.id_) {
  other.process_ = nullptr;
}

ChildProcess::~ChildProcess() {
  if (process_ == nullptr) return;
  Terminate();
  CloseHandle(process_);
}

std::optional<DWORD> ChildProcess::WaitForExit(DWORD timeoutMs) {
  if (WaitForSingleObject(process_, timeoutMs) != WAIT_OBJECT_0) return std::nullopt;
  DWORD code = 0;
  GetExitCodeProcess(process_, &code);
  return code;
}

void ChildProcess::Terminate() {
  if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
    TerminateProcess(process_, 99);
    WaitForSingleObject(process_, 5000);
  }
}

}  // namespace vyn::driver
