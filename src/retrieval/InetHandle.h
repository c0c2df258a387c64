#pragma once

#include <utility>

#include "platform/WinInetApi.h"

namespace vyn {

// Owns one WinInet handle: closed once, by Close() or on destruction.
class InetHandle {
 public:
  explicit InetHandle(WinInetApi& api) : api_(&api) {}
  InetHandle(WinInetApi& api, InternetHandle handle) : api_(&api), handle_(handle) {}
  InetHandle(const InetHandle&) = delete;
  InetHandle& operator=(const InetHandle&) = delete;
  InetHandle(InetHandle&& other) noexcept
      : api_(other.api_), handle_(std::exchange(other.handle_, 0)) {}
  InetHandle& operator=(InetHandle&& other) noexcept {
    if (this != &other) {
      Close();
      api_ = other.api_;
      handle_ = std::exchange(other.handle_, 0);
    }
    return *this;
  }
  ~InetHandle() { Close(); }

  InternetHandle Get() const { return handle_; }
  explicit operator bool() const { return handle_ != 0; }

  // The result of closing is not examined; the handle is forgotten either way.
  void Close() noexcept {
    InternetHandle handle = std::exchange(handle_, 0);
    if (handle == 0) return;
    try {
      api_->InternetCloseHandle(handle);
    } catch (...) {
    }
  }

 private:
  WinInetApi* api_;
  InternetHandle handle_ = 0;
};

}  // namespace vyn
