#pragma once

#include <windows.h>

#include <string>

namespace vyn {

// The text of a window or control (a caption, a label with its "&" marks);
// empty where it has none.
inline std::wstring WindowText(HWND window) {
  const int length = GetWindowTextLengthW(window);
  std::wstring text(static_cast<std::size_t>(length < 0 ? 0 : length) + 1, L'\0');
  const int copied = GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
  text.resize(static_cast<std::size_t>(copied < 0 ? 0 : copied));
  return text;
}

}  // namespace vyn
