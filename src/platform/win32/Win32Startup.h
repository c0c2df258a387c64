#pragma once

#include <string>
#include <vector>

namespace vyn {

// The arguments after the program's name, split as the C run-time splits them.
std::vector<std::wstring> CommandLineArguments();

// Registers the common controls' window classes (the progress bar) once per process.
void InitializeCommonControls();

}  // namespace vyn
