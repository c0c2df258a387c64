#pragma once

#include <cstdint>

#include "platform/Error.h"

namespace vyn {

// The kernel's temporary-file entry points (ANSI). Buffers are the caller's.
class TempFileApi {
 public:
  virtual ~TempFileApi() = default;
  // Writes the temporary folder, ending in "\", and a NUL; returns its length or 0.
  virtual std::uint32_t GetTempPathA(std::uint32_t bufferLength, char* buffer) = 0;
  // With unique 0, creates an empty file with a new name in pathName and writes
  // its full path and a NUL into tempFileName, which must hold 260 bytes (MAX_PATH).
  // Returns 0 on failure.
  virtual std::uint32_t GetTempFileNameA(const char* pathName, const char* prefix,
                                         std::uint32_t unique, char* tempFileName) = 0;
  // Why the last call gave no name or made no file, numbered as the file services
  // number their failures (76 path not found, 70 permission denied, 61 disk full,
  // 75 for anything else).
  virtual Error NameFailure() const = 0;
};

}  // namespace vyn
