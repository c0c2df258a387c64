#pragma once

#include <string>

#include "platform/MessageBoxes.h"
#include "platform/RunLog.h"

namespace vyn {

// The user's boxes, each also written to the run log with the answer given.
class LoggedMessageBoxes : public MessageBoxes {
 public:
  LoggedMessageBoxes(MessageBoxes& shown, RunLog& log) : shown_(shown), log_(log) {}
  MessageAnswer Show(const std::wstring& text, const std::wstring& title,
                     MessageButtons buttons) override;

 private:
  MessageBoxes& shown_;
  RunLog& log_;
};

// The log line of a box, and the name of an answer, as every run writes them.
std::wstring MessageBoxLogLine(const std::wstring& title, const std::wstring& text);
std::wstring MessageAnswerName(MessageAnswer answer);

}  // namespace vyn
