#include "HeldFile.h"

namespace vyn::driver {

HeldFile::HeldFile(const std::filesystem::path& path, DWORD share)
    : handle_(CreateFileW(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr)) {}

HeldFile::~HeldFile() {
  if (releaser_.joinable()) releaser_.join();
  Release();
}

void HeldFile::Release() {
  const HANDLE handle = handle_.exchange(INVALID_HANDLE_VALUE);
  if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
}

void HeldFile::ReleaseAfter(std::chrono::milliseconds delay) {
  releaser_ = std::thread([this, delay] {
    std::this_thread::sleep_for(delay);
    Release();
  });
}

}  // namespace vyn::driver
