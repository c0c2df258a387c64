#pragma once

#include <gtest/gtest.h>

#include <string>

#include "FakePlatform.h"
#include "platform/Platform.h"
#include "retrieval/frmGetHTMLFile.h"

namespace vyn::test {

// What every ended transfer leaves: no temporary or staging file, no file or
// handle open.
inline void ExpectNothingLeftBehind(const fakes::FakePlatform& ended) {
  EXPECT_TRUE(ended.disk.FilesIn(L"C:\\Users\\user\\AppData\\Local\\Temp", L"~re").empty());
  EXPECT_TRUE(ended.disk.FilesIn(L"C:\\Data", L"~re").empty());
  EXPECT_EQ(ended.disk.OpenFiles(), 0);
  EXPECT_EQ(ended.inet.OpenHandles(), 0);
}

// One retrieval window over fakes: a scripted WinInet, an in-memory disk,
// windows without a screen and scripted message boxes.
class RetrievalTest : public ::testing::Test, protected fakes::FakePlatform {
 protected:
  static constexpr const wchar_t* kUrl = L"downloads.example.test/Downloads/ABCData.vyn";
  static constexpr const wchar_t* kTarget = L"C:\\Data\\ABCData.zip";

  RetrievalTest() { disk.AddFolder(L"C:\\Data"); }

  RetrievalStatus Fetch(const std::wstring& url = kUrl, const std::wstring& target = kTarget,
                        Boolean quiet = kTrue, std::int32_t bufferSize = 4096) {
    return window.GetFile(url, target, kFalse, L"Downloading MLS Data", kFalse, bufferSize, quiet);
  }

  // A click on Cancel at the n-th check point of the transfer.
  void CancelAtCheckPoint(int n) {
    pump.onDoEvents = [this, n](int call) {
      if (call == n) forms.Find(L"frmGetHTMLFile")->Click(L"cmdCancel");
    };
  }

  // Each read takes `ms` of the clock: at 25 ms or more, the body looks at the
  // queue (and moves the bar) after every one.
  static void ReadsTake(fakes::FakePlatform& fakes, std::int64_t ms) {
    fakes.inet.onCall = [&fakes, ms](const fakes::FakeWinInet::Call& call) {
      if (call.function == "InternetReadFile") fakes.clock.now += ms;
    };
  }

  // A fresh retrieval window over other fakes.
  static RetrievalStatus FetchOver(fakes::FakePlatform& other, Boolean quiet = kTrue,
                                   const std::wstring& url = kUrl) {
    frmGetHTMLFile otherWindow(other.platform);
    return otherWindow.GetFile(url, kTarget, kFalse, L"x", kFalse, 4096, quiet);
  }

  frmGetHTMLFile window{platform};
};

}  // namespace vyn::test
