// VYNDataLoader.exe: the Win32 platform and our components under the application.
// A GUI program whose entry is main(): the Win32 start-up lives in platform/win32,
// so this file needs no <windows.h>.

#include "app/Program.h"
#include "platform/Error.h"
#include "platform/win32/Win32FormsErrorReport.h"
#include "platform/win32/Win32Startup.h"
#include "program/Win32Platform.h"

int main() {
  try {
    vyn::InitializeCommonControls();
    const vyn::CommandLine line = vyn::ParseCommandLine(vyn::CommandLineArguments());
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
