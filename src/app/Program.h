#pragma once

#include "platform/Platform.h"

namespace vyn {

// The whole program: loads the main window, shows it and processes messages
// until it unloads. Failures it does not handle itself are thrown as Error, for
// the caller to report before the process ends.
int RunProgram(Platform& platform);

}  // namespace vyn
