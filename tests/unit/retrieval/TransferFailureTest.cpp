// The transfer's failures: network steps with their retry question, broken
// bodies, and failures of the disk, each leaving the target as it was.

#include <gtest/gtest.h>

#include <utility>

#include "RetrievalFixture.h"
#include "TransferCases.h"

namespace vyn::test {
namespace {

using Step = fakes::FakeWinInet::Step;
using Response = fakes::FakeWinInet::Response;

const std::string kBody = "PK\x03\x04 archive bytes";

struct NetworkStep {
  Step step;
  const wchar_t* description;
  const char* function;  // the WinInet call that fails
};

class NetworkStepFailure : public RetrievalTest,
                           public ::testing::WithParamInterface<NetworkStep> {};

TEST_P(NetworkStepFailure, CaptionNamesTheStepAndNoGives3) {
  disk.AddFile(kTarget, kOldArchive);
  inet.responses = {fakes::FakeWinInet::Body(kBody, 4096)};
  inet.failures[GetParam().step] = -1;
  boxes.ScriptAnswer(MessageAnswer::kNo);
  std::wstring captionAtQuestion;
  boxes.onShow = [&](const fakes::ShownMessage&) {
    captionAtQuestion = forms.Find(L"frmGetHTMLFile")->Caption();
  };

  RetrievalStatus status = Fetch();

  EXPECT_EQ(status, 3);
  EXPECT_EQ(captionAtQuestion, std::wstring(L"Error ") + GetParam().description);
  ASSERT_EQ(boxes.Shown().size(), 1u);
  EXPECT_EQ(boxes.Shown()[0].text, L"Error connecting to server. Do you want to retry?");
  EXPECT_EQ(boxes.Shown()[0].title, L"Connect Error");
  EXPECT_EQ(boxes.Shown()[0].buttons, MessageButtons::kYesNo);
  EXPECT_EQ(disk.Contents(kTarget), kOldArchive);
  ExpectNothingLeftBehind(*this);
}

TEST_P(NetworkStepFailure, YesRepeatsFromTheRetryPointUntilItWorks) {
  inet.responses = {fakes::FakeWinInet::Body(kBody, 4096)};
  inet.failures[GetParam().step] = 2;
  boxes.ScriptAnswer(MessageAnswer::kYes);
  boxes.ScriptAnswer(MessageAnswer::kYes);
  std::vector<std::wstring> captions;
  forms.afterTick = [&](fakes::FakeForm& form) { captions = form.Captions(); };

  RetrievalStatus status = Fetch();

  EXPECT_EQ(status, 0);
  EXPECT_EQ(disk.Contents(kTarget), kBody);
  EXPECT_EQ(inet.CallsTo("InternetOpenA").size(), 3u);
  std::wstring error = std::wstring(L"Error ") + GetParam().description;
  EXPECT_EQ(captions,
            (std::vector<std::wstring>{L"Downloading MLS Data", error, L"Downloading MLS Data",
                                       error, L"Downloading MLS Data"}));
  EXPECT_EQ(inet.BadCloses(), 0);
  ExpectNothingLeftBehind(*this);
}

// A certificate Windows refuses ends the attempt as a network failure that
// names its reason; the target stays as it was.
TEST_F(RetrievalTest, RefusedCertificateNamesItsReasonInTheQuestionAndTheCaption) {
  struct Row {
    std::uint32_t windowsError;
    const wchar_t* reason;
  };
  const Row rows[] = {
      {12045, L"the server's certificate is not trusted"},
      {12038, L"the server's certificate is for another name"},
      {12037, L"the server's certificate has expired or is not yet valid"},
  };
  for (const Row& row : rows) {
    fakes::FakePlatform fresh;
    fresh.disk.AddFolder(L"C:\\Data");
    fresh.disk.AddFile(kTarget, kOldArchive);
    fresh.inet.failures[Step::kSend] = -1;
    fresh.inet.lastError = row.windowsError;
    fresh.boxes.ScriptAnswer(MessageAnswer::kNo);
    std::wstring caption;
    fresh.boxes.onShow = [&](const fakes::ShownMessage&) {
      caption = fresh.forms.Find(L"frmGetHTMLFile")->Caption();
    };

    RetrievalStatus status = FetchOver(fresh, kTrue, L"https://127.0.0.1:8443/Downloads/x.vyn");

    EXPECT_EQ(status, 3);
    EXPECT_EQ(caption, L"Error Sending Request: " + std::wstring(row.reason));
    ASSERT_EQ(fresh.boxes.Shown().size(), 1u);
    EXPECT_EQ(fresh.boxes.Shown()[0].text,
              L"Error connecting to server. Do you want to retry?\r\n\r\nReason: " +
                  std::wstring(row.reason) + L".");
    EXPECT_EQ(fresh.disk.Contents(kTarget), kOldArchive);
    EXPECT_NE(fresh.log.Find(L"Sending Request: " + std::wstring(row.reason) + L", Windows error " +
                             std::to_wstring(row.windowsError)),
              L"");
    ExpectNothingLeftBehind(fresh);
  }
}

// A click on Cancel waits in the queue while the failing call blocks (a stalled
// server, until the timeout); it is taken before anything is asked.
TEST_P(NetworkStepFailure, CancelClickedWhileTheStepBlockedEndsCancelledWithoutTheQuestion) {
  disk.AddFile(kTarget, kOldArchive);
  inet.responses = {fakes::FakeWinInet::Body(kBody, 4096)};
  inet.failures[GetParam().step] = -1;
  bool clickQueued = false;
  inet.onCall = [&](const fakes::FakeWinInet::Call& call) {
    if (call.function == GetParam().function) clickQueued = true;
  };
  pump.onDoEvents = [&](int) {
    if (std::exchange(clickQueued, false)) forms.Find(L"frmGetHTMLFile")->Click(L"cmdCancel");
  };

  RetrievalStatus status = Fetch();

  EXPECT_EQ(status, 1);
  EXPECT_TRUE(boxes.Shown().empty());
  EXPECT_EQ(inet.CallsTo(GetParam().function).size(), 1u);
  EXPECT_EQ(disk.Contents(kTarget), kOldArchive);
  ExpectNothingLeftBehind(*this);
}

INSTANTIATE_TEST_SUITE_P(
    Steps, NetworkStepFailure,
    ::testing::Values(NetworkStep{Step::kOpen, L"Opening Internet Session", "InternetOpenA"},
                      NetworkStep{Step::kConnect, L"Opening Internet Connection",
                                  "InternetConnectA"},
                      NetworkStep{Step::kOpenRequest, L"Opening Request", "HttpOpenRequestA"},
                      NetworkStep{Step::kSend, L"Sending Request", "HttpSendRequestA"}));

TEST_F(RetrievalTest, ConnectionHandleBelow1AsA32BitNumberFailsAndIsClosed) {
  inet.responses = {fakes::FakeWinInet::Body(kBody, 4096)};
  inet.failures[Step::kConnect] = 1;
  inet.failedConnectHandle = 0xFFFFFFF0u;
  boxes.ScriptAnswer(MessageAnswer::kNo);

  RetrievalStatus status = Fetch();

  EXPECT_EQ(status, 3);
  ExpectNothingLeftBehind(*this);
  EXPECT_EQ(inet.BadCloses(), 0);
}

struct BrokenBody {
  const char* name;
  Response response;
};

void PrintTo(const BrokenBody& body, std::ostream* os) {
  *os << body.name;
}
void PrintTo(const NetworkStep& step, std::ostream* os) {
  *os << NarrowForDiagnostics(step.description);
}

class BrokenBodyIsReadingFile : public RetrievalTest,
                                public ::testing::WithParamInterface<BrokenBody> {};

TEST_P(BrokenBodyIsReadingFile, AskedToRetryAndNeverStored) {
  disk.AddFile(kTarget, kOldArchive);
  inet.responses = {GetParam().response};
  boxes.ScriptAnswer(MessageAnswer::kNo);
  std::wstring captionAtQuestion;
  boxes.onShow = [&](const fakes::ShownMessage&) {
    captionAtQuestion = forms.Find(L"frmGetHTMLFile")->Caption();
  };

  RetrievalStatus status = Fetch();

  EXPECT_EQ(status, 3);
  EXPECT_EQ(captionAtQuestion, L"Error Reading File");
  EXPECT_EQ(boxes.Texts(),
            std::vector<std::wstring>{L"Error connecting to server. Do you want to retry?"});
  EXPECT_EQ(disk.Contents(kTarget), kOldArchive);
  ExpectNothingLeftBehind(*this);
}

Response ShortBody() {
  Response r = fakes::FakeWinInet::Body("PK12345", 4096);
  r.contentLength = "10";
  return r;
}
Response FailedReadWithBytes() {
  Response r;
  r.reads = {{"PK12", true}, {"3456", false}};
  return r;
}
Response FailedReadWithoutBytes() {
  Response r;
  r.reads = {{"PK12", true}, {"", false}};
  return r;
}

INSTANTIATE_TEST_SUITE_P(Bodies, BrokenBodyIsReadingFile,
                         // A body shorter than its Content-Length: the shared cases.
                         ::testing::Values(BrokenBody{"FailedReadWithBytes", FailedReadWithBytes()},
                                           BrokenBody{"FailedReadWithoutBytes",
                                                      FailedReadWithoutBytes()}),
                         [](const auto& info) { return std::string(info.param.name); });

// The retry question leaves the window disabled, but a Cancel that still reaches
// it (a click queued before the question came up) must not be lost to a Yes.
TEST_F(RetrievalTest, YesAfterACancelDuringTheQuestionEndsCancelledAndStoresNothing) {
  disk.AddFile(kTarget, kOldArchive);
  inet.responses = {ShortBody(), fakes::FakeWinInet::Body("PK34567890", 4096)};
  boxes.ScriptAnswer(MessageAnswer::kYes);
  std::size_t callsAtQuestion = 0;
  boxes.onShow = [&](const fakes::ShownMessage&) {
    callsAtQuestion = inet.Calls().size();
    forms.Find(L"frmGetHTMLFile")->Click(L"cmdCancel");
  };

  RetrievalStatus status = Fetch();

  EXPECT_EQ(status, 1);
  EXPECT_EQ(boxes.Shown().size(), 1u);
  EXPECT_EQ(inet.Calls().size(), callsAtQuestion);
  EXPECT_EQ(disk.Contents(kTarget), kOldArchive);
  ExpectNothingLeftBehind(*this);
}

// An unexpected failure: the number-and-description box, status 1.
void ExpectUnexpectedFailure(const fakes::FakeMessageBoxes& boxes, const std::wstring& text) {
  ASSERT_EQ(boxes.Shown().size(), 1u);
  EXPECT_EQ(boxes.Shown()[0].text, text);
  EXPECT_EQ(boxes.Shown()[0].title, L"VYNDataLoader");
  EXPECT_EQ(boxes.Shown()[0].buttons, MessageButtons::kOk);
}

// A data or temporary folder that is there but cannot take the download reports why.
struct FolderFailure {
  const char* name;
  const wchar_t* folder;  // as the fake keys it
  std::int32_t number;
  const wchar_t* text;
};

class UnwritableFolder : public RetrievalTest,
                         public ::testing::WithParamInterface<FolderFailure> {};

TEST_P(UnwritableFolder, Gives1WithTheRealCauseAndKeepsTheTarget) {
  disk.AddFile(kTarget, kOldArchive);
  disk.failNameIn[GetParam().folder] = GetParam().number;
  inet.responses = {fakes::FakeWinInet::Body(kBody, 4096)};

  RetrievalStatus status = Fetch();

  EXPECT_EQ(status, 1);
  ASSERT_NO_FATAL_FAILURE(ExpectUnexpectedFailure(boxes, GetParam().text));
  EXPECT_EQ(disk.Contents(kTarget), kOldArchive);
  ExpectNothingLeftBehind(*this);
}

constexpr const wchar_t* kDataFolderKey = L"c:\\data";
constexpr const wchar_t* kTempFolderKey = L"c:\\users\\user\\appdata\\local\\temp";

INSTANTIATE_TEST_SUITE_P(
    Causes, UnwritableFolder,
    ::testing::Values(FolderFailure{"DataDenied", kDataFolderKey, errors::kPermissionDenied,
                                    L"70 - Permission denied"},
                      FolderFailure{"DataFull", kDataFolderKey, errors::kDiskFull,
                                    L"61 - Disk full"},
                      FolderFailure{"TempDenied", kTempFolderKey, errors::kPermissionDenied,
                                    L"70 - Permission denied"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(RetrievalTest, TemporaryFolderOnAnotherVolumeStillReplacesTheTarget) {
  disk.tempFolder = "D:\\Temp\\";
  disk.AddFolder(L"D:\\Temp");
  disk.AddFile(kTarget, kOldArchive);
  inet.responses = {fakes::FakeWinInet::Body(kBody, 4096)};

  RetrievalStatus status = Fetch();

  EXPECT_EQ(status, 0);
  EXPECT_EQ(disk.Contents(kTarget), kBody);
  EXPECT_TRUE(disk.FilesIn(L"D:\\Temp").empty());
  ExpectNothingLeftBehind(*this);
}

TEST_F(RetrievalTest, FailedReplacementLeavesTargetWholeAndNothingBehind) {
  disk.AddFile(kTarget, kOldArchive);
  disk.failReplace = true;
  inet.responses = {fakes::FakeWinInet::Body(kBody, 4096)};

  RetrievalStatus status = Fetch();

  EXPECT_EQ(status, 1);
  ASSERT_NO_FATAL_FAILURE(ExpectUnexpectedFailure(boxes, L"70 - Permission denied"));
  EXPECT_EQ(disk.Contents(kTarget), kOldArchive);
  ExpectNothingLeftBehind(*this);
}

TEST_F(RetrievalTest, TemporaryFileThatCannotBeOpenedIsStillDeleted) {
  // The fake names its first temporary file ~re1A2C.tmp.
  disk.failOpen.insert(L"c:\\users\\user\\appdata\\local\\temp\\~re1a2c.tmp");
  inet.responses = {fakes::FakeWinInet::Body(kBody, 4096)};

  RetrievalStatus status = Fetch();

  EXPECT_EQ(status, 1);
  ASSERT_NO_FATAL_FAILURE(ExpectUnexpectedFailure(boxes, L"75 - Path/File access error"));
  ExpectNothingLeftBehind(*this);
}

TEST_F(RetrievalTest, DiskFullWhileWritingGives1AndKeepsTheTarget) {
  disk.AddFile(kTarget, kOldArchive);
  disk.diskFullAfterBytes = 5000;
  inet.responses = {fakes::FakeWinInet::Body(std::string(9000, 'P'), 4096)};

  RetrievalStatus status = Fetch();

  EXPECT_EQ(status, 1);
  ASSERT_NO_FATAL_FAILURE(ExpectUnexpectedFailure(boxes, L"61 - Disk full"));
  EXPECT_EQ(disk.Contents(kTarget), kOldArchive);
  ExpectNothingLeftBehind(*this);
}

TEST_F(RetrievalTest, MissingStatusAnswerIsNeverStored) {
  inet.responses = {fakes::FakeWinInet::Body(kBody, 4096)};
  inet.failures[Step::kQueryStatus] = -1;

  RetrievalStatus status = Fetch();

  EXPECT_EQ(status, 3);
  EXPECT_FALSE(disk.HasFile(kTarget));
}

}  // namespace
}  // namespace vyn::test
