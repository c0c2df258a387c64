#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "app/Program.h"
#include "platform/Error.h"
#include "platform/win32/Win32FormsErrorReport.h"
#include "platform/win32/Win32Platform.h"

namespace {

// The arguments after the program's name, split as the C run-time splits them.
std::vector<std::wstring> Arguments() {
  std::vector<std::wstring> arguments;
  int count = 0;
  LPWSTR* split = CommandLineToArgvW(GetCommandLineW(), &count);
  if (split == nullptr) return arguments;
  for (int i = 1; i < count; ++i) arguments.emplace_back(split[i]);
  LocalFree(split);
  return arguments;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  try {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    const vyn::CommandLine line = vyn::ParseCommandLine(Arguments());
    vyn::Win32Platform platform(line.refresh);
    try {
      return vyn::RunCommandLine(platform.Services(), line);
    } catch (...) {
      const vyn::Error failure = vyn::CurrentError();
      platform.Services().log.Write(L"Run-time error, the program ends: " +
                                    vyn::DescribeFailure(failure.Number(), failure.Description()));
      if (!line.refresh) vyn::ShowRuntimeErrorReport(failure);
      return vyn::kExitRunTimeError;
    }
  } catch (...) {
    vyn::ShowRuntimeErrorReport(vyn::CurrentError());
    return 1;
  }
}
