#include <gtest/gtest.h>
#include <windows.h>

#include <map>
#include <optional>
#include <string>

#include "ChildProcess.h"
#include "MessageBoxDriver.h"
#include "ProductRegistryKey.h"
#include "Screenshot.h"
#include "WindowQueries.h"
#include "WinePath.h"
#include "platform/Error.h"

namespace vyn::test {
namespace {

using driver::CaptionMatch;
using driver::ChildProcess;
using driver::ControlInfo;

using driver::OnDriveZ;

class MainWindowTest : public ::testing::Test {
 protected:
  MainWindowTest() {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    installFolder =
        std::wstring(temp) + L"vyn-main-window-" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(installFolder.c_str(), nullptr);
    registry.SetNumber(L"Current City Id", 4711);
    registry.SetString(L"AppData", installFolder + L"\\");
    registry.SetString(L"Install Path", installFolder + L"\\");
  }
  void WriteSettings(const std::string& text) {
    HANDLE file = CreateFileW((installFolder + L"\\Veltrix Settings.txt").c_str(), GENERIC_WRITE, 0,
                              nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
  }

  ~MainWindowTest() override {
    DeleteFileW((installFolder + L"\\Veltrix Settings.txt").c_str());
    RemoveDirectoryW(installFolder.c_str());
  }

  // Starts the program and waits for its main window; a message box instead
  // (a start-up failure) fails the test with its text.
  HWND StartProgram() {
    program.emplace(ChildProcess::Launch(L"\"" + OnDriveZ(VYN_PROGRAM_PATH) + L"\""));
    HWND window = driver::WaitForTopLevelWindow(L"VYN Veltrix - 4711", CaptionMatch::kExact, 30000,
                                                program->Id());
    if (window == nullptr) {
      if (HWND box = driver::WaitForMessageBox(0, program->Id())) {
        auto info = driver::ReadMessageBox(box);
        ADD_FAILURE() << "message box instead of the window: " << NarrowForDiagnostics(info.title)
                      << ": " << NarrowForDiagnostics(info.text);
      }
    }
    return window;
  }

  // Waits for the program to end, with exit code 0 or with another.
  void ExpectEnded(bool withZero) {
    const auto exitCode = program->WaitForExit(15000);
    ASSERT_TRUE(exitCode.has_value()) << "the program did not end";
    EXPECT_EQ(*exitCode == 0u, withZero) << "exit code " << *exitCode;
  }

  std::map<std::wstring, ControlInfo> ControlsByText(HWND window) {
    std::map<std::wstring, ControlInfo> byText;
    for (const auto& control : driver::ListControls(window)) byText[control.text] = control;
    return byText;
  }

  ProductRegistryKey registry;
  std::wstring installFolder;
  std::optional<ChildProcess> program;
};

TEST_F(MainWindowTest, ShowsTheLoadedStateAndEndsWithExitCodeZeroOnClose) {
  HWND window = StartProgram();
  ASSERT_NE(window, nullptr);
  Sleep(500);  // let it paint before the screenshot

  auto controls = ControlsByText(window);
  std::wstring dataFolder = installFolder + L"\\Data\\";
  ControlInfo path;
  for (const auto& control : driver::ListControls(window)) {
    if (_wcsicmp(control.className.c_str(), L"Edit") == 0) path = control;
  }
  driver::SaveScreenshotPng(OnDriveZ(VYN_SCREENSHOT_FOLDER) + L"\\main-window.png");
  driver::PostClick(controls[L"Close"].handle);

  EXPECT_TRUE(controls.count(L"VYN Veltrix file downloader"));
  EXPECT_TRUE(controls.count(L"Data path:"));
  EXPECT_TRUE(controls.count(L"Select the files to download"));
  EXPECT_EQ(path.text, dataFolder);
  EXPECT_FALSE(path.enabled);
  EXPECT_TRUE(controls[L"MLS Data"].visible);
  EXPECT_EQ(controls[L"MLS Data"].checkState, 0);
  EXPECT_FALSE(controls[L"Tax Data (Public records)"].visible);  // no settings file: not offered
  EXPECT_FALSE(controls[L"Download"].enabled);
  EXPECT_TRUE(controls[L"Close"].enabled);
  ASSERT_NO_FATAL_FAILURE(ExpectEnded(true));
}

TEST_F(MainWindowTest, OpensCentredOnTheScreenWithTheClientAreaInTwips) {
  HDC screen = GetDC(nullptr);
  int dpiX = GetDeviceCaps(screen, LOGPIXELSX);
  int dpiY = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  RECT work;
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);

  HWND window = StartProgram();
  ASSERT_NE(window, nullptr);
  SIZE client = driver::ClientSize(window);
  RECT frame;
  GetWindowRect(window, &frame);
  PostMessageW(window, WM_CLOSE, 0, 0);  // the close box: same as "Close"

  EXPECT_EQ(client.cx, MulDiv(5796, dpiX, 1440));
  EXPECT_EQ(client.cy, MulDiv(3468, dpiY, 1440));
  EXPECT_NEAR((frame.left + frame.right) / 2.0, (work.left + work.right) / 2.0, 1.0);
  EXPECT_NEAR((frame.top + frame.bottom) / 2.0, (work.top + work.bottom) / 2.0, 1.0);
  ASSERT_NO_FATAL_FAILURE(ExpectEnded(true));
}

TEST_F(MainWindowTest, OffersTaxDataWhenTheSettingsSayItIsAvailable) {
  ASSERT_NO_FATAL_FAILURE(WriteSettings("TaxDataAvailable = Yes\r\n"));

  HWND window = StartProgram();
  ASSERT_NE(window, nullptr);
  Sleep(300);
  driver::SaveScreenshotPng(OnDriveZ(VYN_SCREENSHOT_FOLDER) + L"\\main-window-tax.png", window);
  auto controls = ControlsByText(window);
  driver::PostClick(controls[L"Close"].handle);

  EXPECT_TRUE(controls[L"Tax Data (Public records)"].visible);
  EXPECT_EQ(controls[L"Tax Data (Public records)"].checkState, 0);
  EXPECT_FALSE(controls[L"Download"].enabled);
  ASSERT_NO_FATAL_FAILURE(ExpectEnded(true));
}

TEST_F(MainWindowTest, FailureInTheLoadStepShowsARunTimeErrorReportAndEndsNonZero) {
  ASSERT_NO_FATAL_FAILURE(WriteSettings("TaxDataAvailable = Perhaps\r\n"));

  program.emplace(ChildProcess::Launch(L"\"" + OnDriveZ(VYN_PROGRAM_PATH) + L"\""));
  HWND box = driver::WaitForMessageBox(30000, program->Id());
  ASSERT_NE(box, nullptr);
  driver::MessageBoxInfo info = driver::ReadMessageBox(box);
  HWND mainWindow =
      driver::WaitForTopLevelWindow(L"VYN Veltrix", CaptionMatch::kPrefix, 0, program->Id());
  driver::PressMessageBoxButton(box, L"OK");

  EXPECT_EQ(info.title, L"VYNDataLoader");
  EXPECT_EQ(info.text.rfind(L"Run-time error '", 0), 0u) << NarrowForDiagnostics(info.text);
  EXPECT_NE(info.text.find(L"Veltrix Settings.txt"), std::wstring::npos) << NarrowForDiagnostics(info.text);
  EXPECT_EQ(mainWindow, nullptr);  // the window was never shown
  ASSERT_NO_FATAL_FAILURE(ExpectEnded(false));
}

}  // namespace
}  // namespace vyn::test
