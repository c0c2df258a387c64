#pragma once

#include "platform/MessageBoxes.h"

namespace vyn {

// MessageBoxW, application-modal over the program's top window, no icon.
class Win32MessageBoxes : public MessageBoxes {
 public:
  MessageAnswer Show(const std::wstring& text, const std::wstring& title,
                     MessageButtons buttons) override;
};

}  // namespace vyn
