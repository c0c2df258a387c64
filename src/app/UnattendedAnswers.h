#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/MessageBoxes.h"
#include "platform/RunLog.h"

namespace vyn {

// Boxes for a run that nobody watches: each becomes a log line and is answered
// at once. The one question the program asks, whether to retry after a network
// failure, is answered Yes after each pause in turn and then No. Each data set
// is fetched in a window of its own, so a question from another window than
// the last one starts a new series, and so do that No and any OK box.
class UnattendedMessageBoxes : public MessageBoxes {
 public:
  using Pause = std::function<void(std::chrono::milliseconds)>;
  // The window a box would belong to, as a number that only needs to differ.
  using AskingWindow = std::function<std::uintptr_t()>;
  UnattendedMessageBoxes(RunLog& log, std::vector<std::chrono::milliseconds> pauses, Pause pause,
                         AskingWindow askingWindow)
      : log_(log),
        pauses_(std::move(pauses)),
        pause_(std::move(pause)),
        askingWindow_(std::move(askingWindow)) {}
  MessageAnswer Show(const std::wstring& text, const std::wstring& title,
                     MessageButtons buttons) override;

 private:
  RunLog& log_;
  std::vector<std::chrono::milliseconds> pauses_;
  Pause pause_;
  AskingWindow askingWindow_;
  std::size_t questionsInSeries_ = 0;
  std::uintptr_t lastAsker_ = 0;
};

// The environment variable that shortens the retry pauses of an unattended run
// (for tests): whole seconds separated by commas, "60,300" being the default.
inline constexpr const wchar_t* kRetryPausesVariable = L"VYNDATALOADER_RETRY_PAUSES";

// A count of whole seconds as such a variable gives it: digits with blanks around
// them, at most a day; nullopt for anything else.
std::optional<std::chrono::seconds> WholeSeconds(std::wstring_view text);

// The pauses a value of that variable names; the default for an empty or
// malformed value.
std::vector<std::chrono::milliseconds> RetryPauses(const std::wstring& value);

}  // namespace vyn
