#include "platform/win32/Win32FormsErrorReport.h"

#include <windows.h>

#include "platform/Types.h"
#include "platform/win32/Win32FormsDispatch.h"

namespace vyn {

// The exit code of a program ended by a run-time error.
constexpr UINT kRuntimeErrorExitCode = 1;

void ShowRuntimeErrorReport(const Error& error) {
  MessageBoxW(ProgramTopWindow(), RuntimeErrorReport(error).c_str(), kAppTitle,
              MB_OK | MB_APPLMODAL);
}

void EndProgramWithReport(const Error& error) {
  ShowRuntimeErrorReport(error);
  ExitProcess(kRuntimeErrorExitCode);
}

}  // namespace vyn
