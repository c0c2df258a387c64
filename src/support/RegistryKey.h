#pragma once

#include "platform/RegistryApi.h"

namespace vyn {

// One open key handle, closed when the holder goes, on every path out of a call.
class RegistryKey {
 public:
  explicit RegistryKey(RegistryApi& api) : api_(api) {}
  ~RegistryKey() {
    if (open_) api_.RegCloseKey(handle_);
  }
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;

  // Out-parameter for the open or create call; call Opened() once it succeeded.
  RegistryHandle* Receive() { return &handle_; }
  void Opened() { open_ = true; }

  bool IsOpen() const { return open_; }
  RegistryHandle Handle() const { return handle_; }

 private:
  RegistryApi& api_;
  RegistryHandle handle_ = 0;
  bool open_ = false;
};

}  // namespace vyn
