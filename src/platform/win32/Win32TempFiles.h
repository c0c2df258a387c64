#pragma once

#include "platform/TempFileApi.h"

namespace vyn {

// GetTempPathA and GetTempFileNameA (kernel32).
class Win32TempFiles : public TempFileApi {
 public:
  std::uint32_t GetTempPathA(std::uint32_t bufferLength, char* buffer) override;
  std::uint32_t GetTempFileNameA(const char* pathName, const char* prefix, std::uint32_t unique,
                                 char* tempFileName) override;
  Error NameFailure() const override;

 private:
  std::uint32_t lastFailure_ = 0;  // the system's error code of the last call; 0 gives 75
};

}  // namespace vyn
