#pragma once

#include <windows.h>

namespace vyn {

// Owns one kernel handle (file, event, thread, process) and closes it once.
// Windows' two "no handle" values, null and INVALID_HANDLE_VALUE, hold nothing.
class Win32Handle {
 public:
  explicit Win32Handle(HANDLE handle = nullptr) : handle_(handle) {}
  ~Win32Handle() { Reset(nullptr); }
  Win32Handle(const Win32Handle&) = delete;
  Win32Handle& operator=(const Win32Handle&) = delete;

  HANDLE Get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
  void Reset(HANDLE handle) {
    if (*this) CloseHandle(handle_);
    handle_ = handle;
  }

 private:
  HANDLE handle_;
};

}  // namespace vyn
