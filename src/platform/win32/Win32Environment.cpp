#include "platform/win32/Win32Environment.h"

#include <windows.h>

#include "platform/Error.h"
#include "platform/PathText.h"

namespace vyn {

std::wstring Win32Environment::Variable(const std::wstring& name) {
  std::wstring value(256, L'\0');
  for (;;) {
    DWORD length =
        GetEnvironmentVariableW(name.c_str(), value.data(), static_cast<DWORD>(value.size()));
    if (length == 0) return L"";  // not set, or set to nothing
    if (length < value.size()) {
      value.resize(length);
      return value;
    }
    value.assign(length, L'\0');  // length counts the NUL when the buffer was short
  }
}

std::wstring Win32Environment::ExecutableFolder() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) throw MakeError(errors::kPathFileAccess);
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    // Truncated: the long-path ceiling is 32767 characters.
    if (path.size() >= 32768) throw MakeError(errors::kPathFileAccess);
    path.assign(path.size() * 2, L'\0');
  }
  return FolderOf(path);
}

}  // namespace vyn
