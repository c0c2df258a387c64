#include "ForegroundProgram.h"

#include <stdexcept>
#include <string>

#include "WindowQueries.h"

namespace vyn::driver {
namespace {

// The helper's Linux path as Wine sees it, on drive Z:.
std::wstring HelperPath() {
  std::wstring path = L"Z:";
  for (const char* c = VYN_FOREGROUND_PROGRAM; *c != '\0'; ++c) {
    path += *c == '/' ? L'\\' : static_cast<wchar_t>(*c);
  }
  return path;
}

}  // namespace

ForegroundProgram::ForegroundProgram()
    : process_(ChildProcess::Launch(L"\"" + HelperPath() + L"\"")) {
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
