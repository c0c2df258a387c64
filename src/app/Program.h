#pragma once

#include "app/CommandLine.h"
#include "platform/Platform.h"

namespace vyn {

// The whole program: loads the main window, shows it and processes messages
// until it unloads. Failures it does not handle itself are thrown as Error, for
// the caller to report before the process ends.
int RunProgram(Platform& platform);

// A scheduled refresh: the Download sequence with the command line's sets and
// nothing shown but the progress window. Handles every failure; returns the exit code.
int RunRefresh(Platform& platform, const CommandLine& line);

// What the command line asks for: the usage, a refresh or the window. Writes
// the start and the end of the run to the log. The platform of a run with
// "/refresh" shows no boxes.
int RunCommandLine(Platform& platform, const CommandLine& line);

}  // namespace vyn
