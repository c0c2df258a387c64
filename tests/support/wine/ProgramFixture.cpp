#include "ProgramFixture.h"

#include "TempFolder.h"

namespace vyn::e2e {

namespace fs = std::filesystem;

void ProgramFixture::SetUpCase(const fs::path& state, const std::wstring& exe) {
  exe_ = exe;
  case_ = state / "cases" / ::testing::UnitTest::GetInstance()->current_test_info()->name();
  appData_ = case_ / "AppData";
  data_ = case_ / "Data";
  install_ = case_ / "Install";
  ASSERT_TRUE(test::FreshFolder(case_));
  for (const fs::path& folder : {appData_, data_, install_}) {
    ASSERT_TRUE(fs::create_directories(folder));
  }
  ASSERT_TRUE(fs::create_directories(case_ / "LocalAppData"));
  // Inherited by the program: its log goes into the case folder.
  ASSERT_TRUE(SetEnvironmentVariableW(L"LOCALAPPDATA", (case_ / "LocalAppData").c_str()));
  tempBefore_ = TempReFiles();
  started_ = LocalTimestamp();
}

ProductValues ProgramFixture::Values(const std::wstring& cityId, std::uint16_t port) const {
  return ProductValues{cityId, WithBackslash(appData_), WithBackslash(install_),
                       L"127.0.0.1:" + std::to_wstring(port)};
}

void ProgramFixture::Start(const ProductValues& values) {
  ASSERT_TRUE(WriteProductValues(values));
  if (hostType_ != REG_SZ) {
    ASSERT_TRUE(WriteMachineString(kProductKey, L"Download Host", *values.downloadHost, hostType_));
  }
  ASSERT_NO_FATAL_FAILURE(Launch());
  ASSERT_NO_FATAL_FAILURE(WaitForMainWindow(values.cityId));
}

void ProgramFixture::Launch(const std::wstring& arguments) {
  ASSERT_TRUE(app_.Launch(exe_, arguments)) << "cannot start " << ::testing::PrintToString(exe_);
}

void ProgramFixture::RunUnattended(const ProductValues& values, const std::wstring& arguments,
                                   DWORD expectedExitCode) {
  ASSERT_TRUE(WriteProductValues(values));
  ASSERT_NO_FATAL_FAILURE(Launch(arguments));
  std::optional<DWORD> code;
  EXPECT_TRUE(AppSession::WaitUntil(kBoxTimeoutMs, [&] {
    EXPECT_FALSE(app_.ShowsMessageBox()) << "an unattended run showed a box";
    code = app_.WaitForExit(0);
    return code.has_value() || app_.ShowsMessageBox();
  }));
  ASSERT_TRUE(code) << "the program did not end; its log:\n" << Utf8(LogText());
  EXPECT_EQ(*code, expectedExitCode) << Utf8(LogText());
}

std::wstring ProgramFixture::LogText() const {
  std::error_code missing;
  if (!fs::exists(LogPath(), missing)) return L"";
  return Wide(test::ReadBytes(LogPath()));
}

std::size_t ProgramFixture::LogMentions(const std::wstring& part) const {
  std::size_t count = 0;
  const std::wstring text = LogText();
  for (std::size_t at = text.find(part); at != std::wstring::npos; at = text.find(part, at + 1)) {
    ++count;
  }
  return count;
}

void ProgramFixture::WaitForMainWindow(const std::wstring& cityId) {
  caption_ = L"VYN Veltrix - " + cityId;
  window_ = app_.WaitForWindow(caption_, kStartTimeoutMs);
  ASSERT_NE(window_, nullptr) << "no main window";
}

void ProgramFixture::Tick(const std::wstring& box) {
  ASSERT_TRUE(e2e::Tick(window_, box)) << "cannot tick " << ::testing::PrintToString(box);
}

void ProgramFixture::PressDownload() {
  ASSERT_TRUE(Press(window_, L"Download")) << "no Download button to press";
}

void ProgramFixture::StartAndDownload(const ProductValues& values,
                                      std::initializer_list<const wchar_t*> boxes) {
  ASSERT_NO_FATAL_FAILURE(Start(values));
  for (const wchar_t* box : boxes) ASSERT_NO_FATAL_FAILURE(Tick(box));
  ASSERT_NO_FATAL_FAILURE(PressDownload());
}

void ProgramFixture::AnswerBox(const std::wstring& title, const std::wstring& start,
                               const std::wstring& button, std::wstring* text, DWORD timeoutMs) {
  auto box = app_.WaitForMessageBox(timeoutMs);
  ASSERT_TRUE(box) << "no message box starting " << ::testing::PrintToString(start);
  EXPECT_EQ(box->title, title);
  EXPECT_EQ(box->text.substr(0, start.size()), start);
  ASSERT_TRUE(PressButton(box->window, button)) << "no button " << ::testing::PrintToString(button);
  EXPECT_TRUE(AppSession::WaitUntil(
      5000, [&] { return !IsWindow(box->window) || !IsWindowVisible(box->window); }));
  if (text != nullptr) *text = box->text;
}

void ProgramFixture::AnswerBox(const std::wstring& text, DWORD timeoutMs) {
  std::wstring shown;
  ASSERT_NO_FATAL_FAILURE(AnswerBox(kAppTitle, text, L"OK", &shown, timeoutMs));
  EXPECT_EQ(shown, text);
}

void ProgramFixture::ExpectNumberedFailureBox(const std::wstring& expected) {
  std::wstring text;
  ASSERT_NO_FATAL_FAILURE(AnswerBox(kAppTitle, L"", L"OK", &text));
  std::size_t dash = text.find(L" - ");
  ASSERT_NE(dash, std::wstring::npos) << ::testing::PrintToString(text);
  EXPECT_EQ(text.find_first_not_of(L"-0123456789"), dash) << ::testing::PrintToString(text);
  if (!expected.empty()) {
    EXPECT_EQ(text, expected);
  }
}

void ProgramFixture::ExpectExitCode(DWORD expected) {
  auto code = app_.WaitForExit(kExitTimeoutMs);
  ASSERT_TRUE(code) << "the program did not end";
  EXPECT_EQ(*code, expected);
}

void ProgramFixture::CloseAndExpectExit() {
  HWND window = app_.FindWindowByCaption(caption_);
  ASSERT_NE(window, nullptr) << "the main window is gone";
  ASSERT_TRUE(Press(window, L"Close")) << "no Close button";
  ASSERT_NO_FATAL_FAILURE(ExpectExitCode(0));
}

void ProgramFixture::ExpectRunTimeErrorEnd(std::wstring* report) {
  ASSERT_NO_FATAL_FAILURE(AnswerBox(kAppTitle, L"Run-time error '", L"OK", report));
  ASSERT_NO_FATAL_FAILURE(ExpectExitCode(1));
}

void ProgramFixture::ExpectRecordedNow(const std::wstring& key) const {
  auto recorded = ReadSetting(SettingsPath(), key);
  EXPECT_TRUE(recorded) << "the settings file records no " << ::testing::PrintToString(key);
  EXPECT_GE(recorded.value_or(L""), started_);
  EXPECT_LE(recorded.value_or(L"~"), LocalTimestamp());
}

void ProgramFixture::ExpectNotRecorded(const std::wstring& key) const {
  EXPECT_EQ(ReadSetting(SettingsPath(), key).value_or(L""), L"");
}

}  // namespace vyn::e2e
