#pragma once

#include <string>
#include <string_view>

namespace vyn {

// The text up to its first NUL, as a buffer that the platform filled is read; the
// whole text when it holds none.
template <class Char>
std::basic_string<Char> CutAtNul(std::basic_string_view<Char> text) {
  return std::basic_string<Char>(text.substr(0, text.find(Char{})));
}

inline std::string CutAtNul(const std::string& text) {
  return CutAtNul(std::string_view(text));
}

inline std::wstring CutAtNul(const std::wstring& text) {
  return CutAtNul(std::wstring_view(text));
}

}  // namespace vyn
