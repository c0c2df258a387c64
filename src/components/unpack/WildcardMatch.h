#pragma once

#include <string_view>

namespace vyn {

// Whether a file name matches a mask the way Windows matches them: "*" any run of
// characters, "?" one character, letters without regard to case (ASCII and
// Latin-1). A mask ending in ".*" also matches names without an extension (so
// "*.*" matches every name), and one ending in "." matches names without a dot.
bool WildcardMatch(std::wstring_view mask, std::wstring_view name);

}  // namespace vyn
