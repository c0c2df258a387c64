#pragma once

#include <string>

#include "platform/Error.h"
#include "platform/MessageBoxes.h"

namespace vyn {

// The support procedures' handler: an OK box "Error: <number>. <description>"
// titled with the procedure's name. The caller then returns its default result.
void ShowSupportError(MessageBoxes& messageBoxes, const std::wstring& procedure,
                      const Error& error);

// Text of that box.
std::wstring SupportErrorText(const Error& error);

}  // namespace vyn
