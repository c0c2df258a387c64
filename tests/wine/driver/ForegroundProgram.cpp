#include "ForegroundProgram.h"

#include <stdexcept>
#include <string>

#include "WindowQueries.h"
#include "WinePath.h"

namespace vyn::driver {

ForegroundProgram::ForegroundProgram()
    : process_(ChildProcess::Launch(L"\"" + OnDriveZ(VYN_FOREGROUND_PROGRAM) + L"\"")) {
  window_ =
      WaitForTopLevelWindow(L"Foreground program", CaptionMatch::kExact, 30000, process_.Id());
  if (window_ == nullptr) throw std::runtime_error("the foreground program shows no window");
  DWORD start = GetTickCount();
  while (GetForegroundWindow() != window_) {
    if (GetTickCount() - start > 10000) {
      throw std::runtime_error("the foreground program does not get the foreground");
    }
    Sleep(20);
  }
}

}  // namespace vyn::driver
