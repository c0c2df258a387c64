#pragma once

#include "platform/Error.h"

namespace vyn {

// The run-time error report: a message box titled with the application's
// title, OK only, no icon.
void ShowRuntimeErrorReport(const Error& error);

// Reports a failure that escaped an event handler and ends the process: it must
// not unwind through the window system's frames.
[[noreturn]] void EndProgramWithReport(const Error& error);

}  // namespace vyn
