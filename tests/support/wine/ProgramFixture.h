#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <set>
#include <string>

#include "AppSession.h"
#include "E2eSetup.h"

namespace vyn::e2e {

// Drives the real program as a user would: each case on fresh folders under
// "<state>\cases\<case>", its registry values pointing at them, then start,
// tick, Download, answer the boxes, exit; and checks what the program recorded.
// Helpers that stop the case are void; call them inside ASSERT_NO_FATAL_FAILURE.
class ProgramFixture : public ::testing::Test {
 protected:
  static constexpr DWORD kStartTimeoutMs = 30000;
  static constexpr DWORD kBoxTimeoutMs = 60000;
  static constexpr DWORD kExitTimeoutMs = 15000;
  static constexpr const wchar_t* kAppTitle = L"VYNDataLoader";
  static constexpr const wchar_t* kMls = L"MLS Data";
  static constexpr const wchar_t* kTax = L"Tax Data (Public records)";
  static constexpr const wchar_t* kFailureMessage =
      L"Unable to download data files - call technical support";

  // Fresh "AppData", "Data" and "Install" folders of the case; the program is exe.
  void SetUpCase(const std::filesystem::path& state, const std::wstring& exe);

  // The product's values: this city, the case's folders, the server on loopback.
  ProductValues Values(const std::wstring& cityId, std::uint16_t port) const;
  // Writes the values and starts the program up to its main window (window_).
  void Start(const ProductValues& values);
  void Launch(const std::wstring& arguments = L"");
  // Starts the program with these switches and waits for its exit code; no box
  // may come up meanwhile.
  void RunUnattended(const ProductValues& values, const std::wstring& arguments,
                     DWORD expectedExitCode);
  void WaitForMainWindow(const std::wstring& cityId);
  void Tick(const std::wstring& box);
  void PressDownload();
  // Start, tick these boxes, press Download.
  void StartAndDownload(const ProductValues& values, std::initializer_list<const wchar_t*> boxes);

  // The next message box must have this title and a text starting with `start`;
  // it is answered with `button`, and its whole text lands in *text.
  void AnswerBox(const std::wstring& title, const std::wstring& start, const std::wstring& button,
                 std::wstring* text = nullptr, DWORD timeoutMs = kBoxTimeoutMs);
  // The next box is the program's own and says exactly `text`; it is answered with OK.
  void AnswerBox(const std::wstring& text, DWORD timeoutMs = kBoxTimeoutMs);
  // An unexpected failure: its number, " - " and its description; exactly
  // `expected` unless that is empty.
  void ExpectNumberedFailureBox(const std::wstring& expected = L"");

  void ExpectExitCode(DWORD expected);
  // The main window is still there; Close ends the program with 0.
  void CloseAndExpectExit();
  // A failure the program does not handle: its run-time error report (its whole
  // text in *report), exit code 1.
  void ExpectRunTimeErrorEnd(std::wstring* report = nullptr);

  std::filesystem::path SettingsPath() const { return appData_ / kSettingsFileName; }
  // A refresh time the settings file records, written during this case.
  void ExpectRecordedNow(const std::wstring& key) const;
  void ExpectNotRecorded(const std::wstring& key) const;
  void ExpectNoTempFileLeft() const { EXPECT_EQ(TempReFiles(), tempBefore_); }

  // The case's run log: every run of the case has LOCALAPPDATA in the case folder.
  std::filesystem::path LogPath() const {
    return case_ / "LocalAppData" / "VYNDataLoader" / "VYNDataLoader.log";
  }
  std::wstring LogText() const;
  // How often `part` occurs in the log.
  std::size_t LogMentions(const std::wstring& part) const;

  std::filesystem::path case_, appData_, data_, install_;
  std::wstring exe_;
  std::wstring started_;  // when the case began, as the settings file records times
  std::set<std::wstring> tempBefore_;
  DWORD hostType_ = REG_SZ;  // the type "Download Host" is written with
  std::wstring caption_;     // of the main window
  HWND window_ = nullptr;
  AppSession app_;  // a program still running at the end is ended with it
};

}  // namespace vyn::e2e
