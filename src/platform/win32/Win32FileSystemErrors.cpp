#include "platform/win32/Win32FileSystemErrors.h"

namespace vyn {

Error FileErrorFromWin32(DWORD code) {
  switch (code) {
    case ERROR_FILE_NOT_FOUND:
      return MakeError(errors::kFileNotFound);
    case ERROR_PATH_NOT_FOUND:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_PATHNAME:
    case ERROR_DIRECTORY:  // a temporary name asked for in a folder that is not there
      return MakeError(errors::kPathNotFound);
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
    case ERROR_SHARING_VIOLATION:
      return MakeError(errors::kPermissionDenied);
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return MakeError(errors::kFileAlreadyExists);
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return MakeError(errors::kDiskFull);
    default:
      return MakeError(errors::kPathFileAccess);
  }
}

void ThrowLastFileError() {
  throw FileErrorFromWin32(GetLastError());
}

}  // namespace vyn
