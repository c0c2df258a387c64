// The transfer through the real WinInet against a scripted loopback server,
// onto the real disk (windows without a screen).

#include "WinePlatform.h"  // first: it settles <windows.h>'s file macros

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

#include "LoopbackHttpServer.h"
#include "TempFolder.h"
#include "TransferCases.h"
#include "retrieval/frmGetHTMLFile.h"

namespace vyn::test {
namespace {

using Reply = LoopbackHttpServer::Reply;

class RetrievalWineTest : public ::testing::Test {
 protected:
  RetrievalWineTest() : target(scratch / L"x.zip"), tempBefore(FilesIn(SystemTemp(), "~re")) {}

  static std::filesystem::path SystemTemp() { return std::filesystem::temp_directory_path(); }

  static std::wstring Url(std::uint16_t port) {
    return L"127.0.0.1:" + std::to_wstring(port) + L"/Downloads/x.vyn";
  }

  RetrievalStatus Fetch(std::uint16_t port, Boolean quiet = kTrue) {
    frmGetHTMLFile window(wine.platform);
    return window.GetFile(Url(port), target, kFalse, L"Downloading MLS Data", kFalse, 4096, quiet);
  }

  std::string Target() const { return ReadBytes(target); }

  bool NoTemporaryFileLeft() {
    return FilesIn(SystemTemp(), "~re") == tempBefore && FilesIn(scratch.Path(), "~re").empty();
  }

  TempFolder scratch;
  std::wstring target;
  std::set<std::string> tempBefore;
  WinePlatformWithFakeWindows wine;
};

// The transfers the unit suite runs too, against a loopback server.
class SharedTransferWine : public RetrievalWineTest,
                           public ::testing::WithParamInterface<TransferCase> {
 protected:
  static Reply Scripted(const ServerAnswer& answer) {
    Reply reply = answer.status == 200 ? LoopbackHttpServer::Ok(answer.body, answer.withLength)
                                       : LoopbackHttpServer::Status(answer.status, answer.reason,
                                                                    answer.body, answer.withLength);
    if (answer.cutAfter) reply.closeAfter = answer.cutAfter;
    if (answer.piece) {
      reply.dripChunk = answer.piece;
      reply.dripDelay = std::chrono::milliseconds(2);
    }
    if (answer.length) reply.head += "\r\nContent-Length: " + std::string(answer.length);
    if (!answer.validators.empty()) reply.head += "\r\n" + answer.validators;
    if (!answer.contentRange.empty()) reply.head += "\r\nContent-Range: " + answer.contentRange;
    return reply;
  }
};

TEST_P(SharedTransferWine, EndsAsOverTheFakes) {
  const TransferCase& c = GetParam();
  if (c.before == Before::kFolderMissing) target = scratch / L"missing\\x.zip";
  if (c.before == Before::kOldTarget || c.before == Before::kReadOnlyOldTarget) {
    WriteBytes(target, kOldArchive);
  }
  if (c.before == Before::kReadOnlyOldTarget) {
    SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_READONLY);
  }
  std::vector<Reply> replies;
  for (const ServerAnswer& answer : c.answers) replies.push_back(Scripted(answer));
  std::optional<LoopbackHttpServer> server;
  if (!replies.empty()) server.emplace(replies);
  std::uint16_t port = server ? server->Port() : LoopbackHttpServer::UnusedPort();
  std::wstring captionAtQuestion;
  ScriptUser(c, wine.boxes, wine.forms, captionAtQuestion);

  RetrievalStatus status = Fetch(port, c.quiet);

  std::optional<std::string> stored;
  if (std::filesystem::exists(target)) stored = ReadBytes(target);
  ASSERT_NO_FATAL_FAILURE(ExpectEnd(c, status, stored, wine.boxes, Url(port), captionAtQuestion));
  EXPECT_TRUE(NoTemporaryFileLeft());
  if (server) {
    std::vector<std::string> requests = server->Requests();
    ASSERT_EQ(requests.size(), c.answers.size());
    ExpectRanges(c, requests);
    EXPECT_EQ(requests[0].rfind("GET /Downloads/x.vyn HTTP/1.0\r\n", 0), 0u) << requests[0];
    EXPECT_NE(requests[0].find("User-Agent: http sample\r\n"), std::string::npos) << requests[0];
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, SharedTransferWine, ::testing::ValuesIn(TransferCases()),
                         [](const auto& info) { return std::string(info.param.name); });

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

// The one test that waits out the whole network timeout for the question: a
// server that falls silent halfway, its connection left open.
TEST_F(RetrievalWineTest, StalledServerIsAReadFailureOnceTheTimeoutEnds) {
  WriteBytes(target, kOldArchive);
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
  EXPECT_EQ(Target(), kOldArchive);
  EXPECT_TRUE(NoTemporaryFileLeft());
}

}  // namespace
}  // namespace vyn::test
