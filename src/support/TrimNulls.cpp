#include "support/TrimNulls.h"

#include <cstdint>
#include <limits>

#include "platform/CutAtNul.h"
#include "platform/Error.h"
#include "support/SupportErrorBox.h"

namespace vyn::detail {

namespace {

// The position is counted from 1 and held as 16 bits: a first NUL beyond 32767
// overflows.
void CheckFirstNulFits(const std::wstring& text) {
  const std::size_t at = text.find(L'\0');
  if (at != std::wstring::npos &&
      at + 1 > static_cast<std::size_t>(std::numeric_limits<std::int16_t>::max())) {
    throw MakeError(errors::kOverflow);
  }
}

}  // namespace

std::wstring TrimNulls(const std::wstring& text, MessageBoxes& messageBoxes) {
  try {
    CheckFirstNulFits(text);
    return CutAtNul(text);
  } catch (...) {
    ShowSupportError(messageBoxes, L"TrimNulls", CurrentError());
    return std::wstring();
  }
}

}  // namespace vyn::detail
