#pragma once

#include <cstddef>
#include <random>

#include "ZipBuilder.h"

namespace vyn::test {

// Members for round trips through the extractor: sizes on and around each 64 KiB
// boundary up to 256 KiB (where inflate's output buffer fills), packed at a zlib
// level of 0 to 9 or stored, holding zeros, blanks, random bytes or CSV-like text.
// Every shape is one size and one kind of contents; the level comes from `random`,
// so a seed gives the same members again.
inline constexpr std::size_t kRoundTripShapes = 4 * 17 * 4;

// The member of `shape` (taken modulo kRoundTripShapes); `serial` makes its name unique.
ZipTestMember RoundTripMember(std::mt19937& random, std::size_t shape, std::size_t serial);

}  // namespace vyn::test
