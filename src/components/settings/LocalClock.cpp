#include "components/settings/LocalClock.h"

#include <cstdio>
#include <ctime>

namespace vyn {

LocalClock SystemLocalClock() {
  return [] {
    const std::time_t now = std::time(nullptr);
    // One UI thread: localtime's shared buffer is not contended.
    const std::tm* local = std::localtime(&now);
    LocalDateTime when;
    if (local != nullptr) {
      when = {local->tm_year + 1900, local->tm_mon + 1, local->tm_mday,
              local->tm_hour,        local->tm_min,     local->tm_sec};
    }
    return when;
  };
}

std::wstring FormatDateTime(const LocalDateTime& when) {
  wchar_t text[32];
  std::swprintf(text, sizeof text / sizeof text[0], L"%04d-%02d-%02d %02d:%02d:%02d", when.year,
                when.month, when.day, when.hour, when.minute, when.second);
  return text;
}

namespace {

bool ReadNumber(std::wstring_view text, std::size_t at, std::size_t digits, int& value) {
  value = 0;
  for (std::size_t i = at; i < at + digits; ++i) {
    if (text[i] < L'0' || text[i] > L'9') return false;
    value = value * 10 + (text[i] - L'0');
  }
  return true;
}

int DaysInMonth(int year, int month) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[month - 1];
}

}  // namespace

std::optional<LocalDateTime> ParseDateTime(std::wstring_view text) {
  // YYYY-MM-DD HH:MM:SS
  if (text.size() != 19 || text[4] != L'-' || text[7] != L'-' || text[10] != L' ' ||
      text[13] != L':' || text[16] != L':') {
    return std::nullopt;
  }
  LocalDateTime when;
  if (!ReadNumber(text, 0, 4, when.year) || !ReadNumber(text, 5, 2, when.month) ||
      !ReadNumber(text, 8, 2, when.day) || !ReadNumber(text, 11, 2, when.hour) ||
      !ReadNumber(text, 14, 2, when.minute) || !ReadNumber(text, 17, 2, when.second)) {
    return std::nullopt;
  }
  if (when.month < 1 || when.month > 12 || when.day < 1 ||
      when.day > DaysInMonth(when.year, when.month) || when.hour > 23 || when.minute > 59 ||
      when.second > 59) {
    return std::nullopt;
  }
  return when;
}

}  // namespace vyn
