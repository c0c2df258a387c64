// The transfer through the real WinInet against a scripted loopback server,
// onto the real disk (windows without a screen).

#include "WinePlatform.h"  // first: it settles <windows.h>'s file macros

#include <gtest/gtest.h>

#include "LoopbackHttpServer.h"
#include "RealDiskFixture.h"
#include "retrieval/frmGetHTMLFile.h"

namespace vyn::test {
namespace {

using Reply = LoopbackHttpServer::Reply;

std::string Archive(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 31 + i / 977) & 0xFF);
  bytes[0] = 'P';
  return bytes;
}

class RetrievalWineTest : public ::testing::Test {
 protected:
  RetrievalWineTest()
      : target(scratch.Path() + L"x.zip"), tempBefore(FilesIn(TempFolder(), L"~re")) {}

  RetrievalStatus Fetch(std::uint16_t port, Boolean quiet = kTrue) {
    frmGetHTMLFile window(wine.platform);
    std::wstring url = L"127.0.0.1:" + std::to_wstring(port) + L"/Downloads/x.vyn";
    return window.GetFile(url, target, kFalse, L"Downloading MLS Data", kFalse, 4096, quiet);
  }

  std::string Target() {
    std::string bytes;
    EXPECT_TRUE(ReadWholeFile(target, bytes));
    return bytes;
  }

  bool NoTemporaryFileLeft() {
    return FilesIn(TempFolder(), L"~re") == tempBefore && FilesIn(scratch.Path(), L"~re").empty();
  }

  ScratchFolder scratch;
  std::wstring target;
  std::vector<std::wstring> tempBefore;
  WinePlatformWithFakeWindows wine;
};

TEST_F(RetrievalWineTest, CompleteFileWithContentLengthArrivesByteIdentical) {
  std::string body = Archive(300001);
  LoopbackHttpServer server({LoopbackHttpServer::Ok(body)});

  RetrievalStatus status = Fetch(server.Port());

  EXPECT_EQ(status, 0);
  EXPECT_TRUE(Target() == body);
  EXPECT_TRUE(NoTemporaryFileLeft());
  EXPECT_TRUE(wine.boxes.Shown().empty());
  ASSERT_EQ(server.Requests().size(), 1u);
  std::string request = server.Requests()[0];
  EXPECT_EQ(request.rfind("GET /Downloads/x.vyn HTTP/1.0\r\n", 0), 0u) << request;
  EXPECT_NE(request.find("User-Agent: http sample\r\n"), std::string::npos) << request;
}

TEST_F(RetrievalWineTest, CompleteFileWithoutContentLengthArrivesByteIdentical) {
  std::string body = Archive(123457);
  LoopbackHttpServer server({LoopbackHttpServer::Ok(body, false)});

  RetrievalStatus status = Fetch(server.Port());

  EXPECT_EQ(status, 0);
  EXPECT_TRUE(Target() == body);
  EXPECT_TRUE(NoTemporaryFileLeft());
}

TEST_F(RetrievalWineTest, RedirectIsFollowedToTheFile) {
  std::string body = Archive(20000);
  Reply moved = LoopbackHttpServer::Status(302, "Found", "<html>moved</html>");
  moved.head += "\r\nLocation: /Downloads/moved.vyn";
  LoopbackHttpServer server({moved, LoopbackHttpServer::Ok(body)});

  RetrievalStatus status = Fetch(server.Port());

  EXPECT_EQ(status, 0);
  EXPECT_TRUE(Target() == body);
  ASSERT_EQ(server.Requests().size(), 2u);
  EXPECT_EQ(server.Requests()[1].rfind("GET /Downloads/moved.vyn ", 0), 0u);
}

TEST_F(RetrievalWineTest, NotFoundPageLeavesTargetUntouchedWithoutMessageWhenQuiet) {
  WriteWholeFile(target, "old archive");
  LoopbackHttpServer server(
      {LoopbackHttpServer::Status(404, "Not Found", "<html><body>Not here</body></html>")});

  RetrievalStatus status = Fetch(server.Port(), kTrue);

  EXPECT_EQ(status, 3);
  EXPECT_EQ(Target(), "old archive");
  EXPECT_TRUE(wine.boxes.Shown().empty());
  EXPECT_TRUE(NoTemporaryFileLeft());
}

TEST_F(RetrievalWineTest, ErrorAnswerWhoseBodyLooksLikeDataIsNotStored) {
  WriteWholeFile(target, "old archive");
  LoopbackHttpServer server({LoopbackHttpServer::Status(500, "Internal Server Error", "PKoops")});

  RetrievalStatus status = Fetch(server.Port(), kFalse);

  EXPECT_EQ(status, 3);
  EXPECT_EQ(Target(), "old archive");
  EXPECT_EQ(wine.boxes.Texts(),
            std::vector<std::wstring>{L"Requested file not found\r\n127.0.0.1:" +
                                      std::to_wstring(server.Port()) + L"/Downloads/x.vyn"});
}

TEST_F(RetrievalWineTest, RefusedConnectionAsksToRetryAndGives3OnNo) {
  wine.boxes.ScriptAnswer(MessageAnswer::kNo);

  RetrievalStatus status = Fetch(LoopbackHttpServer::UnusedPort());

  EXPECT_EQ(status, 3);
  EXPECT_EQ(wine.boxes.Texts(),
            std::vector<std::wstring>{L"Error connecting to server. Do you want to retry?"});
  EXPECT_FALSE(GetFileAttributesW(target.c_str()) != INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(NoTemporaryFileLeft());
}

TEST_F(RetrievalWineTest, ServerClosingEarlyIsAReadFailureAndKeepsTheTarget) {
  WriteWholeFile(target, "old archive");
  Reply early = LoopbackHttpServer::Ok(Archive(100000));
  early.closeAfter = 30000;
  LoopbackHttpServer server({early});
  wine.boxes.ScriptAnswer(MessageAnswer::kNo);
  std::wstring captionAtQuestion;
  wine.boxes.onShow = [&](const fakes::ShownMessage&) {
    captionAtQuestion = wine.forms.Find(L"frmGetHTMLFile")->Caption();
  };

  RetrievalStatus status = Fetch(server.Port());

  EXPECT_EQ(status, 3);
  EXPECT_EQ(captionAtQuestion, L"Error Reading File");
  EXPECT_EQ(Target(), "old archive");
  EXPECT_TRUE(NoTemporaryFileLeft());
}

TEST_F(RetrievalWineTest, RetryAfterAnEarlyCloseFetchesTheWholeFile) {
  std::string body = Archive(100000);
  Reply early = LoopbackHttpServer::Ok(body);
  early.closeAfter = 30000;
  LoopbackHttpServer server({early, LoopbackHttpServer::Ok(body)});
  wine.boxes.ScriptAnswer(MessageAnswer::kYes);

  RetrievalStatus status = Fetch(server.Port());

  EXPECT_EQ(status, 0);
  EXPECT_TRUE(Target() == body);
  EXPECT_EQ(server.Requests().size(), 2u);
  EXPECT_TRUE(NoTemporaryFileLeft());
}

TEST_F(RetrievalWineTest, ReadOnlyTargetIsReplaced) {
  WriteWholeFile(target, "old archive");
  SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_READONLY);
  std::string body = Archive(5000);
  LoopbackHttpServer server({LoopbackHttpServer::Ok(body)});

  RetrievalStatus status = Fetch(server.Port());

  EXPECT_EQ(status, 0);
  EXPECT_TRUE(Target() == body);
  EXPECT_TRUE(NoTemporaryFileLeft());
}

TEST_F(RetrievalWineTest, TargetInMissingFolderGives1AndLeavesNoTemporaryFile) {
  target = scratch.Path() + L"missing\\x.zip";
  LoopbackHttpServer server({LoopbackHttpServer::Ok(Archive(5000))});

  RetrievalStatus status = Fetch(server.Port());

  EXPECT_EQ(status, 1);
  ASSERT_EQ(wine.boxes.Shown().size(), 1u);
  EXPECT_EQ(wine.boxes.Shown()[0].text, L"76 - Path not found");
  EXPECT_EQ(wine.boxes.Shown()[0].title, L"VYNDataLoader");
  EXPECT_TRUE(NoTemporaryFileLeft());
}

TEST_F(RetrievalWineTest, CancelWhileTheServerDripsEndsAtTheNextCheckPoint) {
  WriteWholeFile(target, "old archive");
  Reply slow = LoopbackHttpServer::Ok(Archive(1 << 20));
  slow.dripChunk = 1024;
  slow.dripDelay = std::chrono::milliseconds(50);
  LoopbackHttpServer server({slow});
  std::chrono::steady_clock::time_point clicked;
  // Check points 1 to 6 come before the body; click once some data has come.
  wine.pump.onDoEvents = [&](int call) {
    if (call == 9) {
      clicked = std::chrono::steady_clock::now();
      wine.forms.Find(L"frmGetHTMLFile")->Click(L"cmdCancel");
    }
  };

  RetrievalStatus status = Fetch(server.Port());

  auto afterClick = std::chrono::steady_clock::now() - clicked;
  EXPECT_EQ(status, 1);
  EXPECT_LT(afterClick, std::chrono::seconds(1));
  EXPECT_EQ(Target(), "old archive");
  EXPECT_TRUE(NoTemporaryFileLeft());
}

// The one test that waits out the whole network timeout for the question: a
// server that falls silent halfway, its connection left open.
TEST_F(RetrievalWineTest, StalledServerIsAReadFailureOnceTheTimeoutEnds) {
  WriteWholeFile(target, "old archive");
  LoopbackHttpServer server({LoopbackHttpServer::StalledHalfway(Archive(200000))},
                            std::chrono::seconds(90));
  wine.boxes.ScriptAnswer(MessageAnswer::kNo);
  auto start = std::chrono::steady_clock::now();
  std::chrono::steady_clock::duration untilQuestion{};
  std::wstring captionAtQuestion;
  wine.boxes.onShow = [&](const fakes::ShownMessage&) {
    untilQuestion = std::chrono::steady_clock::now() - start;
    captionAtQuestion = wine.forms.Find(L"frmGetHTMLFile")->Caption();
  };

  RetrievalStatus status = Fetch(server.Port());

  EXPECT_EQ(status, 3);
  EXPECT_EQ(captionAtQuestion, L"Error Reading File");
  // The 30 s timeout itself ends the wait, not a shorter one nor the server.
  double seconds = std::chrono::duration<double>(untilQuestion).count();
  EXPECT_GE(seconds, 29.0);
  EXPECT_LT(seconds, 40.0);
  EXPECT_EQ(Target(), "old archive");
  EXPECT_TRUE(NoTemporaryFileLeft());
}

}  // namespace
}  // namespace vyn::test
