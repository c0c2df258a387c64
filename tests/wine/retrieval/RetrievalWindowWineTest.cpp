// The retrieval window on the (virtual) display: a real modal window whose
// Cancel button is clicked while the server drips the body or stalls, and
// whose retry question blocks it while another program has the foreground.

#include "WinePlatform.h"  // first: it settles <windows.h>'s file macros

#include <commctrl.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "ForegroundProgram.h"
#include "LoopbackHttpServer.h"
#include "MessageBoxDriver.h"
#include "TempFolder.h"
#include "TransferCases.h"
#include "WindowQueries.h"
#include "platform/win32/Win32Form.h"
#include "retrieval/frmGetHTMLFile.h"

namespace vyn::test {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// The retrieval window once its first tick named it. FindWindow sends no
// message, so it answers while the window's thread is blocked in a read.
HWND WaitForRetrievalWindow() {
  for (auto until = Clock::now() + 10s; Clock::now() < until;) {
    if (HWND window = FindWindowW(nullptr, L"Downloading MLS Data")) return window;
    std::this_thread::sleep_for(20ms);
  }
  return nullptr;
}

// A user on another thread who clicks the window's Cancel button `after` it
// appeared; the click is queued while the window's thread is blocked.
struct CancelClick {
  std::atomic<bool> done{false};
  Clock::time_point at;
};

std::thread ClickCancelAfter(std::chrono::milliseconds after, CancelClick& click) {
  return std::thread([after, &click] {
    HWND window = WaitForRetrievalWindow();
    if (!window) return;
    std::this_thread::sleep_for(after);
    HWND cancel = FindWindowExW(window, nullptr, L"Button", L"&Cancel");
    if (!cancel) return;
    click.at = Clock::now();
    click.done = true;
    PostMessageW(cancel, BM_CLICK, 0, 0);
  });
}

// The transfer's network timeout, and what a wait may take beyond it.
constexpr auto kNetworkTimeout = 30s;
constexpr auto kMargin = 10s;

class RetrievalWindowWineTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
  }

  RetrievalStatus Fetch(std::uint16_t port) { return Fetch(wine.platform, port); }
  RetrievalStatus Fetch(Platform& platform, std::uint16_t port) {
    frmGetHTMLFile window(platform);
    Boolean quiet = kTrue;
    std::wstring url = L"127.0.0.1:" + std::to_wstring(port) + L"/Downloads/x.vyn";
    return window.GetFile(url, target, kFalse, L"Downloading MLS Data", kFalse, 4096, quiet);
  }

  // A cancelled transfer: the old target as it was, and nothing beside it.
  void ExpectTargetKept() {
    EXPECT_EQ(ReadBytes(target), kOldArchive);
    EXPECT_TRUE(FilesIn(scratch.Path(), "~re").empty());
  }

  TempFolder scratch;
  std::wstring target = scratch / L"x.zip";
  WinePlatformWithRealWindows wine;
};

TEST_F(RetrievalWindowWineTest, CompleteDownloadReturns0AndUnloadsTheWindow) {
  std::string body(200000, 'P');
  LoopbackHttpServer server({LoopbackHttpServer::Ok(body)});

  RetrievalStatus status = Fetch(server.Port());

  EXPECT_EQ(status, 0);
  EXPECT_TRUE(ReadBytes(target) == body);
  EXPECT_EQ(FindWindowW(nullptr, L"Downloading MLS Data"), nullptr);
}

TEST_F(RetrievalWindowWineTest, CancelClickedWhileTheServerDripsEndsWithinASecond) {
  WriteBytes(target, kOldArchive);
  LoopbackHttpServer::Reply slow = LoopbackHttpServer::Ok(std::string(1 << 20, 'P'));
  slow.dripChunk = 1024;
  slow.dripDelay = std::chrono::milliseconds(50);
  LoopbackHttpServer server({slow});
  CancelClick click;
  std::thread user = ClickCancelAfter(500ms, click);  // some body has come

  RetrievalStatus status = Fetch(server.Port());

  auto returned = Clock::now();
  user.join();
  ASSERT_TRUE(click.done) << "no window with a Cancel button appeared";
  EXPECT_EQ(status, 1);
  EXPECT_LT(returned - click.at, std::chrono::seconds(1));
  ASSERT_NO_FATAL_FAILURE(ExpectTargetKept());
}

// A read takes what has arrived: 16 bytes a second give a check point a second.
TEST_F(RetrievalWindowWineTest, CancelClickedWhileTheServerTricklesEndsWithinTwoSeconds) {
  WriteBytes(target, kOldArchive);
  LoopbackHttpServer server({LoopbackHttpServer::TrickledAfterHalf(std::string(200000, 'P'))}, 40s);
  CancelClick click;
  std::thread user = ClickCancelAfter(3s, click);  // half the body has come; the rest trickles

  RetrievalStatus status = Fetch(server.Port());

  auto returned = Clock::now();
  user.join();
  ASSERT_TRUE(click.done) << "no window with a Cancel button appeared";
  EXPECT_EQ(status, 1);
  EXPECT_LT(std::chrono::duration<double>(returned - click.at).count(), 2.0);
  EXPECT_TRUE(wine.boxes.Shown().empty());
  ASSERT_NO_FATAL_FAILURE(ExpectTargetKept());
}

// Windows greys a window whose thread has not looked at its messages for 5 s
// and offers to end the program; Wine's server keeps the same rule. The window
// must answer while the read waits on a silent server.
TEST_F(RetrievalWindowWineTest, AnswersAnotherProcessSixSecondsIntoAStall) {
  WriteBytes(target, kOldArchive);
  LoopbackHttpServer server({LoopbackHttpServer::StalledHalfway(std::string(200000, 'P'))}, 90s);
  wine.boxes.ScriptAnswer(MessageAnswer::kNo);
  std::string hung = "no retrieval window appeared";
  std::thread user([&] {
    if (HWND window = WaitForRetrievalWindow()) {
      std::this_thread::sleep_for(6s);
      hung = driver::HungFromAnotherProcess(window);
    }
    server.EndStalls();  // the body cut short: a read failure, answered No
  });

  RetrievalStatus status = Fetch(server.Port());
  user.join();

  EXPECT_EQ(hung, "");
  EXPECT_EQ(status, 3);
  ASSERT_NO_FATAL_FAILURE(ExpectTargetKept());
}

// Waits out the network timeout once: the read blocks until it ends, and the
// queued click then ends the transfer with no retry question.
TEST_F(RetrievalWindowWineTest, CancelClickedWhileTheServerStallsEndsCancelledWhenTheWaitEnds) {
  WriteBytes(target, kOldArchive);
  LoopbackHttpServer server({LoopbackHttpServer::StalledHalfway(std::string(200000, 'P'))}, 90s);
  CancelClick click;
  std::thread user = ClickCancelAfter(2s, click);  // half the body has come; the read waits
  auto start = Clock::now();

  RetrievalStatus status = Fetch(server.Port());

  auto returned = Clock::now();
  user.join();
  ASSERT_TRUE(click.done) << "no window with a Cancel button appeared";
  EXPECT_EQ(status, 1);
  EXPECT_TRUE(wine.boxes.Shown().empty());
  EXPECT_LT(returned - start, kNetworkTimeout + kMargin);
  ASSERT_NO_FATAL_FAILURE(ExpectTargetKept());
}

class IgnoredEvents : public FormEvents {
 public:
  void OnClick(const std::wstring&) override {}
};

// Another program takes the foreground while the transfer waits on a stalled
// server; when the stall ends (the body cut short) the thread has no active
// window. The retry question still belongs to the retrieval window, and neither
// it nor the main window takes input while the question is up.
TEST_F(RetrievalWindowWineTest, RetryQuestionWhileAnotherProgramHasTheForegroundBlocksOurWindows) {
  WinePlatformWithRealBoxes real;
  FormDesign design;
  design.name = L"frmMain";
  design.caption = L"Main window";
  design.clientWidth = 4800;
  design.clientHeight = 2400;
  IgnoredEvents events;
  std::unique_ptr<Form> mainWindow = real.forms.Load(design, events);
  mainWindow->Show();
  HWND mainHandle = dynamic_cast<Win32Form&>(*mainWindow).Handle();
  LoopbackHttpServer server({LoopbackHttpServer::StalledHalfway(std::string(200000, 'P'))});
  struct {
    bool otherInFront = false;
    HWND retrieval = nullptr;
    std::wstring title;
    HWND owner = nullptr;
    std::wstring retrievalCaption;
    bool retrievalEnabled = true;
    bool mainEnabled = true;
  } seen;
  std::thread user([&] {
    seen.retrieval = WaitForRetrievalWindow();
    if (!seen.retrieval) return;
    std::this_thread::sleep_for(1s);  // the read now waits
    try {
      driver::ForegroundProgram other;
      seen.otherInFront = GetForegroundWindow() == other.Window() &&
                          driver::WaitForMessageBox(0, GetCurrentProcessId()) == nullptr;
      server.EndStalls();
      HWND box = driver::WaitForMessageBox(20000, GetCurrentProcessId());
      if (box == nullptr) return;
      seen.title = driver::WindowText(box);
      seen.owner = GetWindow(box, GW_OWNER);
      seen.retrievalCaption = driver::WindowText(seen.retrieval);
      seen.retrievalEnabled = IsWindowEnabled(seen.retrieval) != FALSE;
      seen.mainEnabled = IsWindowEnabled(mainHandle) != FALSE;
      driver::PressMessageBoxButton(box, L"&No");
    } catch (const std::exception&) {
      server.EndStalls();  // the test then fails on what was not seen
    }
  });

  RetrievalStatus status = Fetch(real.platform, server.Port());
  user.join();

  ASSERT_TRUE(seen.otherInFront) << "the other program never had the foreground alone";
  EXPECT_EQ(status, 3);
  EXPECT_EQ(seen.title, L"Connect Error");
  EXPECT_EQ(seen.retrievalCaption, L"Error Reading File");
  EXPECT_EQ(seen.owner, seen.retrieval);
  EXPECT_FALSE(seen.retrievalEnabled);
  EXPECT_FALSE(seen.mainEnabled);
  EXPECT_TRUE(IsWindowEnabled(mainHandle));
}

}  // namespace
}  // namespace vyn::test
