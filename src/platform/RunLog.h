#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace vyn {

// The run log for support: one line per event, stamped with the local time.
// A log that cannot be written loses the line and nothing else: writing never
// throws and never changes what the program does.
class RunLog {
 public:
  virtual ~RunLog() = default;
  virtual void Write(const std::wstring& event) noexcept = 0;
};

// Local time as a log line carries it.
struct LogTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, millisecond = 0;
};

// "YYYY-MM-DD HH:MM:SS.mmm [pid] event\r\n" in UTF-8: the process id tells the
// runs that write at once apart. Line breaks inside the event become " / ", so
// that every event stays one line.
std::string RunLogLine(const LogTime& time, std::uint32_t processId, const std::wstring& event);

// "<number> - <description>", the way the program's boxes name a failure.
std::wstring DescribeFailure(std::int32_t number, const std::wstring& description);

// Whole milliseconds since `start`, for "how long it took".
inline long long MillisecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                               start)
      .count();
}

}  // namespace vyn
