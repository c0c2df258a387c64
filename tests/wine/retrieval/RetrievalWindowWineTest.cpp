// The retrieval window on the (virtual) display: a real modal window whose
// Cancel button is clicked while the server drips the body.

#include "WinePlatform.h"  // first: it settles <windows.h>'s file macros

#include <commctrl.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "LoopbackHttpServer.h"
#include "RealDiskFixture.h"
#include "retrieval/frmGetHTMLFile.h"

namespace vyn::test {
namespace {

using Clock = std::chrono::steady_clock;

HWND WaitForWindow(const wchar_t* caption, std::chrono::milliseconds timeout) {
  auto until = Clock::now() + timeout;
  while (Clock::now() < until) {
    if (HWND window = FindWindowW(nullptr, caption)) return window;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return nullptr;
}

class RetrievalWindowWineTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
  }

  RetrievalStatus Fetch(std::uint16_t port) {
    frmGetHTMLFile window(wine.platform);
    Boolean quiet = kTrue;
    std::wstring url = L"127.0.0.1:" + std::to_wstring(port) + L"/Downloads/x.vyn";
    return window.GetFile(url, target, kFalse, L"Downloading MLS Data", kFalse, 4096, quiet);
  }

  ScratchFolder scratch;
  std::wstring target = scratch.Path() + L"x.zip";
  WinePlatformWithRealWindows wine;
};

TEST_F(RetrievalWindowWineTest, CompleteDownloadReturns0AndUnloadsTheWindow) {
  std::string body(200000, 'P');
  LoopbackHttpServer server({LoopbackHttpServer::Ok(body)});

  RetrievalStatus status = Fetch(server.Port());

  EXPECT_EQ(status, 0);
  std::string stored;
  ASSERT_TRUE(ReadWholeFile(target, stored));
  EXPECT_TRUE(stored == body);
  EXPECT_EQ(FindWindowW(nullptr, L"Downloading MLS Data"), nullptr);
}

TEST_F(RetrievalWindowWineTest, CancelClickedWhileTheServerDripsEndsWithinASecond) {
  WriteWholeFile(target, "old archive");
  LoopbackHttpServer::Reply slow = LoopbackHttpServer::Ok(std::string(1 << 20, 'P'));
  slow.dripChunk = 1024;
  slow.dripDelay = std::chrono::milliseconds(50);
  LoopbackHttpServer server({slow});
  std::atomic<bool> clickedFlag{false};
  Clock::time_point clicked;
  std::thread user([&] {
    HWND window = WaitForWindow(L"Downloading MLS Data", std::chrono::seconds(10));
    if (!window) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(500));  // some body has come
    HWND cancel = FindWindowExW(window, nullptr, L"Button", L"&Cancel");
    if (!cancel) return;
    clicked = Clock::now();
    clickedFlag = true;
    PostMessageW(cancel, BM_CLICK, 0, 0);
  });

  RetrievalStatus status = Fetch(server.Port());

  auto returned = Clock::now();
  user.join();
  ASSERT_TRUE(clickedFlag) << "no window with a Cancel button appeared";
  EXPECT_EQ(status, 1);
  EXPECT_LT(returned - clicked, std::chrono::seconds(1));
  std::string stored;
  ASSERT_TRUE(ReadWholeFile(target, stored));
  EXPECT_EQ(stored, "old archive");
  EXPECT_TRUE(FilesIn(scratch.Path(), L"~re").empty());
}

}  // namespace
}  // namespace vyn::test
