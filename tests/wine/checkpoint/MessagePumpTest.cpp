#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>

#include "WindowQueries.h"
#include "platform/win32/Win32MessagePump.h"
#include "platform/win32/Win32ResponsiveWait.h"

namespace vyn::test {
namespace {

constexpr UINT kPing = WM_APP + 1;

// A hidden window that counts the pings, timer ticks, sent messages and F13 key
// strokes it is given; and the wait its thread does while a long call (the
// send, a read that must wait, the unpack) runs on a worker.
class MessagePumpTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WNDCLASSW cls{};
    cls.lpfnWndProc = Procedure;
    cls.hInstance = GetModuleHandleW(nullptr);
    cls.lpszClassName = L"VynPumpTestWindow";
    RegisterClassW(&cls);
    window_ = CreateWindowExW(0, cls.lpszClassName, L"", WS_OVERLAPPED, 0, 0, 10, 10, nullptr,
                              nullptr, cls.hInstance, nullptr);
    ASSERT_NE(window_, nullptr);
    pings = ticks = keys = 0;
    // Nothing left over from creating the window.
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  }
  void TearDown() override {
    if (window_) DestroyWindow(window_);
  }

  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kPing) {
      ++pings;
      return 42;
    }
    if ((message == WM_KEYDOWN || message == WM_KEYUP) && wParam == VK_F13) {
      ++keys;
      return 0;
    }
    if (message == WM_TIMER) {
      ++ticks;
      KillTimer(window, wParam);
      return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
  }

  static inline std::atomic<int> pings{0};
  static inline std::atomic<int> ticks{0};
  static inline std::atomic<int> keys{0};
  HWND window_ = nullptr;
  Win32MessagePump pump_;
  Win32ResponsiveWait waits_;
};

TEST_F(MessagePumpTest, DoEventsDispatchesEveryPostedMessage) {
  for (int i = 0; i < 3; ++i) PostMessageW(window_, kPing, 0, 0);

  pump_.DoEvents();

  EXPECT_EQ(pings, 3);
}

TEST_F(MessagePumpTest, DoEventsRunsATimerThatIsDue) {
  SetTimer(window_, 1, 1, nullptr);
  Sleep(30);

  pump_.DoEvents();

  EXPECT_EQ(ticks, 1);
}

// Input from the devices wakes the queue under bits of its own, not as a posted message.
TEST_F(MessagePumpTest, DoEventsDispatchesAKeyStrokeFromTheKeyboard) {
  ShowWindow(window_, SW_SHOW);
  SetForegroundWindow(window_);
  SetFocus(window_);
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  INPUT stroke[2]{};
  stroke[0].type = stroke[1].type = INPUT_KEYBOARD;
  stroke[0].ki.wVk = stroke[1].ki.wVk = VK_F13;
  stroke[1].ki.dwFlags = KEYEVENTF_KEYUP;
  ASSERT_EQ(SendInput(2, stroke, sizeof(INPUT)), 2u);
  ASSERT_NE(HIWORD(GetQueueStatus(QS_KEY)), 0u) << "the key stroke never reached this thread";

  pump_.DoEvents();

  EXPECT_EQ(keys, 2);
}

TEST_F(MessagePumpTest, DoEventsAnswersAMessageSentFromAnotherThread) {
  std::atomic<LRESULT> answer{0};
  std::thread sender([&] { answer = SendMessageW(window_, kPing, 0, 0); });
  // The sender blocks until this thread takes its message.
  for (int i = 0; i < 500 && pings == 0; ++i) {
    Sleep(2);
    pump_.DoEvents();
  }
  sender.join();

  EXPECT_EQ(pings, 1);
  EXPECT_EQ(answer, 42);
}

TEST_F(MessagePumpTest, DoEventsLeavesTheQuitMessageForTheLoopThatOwnsIt) {
  PostMessageW(window_, kPing, 0, 0);
  PostQuitMessage(3);

  pump_.DoEvents();
  MSG msg{};
  BOOL quitLeft = PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);

  EXPECT_EQ(pings, 1);
  EXPECT_TRUE(quitLeft);
  EXPECT_EQ(msg.wParam, 3u);
}

// The unpack of a large archive on the main window's thread outlasts Windows'
// 5 s hung-window rule, which Wine's server keeps too.
TEST_F(MessagePumpTest, WaitAnswersAnotherProcessDuringACallOfSevenSeconds) {
  std::string hung = "not asked";
  std::thread user([&] {
    Sleep(6000);
    hung = driver::HungFromAnotherProcess(window_);
  });

  waits_.Run([] { Sleep(7000); });
  user.join();

  EXPECT_EQ(hung, "");
}

TEST_F(MessagePumpTest, WaitAnswersSentMessagesAndLeavesPostedOnesAndKeyStrokesQueued) {
  ShowWindow(window_, SW_SHOW);
  SetForegroundWindow(window_);
  SetFocus(window_);
  std::atomic<LRESULT> answer{0};
  std::atomic<UINT> keysSent{0};
  PostMessageW(window_, kPing, 0, 0);

  waits_.Run([&] {
    answer = SendMessageW(window_, kPing, 0, 0);  // answered by the waiting thread
    INPUT stroke[2]{};
    stroke[0].type = stroke[1].type = INPUT_KEYBOARD;
    stroke[0].ki.wVk = stroke[1].ki.wVk = VK_F13;
    stroke[1].ki.dwFlags = KEYEVENTF_KEYUP;
    keysSent = SendInput(2, stroke, sizeof(INPUT));
    Sleep(600);  // the waiting thread looks at its queue meanwhile
  });
  int pingsInTheWait = pings;
  int keysInTheWait = keys;
  pump_.DoEvents();  // the next check point

  EXPECT_EQ(answer, 42);
  EXPECT_EQ(pingsInTheWait, 1);
  EXPECT_EQ(keysInTheWait, 0);
  ASSERT_EQ(keysSent, 2u);
  EXPECT_EQ(pings, 2);
  EXPECT_EQ(keys, 2);
}

TEST_F(MessagePumpTest, WaitThrowsTheCallsFailureOnTheWaitingThread) {
  DWORD caller = GetCurrentThreadId();
  DWORD worker = caller;

  EXPECT_THROW(waits_.Run([&] {
    worker = GetCurrentThreadId();
    throw std::runtime_error("unpacking failed");
  }),
               std::runtime_error);
  EXPECT_NE(worker, caller);
}

}  // namespace
}  // namespace vyn::test
