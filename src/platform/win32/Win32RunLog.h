#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "platform/RunLog.h"

namespace vyn {

// The run log as a file: %LOCALAPPDATA%\VYNDataLoader\VYNDataLoader.log. Past
// its bound the file becomes VYNDataLoader.previous.log (replacing the one
// before) and a new one begins. Every run of the user appends to the same file:
// each line is written, and the file rotated, while this run alone has it open for
// writing, so no line of another run is lost or split. A line that cannot be
// written for a moment (a reader holds the file without sharing it) is kept and
// written with the next one.
class Win32RunLog : public RunLog {
 public:
  static constexpr std::uint64_t kBoundBytes = 1024 * 1024;

  Win32RunLog();  // the user's own log, its folder made if missing
  Win32RunLog(std::wstring path, std::uint64_t boundBytes);
  ~Win32RunLog() override;  // a last try for the lines kept
  Win32RunLog(const Win32RunLog&) = delete;
  Win32RunLog& operator=(const Win32RunLog&) = delete;

  void Write(const std::wstring& event) noexcept override;
  // Empty when no folder for the log could be found.
  const std::wstring& Path() const { return path_; }
  std::wstring PreviousPath() const;

 private:
  // Appends `pending_` under the file's one writer; false when the file stayed refused.
  bool Flush(std::chrono::milliseconds budget) noexcept;

  std::wstring path_;
  std::uint64_t bound_;
  std::string pending_;   // lines not yet written, oldest first
  bool refused_ = false;  // the last flush outlasted its retries
};

// The user's local application-data folder, without a trailing "\"; empty when
// unknown. The environment's LOCALAPPDATA wins, so that a run can be pointed elsewhere.
std::wstring LocalAppDataFolder();

}  // namespace vyn
