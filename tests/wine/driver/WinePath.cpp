#include "WinePath.h"

#include <windows.h>

namespace vyn::driver {

std::wstring OnDriveZ(const std::string& unixPath) {
  int size = MultiByteToWideChar(CP_UTF8, 0, unixPath.data(), static_cast<int>(unixPath.size()),
                                 nullptr, 0);
  std::wstring path(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, unixPath.data(), static_cast<int>(unixPath.size()), path.data(),
                      size);
  for (wchar_t& c : path) {
    if (c == L'/') c = L'\\';
  }
  return L"Z:" + path;
}

}  // namespace vyn::driver
