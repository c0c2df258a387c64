#include "support/SupportErrorBox.h"

namespace vyn {

std::wstring SupportErrorText(const Error& error) {
  return L"Error: " + std::to_wstring(error.Number()) + L". " + error.Description();
}

void ShowSupportError(MessageBoxes& messageBoxes, const std::wstring& procedure,
                      const Error& error) {
  messageBoxes.Show(SupportErrorText(error), procedure, MessageButtons::kOk);
}

}  // namespace vyn
