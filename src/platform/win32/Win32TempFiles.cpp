#include "platform/win32/Win32TempFiles.h"

#include <windows.h>

#include "platform/FileErrors.h"

namespace vyn {

std::uint32_t Win32TempFiles::GetTempPathA(std::uint32_t bufferLength, char* buffer) {
  const DWORD length = ::GetTempPathA(bufferLength, buffer);
  lastFailure_ = length == 0 ? GetLastError() : ERROR_SUCCESS;  // too long: no cause to give
  return length;
}

std::uint32_t Win32TempFiles::GetTempFileNameA(const char* pathName, const char* prefix,
                                               std::uint32_t unique, char* tempFileName) {
  const UINT number = ::GetTempFileNameA(pathName, prefix, unique, tempFileName);
  const DWORD cause = GetLastError();
  lastFailure_ = ERROR_SUCCESS;
  if (number == 0) {
    lastFailure_ = cause;
    return 0;
  }
  // Wine hands out a name even when it could not create the file (in a folder it
  // may not write). Such a name reserves nothing: it is the failure Windows reports.
  if (unique == 0 && GetFileAttributesA(tempFileName) == INVALID_FILE_ATTRIBUTES) {
    lastFailure_ = cause;
    SetLastError(cause);
    return 0;
  }
  return number;
}

Error Win32TempFiles::NameFailure() const {
  return file_errors::FileError(lastFailure_);
}

}  // namespace vyn
