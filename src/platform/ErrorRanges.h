#pragma once

#include <cstdint>

// The ranges of the program's own failure numbers, one for each part that raises
// them, so that a number tells which part failed and no two parts share one. The
// common run-time numbers (5, 53, 70, ...) are in Error.h.
namespace vyn::error_ranges {

inline constexpr std::uint32_t kTransfer = 0x80040000u;  // the transfer's three failures
inline constexpr std::uint32_t kUnpack = 0x80041000u;    // our ZipExtractor
inline constexpr std::uint32_t kSettings = 0x80042000u;  // our ProductSettings
inline constexpr std::uint32_t kWidth = 0x1000u;         // numbers in each range

// The `offset`-th number of `range`, as the 32-bit signed number errors carry.
constexpr std::int32_t Number(std::uint32_t range, std::uint32_t offset) {
  return static_cast<std::int32_t>(range + offset);
}

}  // namespace vyn::error_ranges
