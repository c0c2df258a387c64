#include "app/Program.h"

#include "app/basCommonObj.h"
#include "app/frmDataLoader.h"
#include "platform/Error.h"

namespace vyn {

int RunProgram(Platform& platform) {
  {
    frmDataLoader mainWindow(platform);
    mainWindow.Load();
    mainWindow.Show();
    while (mainWindow.Loaded()) platform.pump.WaitAndDispatch();
  }
  basCommonObj::objProductSettings.reset();
  return 0;
}

int RunRefresh(Platform& platform, const CommandLine& line) {
  int code = kExitRunTimeError;
  try {
    frmDataLoader mainWindow(platform, true);
    mainWindow.Load();
    code = mainWindow.RunUnattended(line);
  } catch (...) {
    const Error failure = CurrentError();
    platform.log.Write(L"Refresh ends on a failure: " +
                       DescribeFailure(failure.Number(), failure.Description()));
  }
  basCommonObj::objProductSettings.reset();
  return code;
}

int RunCommandLine(Platform& platform, const CommandLine& line) {
  platform.log.Write(std::wstring(L"VYNDataLoader " VYN_VERSION_TEXT " starts") +
                     (line.refresh ? L" a scheduled refresh" : L""));
  int code = kExitOk;
  if (!line.valid) {
    platform.messageBoxes.Show(line.problem + L"\r\n\r\n" + UsageText(), kAppTitle,
                               MessageButtons::kOk);
    code = kExitBadCommandLine;
  } else if (line.help) {
    platform.messageBoxes.Show(UsageText(), kAppTitle, MessageButtons::kOk);
  } else {
    code = line.refresh ? RunRefresh(platform, line) : RunProgram(platform);
  }
  platform.log.Write(L"Ends with exit code " + std::to_wstring(code));
  return code;
}

}  // namespace vyn
