// The wait the window's thread does while a long call (the send, a read that
// must wait, the unpack) runs on a worker: a real shown window, a sender on
// another thread and a second process that applies Windows' hung-window rule.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>

#include "WindowQueries.h"
#include "platform/win32/Win32ResponsiveWait.h"

namespace vyn::test {
namespace {

constexpr UINT kPing = WM_APP + 2;

class ResponsiveWaitTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WNDCLASSW cls{};
    cls.lpfnWndProc = Procedure;
    cls.hInstance = GetModuleHandleW(nullptr);
    cls.lpszClassName = L"VynResponsiveWaitTestWindow";
    RegisterClassW(&cls);
    window_ = CreateWindowExW(0, cls.lpszClassName, L"Responsive wait", WS_OVERLAPPEDWINDOW, 0, 0,
                              200, 100, nullptr, nullptr, cls.hInstance, nullptr);
    ASSERT_NE(window_, nullptr);
    ShowWindow(window_, SW_SHOW);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    pings = 0;
  }
  void TearDown() override {
    if (window_) DestroyWindow(window_);
  }

  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kPing) return ++pings;
    return DefWindowProcW(window, message, wParam, lParam);
  }

  static inline std::atomic<int> pings{0};
  HWND window_ = nullptr;
  Win32ResponsiveWait waits_;
};

// The unpack of a large archive on the main window's thread, longer than the 5 s rule.
TEST_F(ResponsiveWaitTest, WindowAnswersAnotherProcessWhileACallOfSevenSecondsRuns) {
  std::string hung = "not asked";
  std::thread user([&] {
    std::this_thread::sleep_for(std::chrono::seconds(6));
    hung = driver::HungFromAnotherProcess(window_);
  });

  waits_.Run([] { Sleep(7000); });
  user.join();

  EXPECT_EQ(hung, "");
}

// A message sent meanwhile is answered; a posted one and a key stroke stay for
// the next check point.
TEST_F(ResponsiveWaitTest, AnswersSentMessagesAndLeavesPostedOnesAndInputQueued) {
  SetForegroundWindow(window_);
  SetFocus(window_);
  std::atomic<LRESULT> answer{0};
  std::atomic<int> pingsWhileWaiting{-1};
  std::atomic<UINT> keysSent{0};
  PostMessageW(window_, kPing, 0, 0);

  waits_.Run([&] {
    answer = SendMessageW(window_, kPing, 0, 0);  // blocks until the waiting thread answers
    pingsWhileWaiting = pings.load();
    INPUT stroke[2]{};
    stroke[0].type = stroke[1].type = INPUT_KEYBOARD;
    stroke[0].ki.wVk = stroke[1].ki.wVk = VK_F13;
    stroke[1].ki.dwFlags = KEYEVENTF_KEYUP;
    keysSent = SendInput(2, stroke, sizeof(INPUT));
    Sleep(600);  // the waiting thread looks at its queue meanwhile
  });
  MSG msg{};
  BOOL postedLeft = PeekMessageW(&msg, window_, kPing, kPing, PM_REMOVE);
  BOOL keyLeft = PeekMessageW(&msg, nullptr, WM_KEYDOWN, WM_KEYDOWN, PM_REMOVE);

  EXPECT_EQ(answer, 1);
  EXPECT_EQ(pingsWhileWaiting, 1);
  EXPECT_TRUE(postedLeft);
  ASSERT_EQ(keysSent, 2u);
  EXPECT_TRUE(keyLeft) << "the key stroke was taken out during the wait";
}

TEST_F(ResponsiveWaitTest, FailureOfTheCallIsThrownOnTheWaitingThread) {
  DWORD waitingThread = GetCurrentThreadId();
  DWORD workerThread = 0;

  EXPECT_THROW(waits_.Run([&] {
    workerThread = GetCurrentThreadId();
    throw std::runtime_error("unpacking failed");
  }),
               std::runtime_error);
  EXPECT_NE(workerThread, 0u);
  EXPECT_NE(workerThread, waitingThread);
}

}  // namespace
}  // namespace vyn::test
