#include "platform/win32/Win32AnsiCodec.h"

#include <windows.h>

#include <climits>

#include "platform/Error.h"

namespace vyn {

namespace {

// The conversion functions count in int.
int CheckedLength(std::size_t length) {
  if (length > static_cast<std::size_t>(INT_MAX)) throw MakeError(errors::kOverflow);
  return static_cast<int>(length);
}

}  // namespace

std::string Win32AnsiCodec::ToAnsi(std::wstring_view text) const {
  if (text.empty()) return std::string();
  const int length = CheckedLength(text.size());
  const int needed =
      ::WideCharToMultiByte(CP_ACP, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
  if (needed <= 0) throw MakeError(errors::kInvalidProcedureCall);
  std::string out(static_cast<std::size_t>(needed), '\0');
  ::WideCharToMultiByte(CP_ACP, 0, text.data(), length, out.data(), needed, nullptr, nullptr);
  return out;
}

std::wstring Win32AnsiCodec::FromAnsi(std::string_view bytes) const {
  if (bytes.empty()) return std::wstring();
  const int length = CheckedLength(bytes.size());
  const int needed = ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), length, nullptr, 0);
  if (needed <= 0) throw MakeError(errors::kInvalidProcedureCall);
  std::wstring out(static_cast<std::size_t>(needed), L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), length, out.data(), needed);
  return out;
}

}  // namespace vyn
