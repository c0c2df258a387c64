#pragma once

#include <cstdint>

namespace vyn {

// Booleans cross every interface as 16-bit integers: True is -1, False is 0.
using Boolean = std::int16_t;
constexpr Boolean kTrue = -1;
constexpr Boolean kFalse = 0;

inline Boolean ToBoolean(bool value) {
  return value ? kTrue : kFalse;
}

// Title of every message box that names no title of its own.
inline constexpr const wchar_t* kAppTitle = L"VYNDataLoader";

}  // namespace vyn
