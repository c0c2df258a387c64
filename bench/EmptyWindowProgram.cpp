// The floor of any program with a window under the same system: one window
// with a progress bar and a button, shown, painted and closed, and nothing else.

#include <windows.h>

#include <commctrl.h>

#include <cstdio>

#include "ProcessMemory.h"

int main() {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&controls);
  HWND window = CreateWindowExW(0, L"STATIC", L"Retrieving data", WS_OVERLAPPED | WS_CAPTION, 0, 0,
                                220, 80, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  HWND bar = CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_CHILD | WS_VISIBLE, 4, 8, 137, 13, window,
                             nullptr, nullptr, nullptr);
  CreateWindowExW(0, L"BUTTON", L"&Cancel", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 148, 4, 49, 17,
                  window, nullptr, nullptr, nullptr);
  ShowWindow(window, SW_SHOW);
  for (int step = 0; step <= 100; ++step) {
    SendMessageW(bar, PBM_SETPOS, static_cast<WPARAM>(step), 0);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  }
  DestroyWindow(window);
  std::printf("peak=%zu\n", vyn::bench::PeakWorkingSet());
  return 0;
}
