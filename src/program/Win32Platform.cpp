#include "program/Win32Platform.h"

#include "platform/win32/Win32FormsDispatch.h"

namespace vyn {

Win32Platform::Win32Platform(bool unattended)
    : loggedBoxes_(messageBoxes_, log_),
      unattendedBoxes_(
          log_, RetryPauses(environment_.Variable(kRetryPausesVariable)),
          [this](std::chrono::milliseconds pause) { pump_.PauseWithMessages(pause); },
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
                waits_,
                locks_,
                clock_} {}

}  // namespace vyn
