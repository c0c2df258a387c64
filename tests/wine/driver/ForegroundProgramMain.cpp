// Another program for the tests: one plain window that takes the foreground
// and keeps running until the test ends the process.
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  WNDCLASSW cls{};
  cls.lpfnWndProc = DefWindowProcW;
  cls.hInstance = instance;
  cls.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
  cls.lpszClassName = L"VynForegroundProgram";
  if (!RegisterClassW(&cls)) return 1;
  HWND window = CreateWindowExW(0, cls.lpszClassName, L"Foreground program", WS_OVERLAPPEDWINDOW,
                                40, 40, 320, 200, nullptr, nullptr, instance, nullptr);
  if (window == nullptr) return 1;
  ShowWindow(window, SW_SHOW);
  SetForegroundWindow(window);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
  return 0;
}
