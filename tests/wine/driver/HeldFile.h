#pragma once

#include <windows.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

namespace vyn::driver {

// A file held open without any sharing, as another program might hold it (Wine
// honours share modes: everyone else's open, rename or delete of it fails with a
// sharing violation), or sharing only `share` (FILE_SHARE_READ: a scanner that
// lets others read). Let go when destroyed, or earlier.
class HeldFile {
 public:
  explicit HeldFile(const std::filesystem::path& path, DWORD share = 0);
  ~HeldFile();
  HeldFile(const HeldFile&) = delete;
  HeldFile& operator=(const HeldFile&) = delete;

  bool Held() const { return handle_.load() != INVALID_HANDLE_VALUE; }
  void Release();
  // Lets go `delay` from now, on a thread of its own.
  void ReleaseAfter(std::chrono::milliseconds delay);

 private:
  std::atomic<HANDLE> handle_;
  std::thread releaser_;
};

}  // namespace vyn::driver
