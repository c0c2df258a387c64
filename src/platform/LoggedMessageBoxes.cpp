#include "platform/LoggedMessageBoxes.h"

namespace vyn {

std::wstring MessageAnswerName(MessageAnswer answer) {
  switch (answer) {
    case MessageAnswer::kYes:
      return L"Yes";
    case MessageAnswer::kNo:
      return L"No";
    case MessageAnswer::kOk:
      break;
  }
  return L"OK";
}

std::wstring MessageBoxLogLine(const std::wstring& title, const std::wstring& text) {
  return L"Message \"" + title + L"\": " + text;
}

MessageAnswer LoggedMessageBoxes::Show(const std::wstring& text, const std::wstring& title,
                                       MessageButtons buttons) {
  log_.Write(MessageBoxLogLine(title, text));
  MessageAnswer answer = shown_.Show(text, title, buttons);
  if (buttons == MessageButtons::kYesNo) log_.Write(L"Answered " + MessageAnswerName(answer));
  return answer;
}

}  // namespace vyn
