#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/MessageBoxes.h"

namespace vyn::fakes {

struct ShownMessage {
  std::wstring text;
  std::wstring title;
  MessageButtons buttons;
  MessageAnswer answer;
};

// Message boxes that answer from a script: OK boxes answer OK, Yes/No boxes take
// the next scripted answer (an unscripted one fails the test and answers No).
class FakeMessageBoxes : public MessageBoxes {
 public:
  void ScriptAnswer(MessageAnswer answer) { script_.push_back(answer); }
  const std::vector<ShownMessage>& Shown() const { return shown_; }
  // Texts of the boxes shown, in order.
  std::vector<std::wstring> Texts() const;
  // Runs while a box is up, before it is answered (a box blocks its thread).
  std::function<void(const ShownMessage&)> onShow;

  MessageAnswer Show(const std::wstring& text, const std::wstring& title,
                     MessageButtons buttons) override;

 private:
  std::deque<MessageAnswer> script_;
  std::vector<ShownMessage> shown_;
};

}  // namespace vyn::fakes
