#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <thread>

#include "ForegroundProgram.h"
#include "MessageBoxDriver.h"
#include "TestForm.h"
#include "WindowQueries.h"
#include "platform/Error.h"
#include "platform/win32/Win32FormsErrorReport.h"
#include "platform/win32/Win32MessageBoxes.h"

namespace vyn::test {
namespace {

// What a user saw in the box, and whether the form was blocked meanwhile.
struct Seen {
  driver::MessageBoxInfo box;
  LONG yesStyle = 0;
  HWND owner = nullptr;
  bool formEnabled = true;
};

// A user on another thread: waits for the box, looks at it, presses a button.
std::thread AnswerBox(Seen& seen, const std::wstring& button, HWND form) {
  return std::thread([&seen, button, form] {
    HWND box = driver::WaitForMessageBox(10000, GetCurrentProcessId());
    if (box == nullptr) return;
    seen.box = driver::ReadMessageBox(box);
    seen.owner = GetWindow(box, GW_OWNER);
    seen.formEnabled = form == nullptr || IsWindowEnabled(form);
    for (const auto& control : driver::ListControls(box)) {
      if (control.text == L"&Yes") seen.yesStyle = GetWindowLongW(control.handle, GWL_STYLE);
    }
    driver::PressMessageBoxButton(box, button);
  });
}

using MessageBoxesTest = FormsTest;

TEST_F(MessageBoxesTest, YesNoBoxOverTheActiveFormBlocksItAndReturnsTheAnswer) {
  Win32Form& owner = Load();
  owner.Show();
  Win32MessageBoxes boxes;
  Seen seen;
  std::thread user = AnswerBox(seen, L"&No", owner.Handle());

  MessageAnswer answer = boxes.Show(L"Retry?", L"Connect Error", MessageButtons::kYesNo);
  user.join();

  EXPECT_EQ(answer, MessageAnswer::kNo);
  EXPECT_EQ(seen.box.title, L"Connect Error");
  EXPECT_EQ(seen.box.text, L"Retry?");
  EXPECT_EQ(seen.box.buttons, (std::vector<std::wstring>{L"&Yes", L"&No"}));
  EXPECT_EQ(seen.yesStyle & 0x0F, BS_DEFPUSHBUTTON);  // Yes is the default
  EXPECT_EQ(seen.owner, owner.Handle());
  EXPECT_FALSE(seen.formEnabled);
  EXPECT_TRUE(IsWindowEnabled(owner.Handle()));
}

// With another program in the foreground the thread has no active window; the
// boxes still belong to the main window and block it.
TEST_F(MessageBoxesTest, BoxesWhileAnotherProgramHasTheForegroundBlockTheMainWindow) {
  Win32Form& mainWindow = Load();
  mainWindow.Show();
  Win32MessageBoxes boxes;
  const std::function<void()> shows[] = {
      [&] { boxes.Show(L"Download Complete", L"VYNDataLoader", MessageButtons::kOk); },
      [] { ShowRuntimeErrorReport(Error(errors::kInvalidProcedureCall, L"Handler failed")); },
  };
  for (const auto& show : shows) {
    driver::ForegroundProgram other;
    // The thread learns from its queue that it lost the activation.
    ASSERT_TRUE(PumpUntil([] { return GetActiveWindow() == nullptr; }));
    Seen seen;
    std::thread user = AnswerBox(seen, L"OK", mainWindow.Handle());

    show();
    user.join();

    EXPECT_EQ(seen.box.buttons, std::vector<std::wstring>{L"OK"});
    EXPECT_EQ(seen.owner, mainWindow.Handle());
    EXPECT_FALSE(seen.formEnabled);
    EXPECT_TRUE(IsWindowEnabled(mainWindow.Handle()));
  }
}

TEST_F(MessageBoxesTest, OkBoxWithoutAnyWindowReturnsOk) {
  Win32MessageBoxes boxes;
  Seen seen;
  std::thread user = AnswerBox(seen, L"OK", nullptr);

  MessageAnswer answer = boxes.Show(L"Download Complete", L"VYNDataLoader", MessageButtons::kOk);
  user.join();

  EXPECT_EQ(answer, MessageAnswer::kOk);
  EXPECT_EQ(seen.box.buttons, std::vector<std::wstring>{L"OK"});
  EXPECT_EQ(seen.box.text, L"Download Complete");
}

TEST_F(MessageBoxesTest, WaitAndDispatchProcessesAQueuedClick) {
  Win32Form& loadedForm = Load();
  loadedForm.Show();
  PostMessageW(ControlOf(L"cmdCancel"), BM_CLICK, 0, 0);

  pump.WaitAndDispatch();  // one wait, then everything pending

  EXPECT_EQ(events.clicks, std::vector<std::wstring>{L"cmdCancel"});
}

}  // namespace
}  // namespace vyn::test
