#include "support/TrimNulls.h"

#include <cstdint>
#include <limits>

#include "platform/Error.h"
#include "support/SupportErrorBox.h"

namespace vyn::detail {

namespace {

// Position counted from 1, 0 when there is none, held as 16 bits.
std::int16_t FirstNulPosition(const std::wstring& text) {
  const std::size_t at = text.find(L'\0');
  if (at == std::wstring::npos) return 0;
  if (at + 1 > static_cast<std::size_t>(std::numeric_limits<std::int16_t>::max())) {
    throw MakeError(errors::kOverflow);
  }
  return static_cast<std::int16_t>(at + 1);
}

}  // namespace

std::wstring TrimNulls(const std::wstring& text, MessageBoxes& messageBoxes) {
  try {
    const std::int16_t position = FirstNulPosition(text);
    if (position == 0) return text;
    return text.substr(0, static_cast<std::size_t>(position - 1));
  } catch (...) {
    ShowSupportError(messageBoxes, L"TrimNulls", CurrentError());
    return std::wstring();
  }
}

}  // namespace vyn::detail
