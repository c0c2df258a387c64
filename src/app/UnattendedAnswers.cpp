#include "app/UnattendedAnswers.h"

#include <cwctype>

#include "platform/LoggedMessageBoxes.h"

namespace vyn {
namespace {

constexpr long kMaxPauseSeconds = 24L * 60 * 60;

}  // namespace

MessageAnswer UnattendedMessageBoxes::Show(const std::wstring& text, const std::wstring& title,
                                           MessageButtons buttons) {
  log_.Write(MessageBoxLogLine(title, text));
  if (buttons != MessageButtons::kYesNo) {
    questionsInSeries_ = 0;
    return MessageAnswer::kOk;
  }
  const std::uintptr_t asker = askingWindow_();
  if (asker != lastAsker_) questionsInSeries_ = 0;
  lastAsker_ = asker;
  if (questionsInSeries_ >= pauses_.size()) {
    questionsInSeries_ = 0;
    log_.Write(L"Answered No: no retries left");
    return MessageAnswer::kNo;
  }
  std::chrono::milliseconds pause = pauses_[questionsInSeries_++];
  log_.Write(L"Answered Yes: retrying in " +
             std::to_wstring(std::chrono::duration_cast<std::chrono::seconds>(pause).count()) +
             L" s");
  pause_(pause);
  return MessageAnswer::kYes;
}

std::vector<std::chrono::milliseconds> RetryPauses(const std::wstring& value) {
  const std::vector<std::chrono::milliseconds> standard{std::chrono::minutes(1),
                                                        std::chrono::minutes(5)};
  std::vector<std::chrono::milliseconds> pauses;
  long seconds = -1;
  for (std::size_t i = 0; i <= value.size(); ++i) {
    wchar_t c = i < value.size() ? value[i] : L',';
    if (c >= L'0' && c <= L'9') {
      seconds = (seconds < 0 ? 0 : seconds) * 10 + (c - L'0');
      if (seconds > kMaxPauseSeconds) return standard;
    } else if (c == L',') {
      if (seconds < 0) return standard;
      pauses.push_back(std::chrono::seconds(seconds));
      seconds = -1;
    } else if (!std::iswspace(static_cast<wint_t>(c))) {
      return standard;
    }
  }
  return pauses;
}

}  // namespace vyn
