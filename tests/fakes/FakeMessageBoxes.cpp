#include "FakeMessageBoxes.h"

#include <gtest/gtest.h>

#include "platform/Error.h"

namespace vyn::fakes {

std::vector<std::wstring> FakeMessageBoxes::Texts() const {
  std::vector<std::wstring> texts;
  for (const auto& m : shown_) texts.push_back(m.text);
  return texts;
}

MessageAnswer FakeMessageBoxes::Show(const std::wstring& text, const std::wstring& title,
                                     MessageButtons buttons) {
  MessageAnswer answer = MessageAnswer::kOk;
  if (buttons == MessageButtons::kYesNo) {
    if (script_.empty()) {
      ADD_FAILURE() << "unscripted Yes/No box: " << NarrowForDiagnostics(text);
      answer = MessageAnswer::kNo;
    } else {
      answer = script_.front();
      script_.pop_front();
    }
  }
  shown_.push_back({text, title, buttons, answer});
  if (onShow) onShow(shown_.back());
  return answer;
}

}  // namespace vyn::fakes
