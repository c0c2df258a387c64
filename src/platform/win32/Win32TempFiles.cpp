#include "platform/win32/Win32TempFiles.h"

#include <windows.h>

namespace vyn {

std::uint32_t Win32TempFiles::GetTempPathA(std::uint32_t bufferLength, char* buffer) {
  return ::GetTempPathA(bufferLength, buffer);
}

std::uint32_t Win32TempFiles::GetTempFileNameA(const char* pathName, const char* prefix,
                                               std::uint32_t unique, char* tempFileName) {
  return ::GetTempFileNameA(pathName, prefix, unique, tempFileName);
}

}  // namespace vyn
