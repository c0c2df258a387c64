#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace vyn::driver {

// A process the test started; ended by its handle when the test is done with it.
class ChildProcess {
 public:
  // Starts commandLine (the program's path first, quoted if it has blanks).
  // Throws std::runtime_error when it cannot start.
  static ChildProcess Launch(const std::wstring& commandLine,
                             const std::wstring& workingFolder = L"");
  ChildProcess(ChildProcess&& other) noexcept;
  ChildProcess& operator=(ChildProcess&&) = delete;
  ChildProcess(const ChildProcess&) = delete;
  // Terminates the process if it still runs.
  ~ChildProcess();

  DWORD Id() const { return id_; }
  HANDLE Handle() const { return process_; }
  // The exit code once it has ended within the timeout; nothing while it runs.
  std::optional<DWORD> WaitForExit(DWORD timeoutMs);
  void Terminate();

 private:
  ChildProcess(HANDLE process, DWORD id) : process_(process), id_(id) {}
  HANDLE process_;
  DWORD id_;
};

}  // namespace vyn::driver
