#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace vyn {

// A wall-clock reading in the machine's local time.
struct LocalDateTime {
  int year = 0;
  int month = 0;  // 1..12
  int day = 0;    // 1..31
  int hour = 0;
  int minute = 0;
  int second = 0;
};

// Where the settings component gets "now" from; tests pass a fixed one.
using LocalClock = std::function<LocalDateTime()>;

// The machine's local time.
LocalClock SystemLocalClock();

// "2026-12-08 14:05:09".
std::wstring FormatDateTime(const LocalDateTime& when);
// The form FormatDateTime writes, with every field in range; otherwise nullopt.
std::optional<LocalDateTime> ParseDateTime(std::wstring_view text);

}  // namespace vyn
