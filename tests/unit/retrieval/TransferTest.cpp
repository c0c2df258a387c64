// The transfer over a scripted WinInet: what a complete download does, the
// exact WinInet calls, progress accounting, the error page and Cancel.

#include <gtest/gtest.h>

#include "RetrievalFixture.h"

namespace vyn::test {
namespace {

using Call = fakes::FakeWinInet::Call;
using Response = fakes::FakeWinInet::Response;

std::string Bytes(std::size_t size, char first = 'P') {
  std::string s(size, 'x');
  for (std::size_t i = 0; i < size; ++i) s[i] = static_cast<char>('a' + i % 26);
  if (size) s[0] = first;
  return s;
}

TEST_F(RetrievalTest, CompleteBodyReplacesTargetAndReturns0) {
  disk.AddFile(kTarget, "old archive");
  std::string body = Bytes(10000);
  inet.responses = {fakes::FakeWinInet::Body(body, 4096)};

  RetrievalStatus status = Fetch();

  EXPECT_EQ(status, 0);
  EXPECT_EQ(disk.Contents(kTarget), body);
  EXPECT_TRUE(TempFiles().empty());
  EXPECT_TRUE(StagingFiles().empty());
  EXPECT_EQ(disk.OpenFiles(), 0);
  EXPECT_EQ(inet.OpenHandles(), 0);
  EXPECT_EQ(inet.BadCloses(), 0);
  EXPECT_TRUE(boxes.Shown().empty());
  EXPECT_EQ(forms.Unloads(L"frmGetHTMLFile"), 1);
}

TEST_F(RetrievalTest, WinInetIsCalledWithExactlyTheTransfersArgumentsAndTimeouts) {
  inet.responses = {fakes::FakeWinInet::Body("PK-data", 4096)};

  Fetch();

  std::vector<Call> expected = {
      {"InternetOpenA", {"http sample", "0", "null", "null", "0"}},
      // Connect, send and receive timeouts of 30 s on the session and on the connection.
      {"InternetSetOptionA", {"256", "2", "30000", "4"}},
      {"InternetSetOptionA", {"256", "5", "30000", "4"}},
      {"InternetSetOptionA", {"256", "6", "30000", "4"}},
      {"InternetConnectA", {"256", "downloads.example.test", "80", "null", "null", "3", "0", "0"}},
      {"InternetSetOptionA", {"257", "2", "30000", "4"}},
      {"InternetSetOptionA", {"257", "5", "30000", "4"}},
      {"InternetSetOptionA", {"257", "6", "30000", "4"}},
      {"HttpOpenRequestA",
       {"257", "GET", "/Downloads/ABCData.vyn", "HTTP/1.0", "null", "null", "0x84000000", "0"}},
      {"HttpSendRequestA", {"258", "null", "0", "null", "0"}},
      {"HttpQueryInfoA", {"258", "0x20000013", "4", "zeroed", "0"}},
      {"HttpQueryInfoA", {"258", "0x00000005", "4096", "zeroed", "0"}},
      {"InternetReadFile", {"258", "buffer", "4096"}},
      {"InternetReadFile", {"258", "buffer", "4096"}},
      {"InternetCloseHandle", {"258"}},
      {"InternetCloseHandle", {"257"}},
      {"InternetCloseHandle", {"256"}},
  };
  ASSERT_EQ(inet.Calls().size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(inet.Calls()[i].function, expected[i].function) << "call " << i;
    EXPECT_EQ(inet.Calls()[i].args, expected[i].args) << "call " << i;
  }
}

TEST_F(RetrievalTest, PortOfTheHostIsUsedForTheConnection) {
  inet.responses = {fakes::FakeWinInet::Body("PK", 4096)};

  RetrievalStatus status = Fetch(L"127.0.0.1:8123/Downloads/x.vyn");

  EXPECT_EQ(status, 0);
  auto connects = inet.CallsTo("InternetConnectA");
  ASSERT_EQ(connects.size(), 1u);
  EXPECT_EQ(connects[0].args[1], "127.0.0.1");
  EXPECT_EQ(connects[0].args[2], "8123");
}

TEST_F(RetrievalTest, EveryReadAsksForBufferSizeBytes) {
  inet.responses = {fakes::FakeWinInet::Body(Bytes(1000), 100)};

  RetrievalStatus status = Fetch(kUrl, kTarget, kTrue, 100);

  EXPECT_EQ(status, 0);
  EXPECT_EQ(disk.Contents(kTarget), Bytes(1000));
  EXPECT_EQ(inet.ReadSizes(), std::vector<std::uint32_t>(11, 100));
  EXPECT_EQ(inet.CallsTo("HttpQueryInfoA")[1].args[2], "100");
}

TEST_F(RetrievalTest, CaptionNamesTheTargetFileWhenAsked) {
  inet.responses = {fakes::FakeWinInet::Body("PK", 4096)};
  Boolean quiet = kTrue;
  std::vector<std::wstring> captions;
  forms.afterTick = [&](fakes::FakeForm& form) { captions = form.Captions(); };

  window.GetFile(kUrl, kTarget, kFalse, L"Downloading MLS Data", kTrue, 4096, quiet);

  EXPECT_EQ(captions, std::vector<std::wstring>{L"Downloading MLS Data - ABCData.zip"});
}

TEST_F(RetrievalTest, ProgressReachesMaxExactlyAndRestartsOneBytePast) {
  Response exact = fakes::FakeWinInet::Body(Bytes(8), 4);
  Response onePast = fakes::FakeWinInet::Body(Bytes(8), 4);
  onePast.contentLength = "7";
  std::vector<float> values;
  float max = 0;
  forms.afterTick = [&](fakes::FakeForm& form) {
    values = form.FakeProgress(L"ProgressBar").values;
    max = form.FakeProgress(L"ProgressBar").Max();
  };

  inet.responses = {exact};
  Fetch();
  EXPECT_EQ(max, 8.0f);
  EXPECT_EQ(values, (std::vector<float>{0, 4, 8}));

  frmGetHTMLFile second(platform);
  inet.responses = {onePast};
  Boolean quiet = kTrue;
  second.GetFile(kUrl, kTarget, kFalse, L"x", kFalse, 4096, quiet);
  EXPECT_EQ(max, 7.0f);
  EXPECT_EQ(values, (std::vector<float>{0, 4, 0}));
}

TEST_F(RetrievalTest, WithoutContentLengthTheBarIsSizedFor100000AndRestarts) {
  std::string body = Bytes(150000);
  inet.responses = {fakes::FakeWinInet::Body(body, 4096, false)};
  fakes::FakeProgressBar bar;
  forms.afterTick = [&](fakes::FakeForm& form) { bar = form.FakeProgress(L"ProgressBar"); };

  RetrievalStatus status = Fetch();

  EXPECT_EQ(status, 0);
  EXPECT_EQ(disk.Contents(kTarget), body);
  EXPECT_EQ(bar.Max(), 100000.0f);
  // 24 chunks of 4096 make 98304; the 25th would pass 100000, so the bar restarts.
  ASSERT_GT(bar.values.size(), 26u);
  EXPECT_EQ(bar.values[24], 98304.0f);
  EXPECT_EQ(bar.values[25], 0.0f);
  EXPECT_EQ(bar.values[26], 4096.0f);
}

TEST_F(RetrievalTest, EmptyBodyWithoutLengthReplacesTargetWithEmptyFile) {
  disk.AddFile(kTarget, "old archive");
  inet.responses = {Response{}};

  RetrievalStatus status = Fetch();

  EXPECT_EQ(status, 0);
  EXPECT_EQ(disk.Contents(kTarget), "");
}

TEST_F(RetrievalTest, ErrorPageLeavesTargetUntouchedAndTellsTheUserUnlessQuiet) {
  for (char first : {'<', ' '}) {
    for (Boolean quiet : {kFalse, kTrue}) {
      fakes::FakeMessageBoxes pageBoxes;
      fakes::FakeDisk pageDisk;
      pageDisk.AddFile(kTarget, "old archive");
      Platform pagePlatform{ansi,      registry, pageDisk, pageDisk, pageDisk,  environment,
                            pageBoxes, pump,     forms,    inet,     components};
      inet.responses = {fakes::FakeWinInet::Body(Bytes(5000, first), 4096)};
      frmGetHTMLFile page(pagePlatform);

      RetrievalStatus status = page.GetFile(kUrl, kTarget, kFalse, L"x", kFalse, 4096, quiet);

      EXPECT_EQ(status, 3);
      EXPECT_EQ(pageDisk.Contents(kTarget), "old archive");
      EXPECT_TRUE(pageDisk.FilesIn(L"C:\\Users\\user\\AppData\\Local\\Temp").empty());
      EXPECT_EQ(inet.OpenHandles(), 0);
      if (quiet == kFalse) {
        ASSERT_EQ(pageBoxes.Shown().size(), 1u);
        EXPECT_EQ(pageBoxes.Shown()[0].text,
                  L"Requested file not found\r\ndownloads.example.test/Downloads/ABCData.vyn");
        EXPECT_EQ(pageBoxes.Shown()[0].title, L"File not found");
        EXPECT_EQ(pageBoxes.Shown()[0].buttons, MessageButtons::kOk);
      } else {
        EXPECT_TRUE(pageBoxes.Shown().empty());
      }
    }
  }
}

TEST_F(RetrievalTest, LessThanAtTheStartOfALaterChunkIsData) {
  std::string body = "PK" + std::string(4094, 'x') + "<html> not a page";
  inet.responses = {fakes::FakeWinInet::Body(body, 4096)};

  RetrievalStatus status = Fetch();

  EXPECT_EQ(status, 0);
  EXPECT_EQ(disk.Contents(kTarget), body);
}

TEST_F(RetrievalTest, AnswerOtherThan200IsNeverStored) {
  disk.AddFile(kTarget, "old archive");
  Response notFound = fakes::FakeWinInet::Body("PK looks like data", 4096);
  notFound.statusCode = 404;
  inet.responses = {notFound};

  RetrievalStatus status = Fetch(kUrl, kTarget, kFalse);

  EXPECT_EQ(status, 3);
  EXPECT_EQ(disk.Contents(kTarget), "old archive");
  EXPECT_TRUE(TempFiles().empty());
  EXPECT_TRUE(inet.CallsTo("InternetReadFile").empty());
  ASSERT_EQ(boxes.Shown().size(), 1u);
  EXPECT_EQ(boxes.Shown()[0].title, L"File not found");
  EXPECT_EQ(inet.OpenHandles(), 0);
}

// Check points of a two-chunk download: the tick's start, after session,
// connection, request, send and Content-Length, and after each of three reads.
constexpr int kCheckPoints = 9;

TEST_F(RetrievalTest, CancelAtEveryCheckPointEndsWith1AndLeavesNothingBehind) {
  for (int n = 1; n <= kCheckPoints; ++n) {
    fakes::FakeDisk cancelDisk;
    cancelDisk.AddFile(kTarget, "old archive");
    fakes::FakeMessagePump cancelPump;
    fakes::FakeFormFactory cancelForms;
    fakes::FakeWinInet cancelInet;
    cancelInet.responses = {fakes::FakeWinInet::Body(Bytes(8000), 4096)};
    Platform p{ansi,  registry,   cancelDisk,  cancelDisk, cancelDisk, environment,
               boxes, cancelPump, cancelForms, cancelInet, components};
    frmGetHTMLFile cancelWindow(p);
    cancelPump.onDoEvents = [&, n](int call) {
      if (call == n) cancelForms.Find(L"frmGetHTMLFile")->Click(L"cmdCancel");
    };
    Boolean quiet = kTrue;

    RetrievalStatus status = cancelWindow.GetFile(kUrl, kTarget, kFalse, L"x", kFalse, 4096, quiet);

    EXPECT_EQ(status, 1) << "check point " << n;
    EXPECT_EQ(cancelPump.DoEventsCalls(), n) << "check point " << n;
    EXPECT_EQ(cancelDisk.Contents(kTarget), "old archive") << "check point " << n;
    EXPECT_TRUE(cancelDisk.FilesIn(L"C:\\Users\\user\\AppData\\Local\\Temp").empty());
    EXPECT_TRUE(cancelDisk.FilesIn(L"C:\\Data", L"~re").empty());
    EXPECT_EQ(cancelInet.OpenHandles(), 0) << "check point " << n;
    EXPECT_EQ(cancelDisk.OpenFiles(), 0);
  }
  EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(RetrievalTest, TwoChunkDownloadHasNineCheckPoints) {
  inet.responses = {fakes::FakeWinInet::Body(Bytes(8000), 4096)};

  RetrievalStatus status = Fetch();

  EXPECT_EQ(status, 0);
  EXPECT_EQ(pump.DoEventsCalls(), kCheckPoints);
}

}  // namespace
}  // namespace vyn::test
