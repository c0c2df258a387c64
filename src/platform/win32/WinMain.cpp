#include <windows.h>

#include <commctrl.h>

#include "app/Program.h"
#include "platform/Error.h"
#include "platform/win32/Win32FormsErrorReport.h"
#include "platform/win32/Win32Platform.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  try {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    vyn::Win32Platform platform;
    return vyn::RunProgram(platform.Services());
  } catch (...) {
    vyn::ShowRuntimeErrorReport(vyn::CurrentError());
    return 1;
  }
}
