// Asks about a window from another process, as Windows' hung-window rule does:
// its exit code has bit 0 set when IsHungAppWindow says hung, and bit 1 when a
// WM_NULL sent with SMTO_ABORTIFHUNG is not answered within a second.
#include <windows.h>

#include <cwchar>

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) return 8;
  HWND window = reinterpret_cast<HWND>(static_cast<UINT_PTR>(std::wcstoull(argv[1], nullptr, 10)));
  if (!IsWindow(window)) return 4;
  int verdict = IsHungAppWindow(window) ? 1 : 0;
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 1000, &result)) verdict |= 2;
  return verdict;
}
