#include <gtest/gtest.h>
#include <windows.h>

#include "ChildProcess.h"
#include "MessageBoxDriver.h"
#include "WindowQueries.h"
#include "WinePath.h"

namespace vyn::test {
namespace {

using driver::OnDriveZ;

TEST(ErrorReportTest, FailureInAClickHandlerIsReportedAndEndsTheProgramWithNonZeroCode) {
  auto program = driver::ChildProcess::Launch(L"\"" + OnDriveZ(VYN_THROWING_PROGRAM) + L"\"");
  HWND window = driver::WaitForTopLevelWindow(L"Throwing form", driver::CaptionMatch::kExact, 30000,
                                              program.Id());
  ASSERT_NE(window, nullptr);

  driver::PostClick(driver::FindControl(window, L"Fail").handle);
  HWND box = driver::WaitForMessageBox(15000, program.Id());
  ASSERT_NE(box, nullptr);
  driver::MessageBoxInfo info = driver::ReadMessageBox(box);
  driver::PressMessageBoxButton(box, L"OK");
  auto exitCode = program.WaitForExit(15000);

  EXPECT_EQ(info.title, L"VYNDataLoader");
  EXPECT_EQ(info.text, L"Run-time error '5':\r\n\r\nHandler failed");
  EXPECT_EQ(info.buttons, std::vector<std::wstring>{L"OK"});
  ASSERT_TRUE(exitCode.has_value());
  EXPECT_NE(*exitCode, 0u);
}

}  // namespace
}  // namespace vyn::test
