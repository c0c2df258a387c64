#pragma once

#include <string>
#include <vector>

namespace vyn {

// Exit codes of the program. An interactive run ends with 0 (or 1 after a
// run-time error report); the others tell a scheduler why a refresh failed.
enum ExitCode : int {
  kExitOk = 0,
  kExitRunTimeError = 1,  // a failure the program does not handle
  kExitBadCommandLine = 2,
  kExitProductNotFound = 3,
  kExitDownloadFailed = 4,
  kExitUnpackFailed = 5,
  kExitRecordingFailed = 6,
  kExitDataFolderBusy = 7,  // another refresh held the data folder for the whole wait
};

// What the switches ask for. Switches are case-insensitive and may start with
// "/" or "-".
struct CommandLine {
  bool valid = true;
  bool help = false;     // "/?": show the usage
  bool refresh = false;  // "/refresh": refresh without anyone watching
  bool mls = false;      // "/mls", "/tax": the sets to refresh; neither: the default
  bool tax = false;
  std::wstring problem;  // why the line is not valid
};

// The arguments after the program's name.
CommandLine ParseCommandLine(const std::vector<std::wstring>& arguments);

// The text "/?" shows, also after a bad command line.
std::wstring UsageText();

}  // namespace vyn
