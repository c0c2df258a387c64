#include "platform/win32/Win32MessageBoxes.h"

#include <windows.h>

#include "platform/Error.h"
#include "platform/win32/Win32FormsDispatch.h"

namespace vyn {

MessageAnswer Win32MessageBoxes::Show(const std::wstring& text, const std::wstring& title,
                                      MessageButtons buttons) {
  UINT type = MB_APPLMODAL | (buttons == MessageButtons::kYesNo ? MB_YESNO | MB_DEFBUTTON1 : MB_OK);
  // The box disables its owner; the windows under a modal one are disabled already.
  switch (MessageBoxW(ProgramTopWindow(), text.c_str(), title.c_str(), type)) {
    case IDYES:
      return MessageAnswer::kYes;
    case IDNO:
      return MessageAnswer::kNo;
    case IDOK:
    case IDCANCEL:  // Esc on an OK box
      return MessageAnswer::kOk;
    default:
      // No answer must never pass for one the user gave.
      throw Error(errors::kInvalidProcedureCall, L"The message box could not be shown");
  }
}

}  // namespace vyn
