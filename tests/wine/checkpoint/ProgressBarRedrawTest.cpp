#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include "platform/win32/Win32FormsControls.h"

namespace vyn::test {
namespace {

// A window with a bar as wide as the retrieval window's (137 pixels at 96 DPI);
// every position the bar is told to show is counted.
class ProgressBarRedrawTest : public ::testing::Test {
 protected:
  void SetUp() override {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    parent_ = CreateWindowExW(0, L"STATIC", L"bar", WS_OVERLAPPED | WS_CAPTION, 0, 0, 240, 80,
                              nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(parent_, nullptr);
    handle_ = CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_CHILD | WS_VISIBLE, 4, 8, kWidth, 13,
                              parent_, nullptr, nullptr, nullptr);
    ASSERT_NE(handle_, nullptr);
    SetWindowSubclass(handle_, CountPositions, 0, reinterpret_cast<DWORD_PTR>(&positionsSent_));
    ShowWindow(parent_, SW_SHOW);
  }
  void TearDown() override {
    if (handle_) RemoveWindowSubclass(handle_, CountPositions, 0);
    if (parent_) DestroyWindow(parent_);
  }

  static LRESULT CALLBACK CountPositions(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                         UINT_PTR, DWORD_PTR counter) {
    if (message == PBM_SETPOS) ++*reinterpret_cast<int*>(counter);
    return DefSubclassProc(window, message, wParam, lParam);
  }

  LRESULT Position() const { return SendMessageW(handle_, PBM_GETPOS, 0, 0); }

  static constexpr int kWidth = 137;
  HWND parent_ = nullptr;
  HWND handle_ = nullptr;
  int positionsSent_ = 0;
};

TEST_F(ProgressBarRedrawTest, ChunkByChunkTheBarMovesOncePerPixelWhileValueStaysExact) {
  Win32ProgressBar bar(handle_);
  // Odd sizes, as short reads give them, some 50 MB in all: past 2^24 the float
  // sum rounds, and the bar must still hold exactly the float it was given.
  const int sizes[] = {4095, 1, 8191, 4097, 2049, 3};
  const int chunks = 16384;
  auto add = [](float value, int count) {  // as the transfer adds a chunk
    return static_cast<float>(static_cast<double>(value) + count);
  };
  float total = 0;
  for (int chunk = 0; chunk < chunks; ++chunk) total = add(total, sizes[chunk % 6]);
  bar.SetMax(total);
  bar.SetValue(0);
  positionsSent_ = 0;
  float expected = 0;
  int inexact = 0;

  for (int chunk = 0; chunk < chunks; ++chunk) {
    expected = add(expected, sizes[chunk % 6]);
    bar.SetValue(add(bar.Value(), sizes[chunk % 6]));
    if (bar.Value() != expected) ++inexact;
  }

  EXPECT_EQ(inexact, 0);
  EXPECT_GE(positionsSent_, kWidth / 2);
  EXPECT_LE(positionsSent_, kWidth + 2);
  EXPECT_EQ(Position(), Win32ProgressBar::kRange);
}

TEST_F(ProgressBarRedrawTest, RestartAndFirstBytesAreShownAtOnce) {
  Win32ProgressBar bar(handle_);
  bar.SetMax(100000);
  bar.SetValue(100000);
  LRESULT full = Position();

  bar.SetValue(0);
  LRESULT restarted = Position();
  bar.SetMax(1e7f);
  int sentBefore = positionsSent_;
  bar.SetValue(4096);  // far less than one pixel of the bar
  int sentForFirstChunk = positionsSent_ - sentBefore;
  LRESULT first = Position();
  bar.SetValue(8192);
  int sentForSecondChunk = positionsSent_ - sentBefore - sentForFirstChunk;

  EXPECT_EQ(full, Win32ProgressBar::kRange);
  EXPECT_EQ(restarted, 0);
  EXPECT_EQ(sentForFirstChunk, 1);
  EXPECT_GT(first, 0);
  EXPECT_EQ(bar.Value(), 8192.0f);
  EXPECT_EQ(sentForSecondChunk, 0);
}

TEST_F(ProgressBarRedrawTest, NewMaxMovesTheBarToTheNewShare) {
  Win32ProgressBar bar(handle_);
  bar.SetMax(100);
  bar.SetValue(50);
  LRESULT half = Position();

  bar.SetMax(200);
  LRESULT quarter = Position();
  bar.SetMax(0);
  LRESULT empty = Position();

  EXPECT_NEAR(static_cast<double>(half), Win32ProgressBar::kRange / 2.0, 1.0);
  EXPECT_NEAR(static_cast<double>(quarter), Win32ProgressBar::kRange / 4.0, 1.0);
  EXPECT_EQ(empty, 0);
  EXPECT_EQ(bar.Value(), 50.0f);
}

}  // namespace
}  // namespace vyn::test
