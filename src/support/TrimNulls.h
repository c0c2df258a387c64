#pragma once

#include <string>

#include "platform/MessageBoxes.h"

namespace vyn::detail {

// clsTempFile's own helper: the text up to its first NUL. The position is a 16-bit
// signed number, so a first NUL beyond 32767 is an overflow, reported in a box
// titled "TrimNulls", and gives "".
std::wstring TrimNulls(const std::wstring& text, MessageBoxes& messageBoxes);

}  // namespace vyn::detail
