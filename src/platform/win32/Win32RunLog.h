#pragma once

#include <cstdint>
#include <string>

#include "platform/RunLog.h"

namespace vyn {

// The run log as a file: %LOCALAPPDATA%\VYNDataLoader\VYNDataLoader.log. Past
// its bound the file becomes VYNDataLoader.previous.log (replacing the one
// before) and a new one begins.
class Win32RunLog : public RunLog {
 public:
  static constexpr std::uint64_t kBoundBytes = 1024 * 1024;

  Win32RunLog();  // the user's own log, its folder made if missing
  Win32RunLog(std::wstring path, std::uint64_t boundBytes);

  void Write(const std::wstring& event) noexcept override;
  // Empty when no folder for the log could be found.
  const std::wstring& Path() const { return path_; }
  std::wstring PreviousPath() const;

 private:
  std::wstring path_;
  std::uint64_t bound_;
};

// The user's local application-data folder, without a trailing "\"; empty when
// unknown. The environment's LOCALAPPDATA wins, so that a run can be pointed elsewhere.
std::wstring LocalAppDataFolder();

}  // namespace vyn
