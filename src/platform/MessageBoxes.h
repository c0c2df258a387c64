#pragma once

#include <string>

namespace vyn {

enum class MessageButtons { kOk, kYesNo };  // Yes/No has Yes as the default

enum class MessageAnswer { kOk = 1, kYes = 6, kNo = 7 };

// Application-modal message boxes without an icon.
class MessageBoxes {
 public:
  virtual ~MessageBoxes() = default;
  virtual MessageAnswer Show(const std::wstring& text, const std::wstring& title,
                             MessageButtons buttons) = 0;
};

}  // namespace vyn
