#include "platform/RunLog.h"

#include <cstdio>

#include "platform/Utf8.h"

namespace vyn {

std::string RunLogLine(const LogTime& time, std::uint32_t processId, const std::wstring& event) {
  char stamp[48];
  std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02d %02d:%02d:%02d.%03d [%lu] ", time.year,
                time.month, time.day, time.hour, time.minute, time.second, time.millisecond,
                static_cast<unsigned long>(processId));
  std::wstring oneLine;
  for (std::size_t i = 0; i < event.size(); ++i) {
    if (event[i] == L'\r' || event[i] == L'\n') {
      if (event[i] == L'\r' && i + 1 < event.size() && event[i + 1] == L'\n') ++i;
      oneLine += L" / ";
    } else {
      oneLine += event[i];
    }
  }
  return stamp + EncodeUtf8(oneLine) + "\r\n";
}

std::wstring DescribeFailure(std::int32_t number, const std::wstring& description) {
  return std::to_wstring(number) + L" - " + description;
}

}  // namespace vyn
