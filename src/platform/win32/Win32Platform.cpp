#include "platform/win32/Win32Platform.h"

#include <windows.h>

#include <algorithm>

#include "platform/win32/Win32FormsDispatch.h"

namespace vyn {
namespace {

// Waits while the program's windows go on answering (a window that answers no
// message for 5 seconds is "Not Responding" to Windows).
void PauseWithMessages(MessagePump& pump, std::chrono::milliseconds pause) {
  const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(pause.count());
  for (ULONGLONG now = GetTickCount64(); now < end; now = GetTickCount64()) {
    pump.DoEvents();
    Sleep(static_cast<DWORD>(std::min<ULONGLONG>(end - now, 100)));
  }
}

}  // namespace

Win32Platform::Win32Platform(bool unattended)
    : loggedBoxes_(messageBoxes_, log_),
      unattendedBoxes_(
          log_, RetryPauses(environment_.Variable(kRetryPausesVariable)),
          [this](std::chrono::milliseconds pause) { PauseWithMessages(pump_, pause); },
          [] { return reinterpret_cast<std::uintptr_t>(ProgramTopWindow()); }),
      platform_{ansi_,
                registry_,
                tempFiles_,
                fileSystem_,
                files_,
                environment_,
                unattended ? static_cast<MessageBoxes&>(unattendedBoxes_) : loggedBoxes_,
                pump_,
                forms_,
                inet_,
                components_,
                log_,
                waits_} {}

}  // namespace vyn
