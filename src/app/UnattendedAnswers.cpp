#include "app/UnattendedAnswers.h"

#include <cwctype>

#include "platform/LoggedMessageBoxes.h"

namespace vyn {
namespace {

constexpr long kMaxSettingSeconds = 24L * 60 * 60;

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

std::optional<std::chrono::seconds> WholeSeconds(std::wstring_view text) {
  const auto blank = [](wchar_t c) { return std::iswspace(static_cast<wint_t>(c)) != 0; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  if (text.empty()) return std::nullopt;
  long seconds = 0;
  for (wchar_t c : text) {
    if (c < L'0' || c > L'9') return std::nullopt;
    seconds = seconds * 10 + (c - L'0');
    if (seconds > kMaxSettingSeconds) return std::nullopt;
  }
  return std::chrono::seconds(seconds);
}

std::vector<std::chrono::milliseconds> RetryPauses(const std::wstring& value) {
  const std::vector<std::chrono::milliseconds> standard{std::chrono::minutes(1),
                                                        std::chrono::minutes(5)};
  std::vector<std::chrono::milliseconds> pauses;
  for (std::size_t from = 0;;) {
    const std::size_t comma = value.find(L',', from);
    const auto pause = WholeSeconds(std::wstring_view(value).substr(from, comma - from));
    if (!pause) return standard;
    pauses.push_back(*pause);
    if (comma == std::wstring::npos) return pauses;
    from = comma + 1;
  }
}

}  // namespace vyn
