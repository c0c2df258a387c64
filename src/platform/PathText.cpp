#include "platform/PathText.h"

namespace vyn {
namespace {

std::size_t LastSeparator(std::wstring_view path) {
  return path.find_last_of(L"\\/");
}

}  // namespace

bool IsPathSeparator(wchar_t c) {
  return c == L'\\' || c == L'/';
}

std::wstring WithTrailingSeparator(std::wstring folder) {
  if (!folder.empty() && folder.back() == L'/') {
    folder.back() = L'\\';
  } else if (folder.empty() || folder.back() != L'\\') {
    folder += L'\\';
  }
  return folder;
}

std::wstring FolderPart(std::wstring_view path) {
  const std::size_t slash = LastSeparator(path);
  return slash == std::wstring_view::npos ? std::wstring()
                                          : std::wstring(path.substr(0, slash + 1));
}

std::wstring WithoutTrailingSeparator(std::wstring folder) {
  while (!folder.empty() && IsPathSeparator(folder.back()) &&
         !(folder.size() == 3 && folder[1] == L':')) {
    folder.pop_back();
  }
  return folder;
}

std::wstring FolderOf(std::wstring_view path) {
  const std::wstring folder = FolderPart(path);
  return folder.empty() ? L"." : WithoutTrailingSeparator(folder);
}

std::wstring NamePart(std::wstring_view path) {
  const std::size_t slash = LastSeparator(path);
  return std::wstring(slash == std::wstring_view::npos ? path : path.substr(slash + 1));
}

}  // namespace vyn
