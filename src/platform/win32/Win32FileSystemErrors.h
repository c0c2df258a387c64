#pragma once

#include <windows.h>

#include "platform/Error.h"

namespace vyn {

// The file services' failures as the program numbers them: 2 -> 53,
// 3/53/161/267 -> 76, 5/19/32 -> 70, 80/183 -> 58, 112/39 -> 61, anything else -> 75.
Error FileErrorFromWin32(DWORD code);

[[noreturn]] void ThrowLastFileError();

}  // namespace vyn
