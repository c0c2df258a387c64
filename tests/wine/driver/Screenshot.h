#pragma once

#include <windows.h>

#include <string>

namespace vyn::driver {

// Saves what the screen shows, or only the rectangle of one window (with its
// frame), as a 24-bit PNG. Throws std::runtime_error on failure.
void SaveScreenshotPng(const std::wstring& path, HWND window = nullptr);

}  // namespace vyn::driver
