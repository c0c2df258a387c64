#include "platform/win32/Win32Platform.h"

namespace vyn {

Win32Platform::Win32Platform()
    : platform_{ansi_,         registry_, tempFiles_, fileSystem_, files_,      environment_,
                messageBoxes_, pump_,     forms_,     inet_,       components_, waits_} {}

}  // namespace vyn
