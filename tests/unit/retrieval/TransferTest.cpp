// The transfer over a scripted WinInet: what a complete download does, the
// exact WinInet calls, progress accounting, the error page and Cancel.

#include <gtest/gtest.h>

#include <algorithm>

#include "RetrievalFixture.h"
#include "TransferCases.h"

namespace vyn::test {
namespace {

using Call = fakes::FakeWinInet::Call;
using Response = fakes::FakeWinInet::Response;

using Step = fakes::FakeWinInet::Step;

// The transfers the Wine suite runs too, over the scripted WinInet.
class SharedTransfer : public RetrievalTest, public ::testing::WithParamInterface<TransferCase> {
 protected:
  static Response Scripted(const ServerAnswer& answer) {
    std::string sent = answer.cutAfter ? answer.body.substr(0, answer.cutAfter) : answer.body;
    Response response =
        fakes::FakeWinInet::Body(sent, answer.piece ? answer.piece : 4096, answer.withLength);
    response.statusCode = static_cast<std::uint32_t>(answer.status);
    if (answer.cutAfter) response.contentLength = std::to_string(answer.body.size());
    if (answer.length) response.contentLength = answer.length;
    if (const std::size_t colon = answer.validators.find(": "); colon != std::string::npos) {
      const bool etag = answer.validators.rfind("ETag", 0) == 0;
      response.headers[etag ? kHttpQueryETag : kHttpQueryLastModified] =
          answer.validators.substr(colon + 2);
    }
    if (!answer.contentRange.empty())
      response.headers[kHttpQueryContentRange] = answer.contentRange;
    return response;
  }
};

TEST_P(SharedTransfer, EndsAsOverTheRealPlatform) {
  const TransferCase& c = GetParam();
  std::wstring target = c.before == Before::kFolderMissing ? L"C:\\Missing\\ABCData.zip" : kTarget;
  if (c.before == Before::kOldTarget || c.before == Before::kReadOnlyOldTarget) {
    disk.AddFile(kTarget, kOldArchive, c.before == Before::kReadOnlyOldTarget);
  }
  if (c.answers.empty()) inet.failures[Step::kSend] = -1;  // how a refused connection shows
  inet.responses.clear();
  for (const ServerAnswer& answer : c.answers) inet.responses.push_back(Scripted(answer));
  if (inet.responses.empty()) inet.responses.emplace_back();
  std::wstring captionAtQuestion;
  ScriptUser(c, boxes, forms, captionAtQuestion);

  Boolean quiet = c.quiet;

  RetrievalStatus status =
      window.GetFile(kUrl, target, kFalse, L"Downloading MLS Data", kFalse, 4096, quiet);

  std::optional<std::string> stored;
  if (disk.HasFile(target)) stored = disk.Contents(target);
  ASSERT_NO_FATAL_FAILURE(ExpectEnd(c, status, stored, boxes, kUrl, captionAtQuestion));
  ExpectNothingLeftBehind(*this);
  EXPECT_EQ(quiet, c.quiet) << "quiet is only read";
  EXPECT_EQ(inet.BadCloses(), 0);
  EXPECT_EQ(forms.Unloads(L"frmGetHTMLFile"), 1);
  std::vector<std::string> sent;
  for (const Call& call : inet.CallsTo("HttpSendRequestA")) sent.push_back(call.args[1]);
  ExpectRanges(c, sent);
  if (!c.answers.empty()) {
    EXPECT_EQ(inet.CallsTo("HttpSendRequestA").size(), c.answers.size());
    if (std::none_of(c.answers.begin(), c.answers.end(),
                     [](const ServerAnswer& a) { return a.status == 200 || a.status == 206; })) {
      EXPECT_TRUE(inet.CallsTo("InternetReadFile").empty()) << "an answer other than 200 was read";
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, SharedTransfer, ::testing::ValuesIn(TransferCases()),
                         [](const auto& info) { return std::string(info.param.name); });

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
      // The validators a resume would need: ETag, then Last-Modified.
      {"HttpQueryInfoA", {"258", "0x00000036", "256", "zeroed", "0"}},
      {"HttpQueryInfoA", {"258", "0x0000000B", "256", "zeroed", "0"}},
      // Each read takes what has arrived; the last, of a whole chunk, finds the end.
      {"InternetQueryDataAvailable", {"258", "count", "0", "0"}},
      {"InternetReadFile", {"258", "buffer", "7"}},
      {"InternetQueryDataAvailable", {"258", "count", "0", "0"}},
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

// The host's scheme and port choose the connection; only "https://" asks for TLS.
TEST_F(RetrievalTest, SchemeAndPortOfTheHostChooseTheConnection) {
  struct Row {
    const wchar_t* url;
    const char* host;
    const char* port;
    const char* flags;
  };
  const Row rows[] = {
      {L"127.0.0.1:8123/Downloads/x.vyn", "127.0.0.1", "8123", "0x84000000"},
      {L"http://127.0.0.1:8123/Downloads/x.vyn", "127.0.0.1", "8123", "0x84000000"},
      {L"https://downloads.example.test/Downloads/x.vyn", "downloads.example.test", "443",
       "0x84A00000"},
      {L"HTTPS://127.0.0.1:8443/Downloads/x.vyn", "127.0.0.1", "8443", "0x84A00000"},
  };
  for (const Row& row : rows) {
    fakes::FakePlatform fresh;
    fresh.disk.AddFolder(L"C:\\Data");
    fresh.inet.responses = {fakes::FakeWinInet::Body("PK", 4096)};

    RetrievalStatus status = FetchOver(fresh, kTrue, row.url);

    EXPECT_EQ(status, 0) << NarrowForDiagnostics(row.url);
    ASSERT_EQ(fresh.inet.CallsTo("InternetConnectA").size(), 1u);
    EXPECT_EQ(fresh.inet.CallsTo("InternetConnectA")[0].args[1], row.host);
    EXPECT_EQ(fresh.inet.CallsTo("InternetConnectA")[0].args[2], row.port);
    EXPECT_EQ(fresh.inet.CallsTo("HttpOpenRequestA")[0].args[6], row.flags);
  }
}

// Every request of a resumed retry goes over TLS again, the rest asked for.
TEST_F(RetrievalTest, ResumeOverHttpsAsksForTheRestOverTls) {
  const std::string body = Archive(20000);
  Response cut = fakes::FakeWinInet::Body(body.substr(0, 12000), 4096);
  cut.contentLength = "20000";
  cut.headers[kHttpQueryETag] = "\"v1\"";
  cut.reads.push_back({"", false});
  Response rest = fakes::FakeWinInet::Body(body.substr(12000), 4096);
  rest.statusCode = 206;
  rest.headers[kHttpQueryContentRange] = "bytes 12000-19999/20000";
  inet.responses = {cut, rest};
  boxes.ScriptAnswer(MessageAnswer::kYes);

  RetrievalStatus status = Fetch(L"https://downloads.example.test/Downloads/ABCData.vyn");

  EXPECT_EQ(status, 0);
  EXPECT_TRUE(disk.Contents(kTarget) == body);
  const auto opens = inet.CallsTo("HttpOpenRequestA");
  const auto sends = inet.CallsTo("HttpSendRequestA");
  ASSERT_EQ(opens.size(), 2u);
  EXPECT_EQ(opens[1].args[6], "0x84A00000");
  EXPECT_EQ(sends[1].args[1], "Range: bytes=12000-\r\nIf-Range: \"v1\"\r\n");
  ExpectNothingLeftBehind(*this);
}

// An https:// host's redirects are followed by the transfer itself, only to
// https:// addresses and at most 10 times; every hop carries the same headers.
TEST_F(RetrievalTest, HttpsRedirectsAreFollowedOnlyToHttps) {
  const std::string body = Archive(20000);
  auto moved = [](const std::string& location, std::uint32_t code = 302) {
    Response response;
    response.statusCode = code;
    response.headers[kHttpQueryLocation] = location;
    return response;
  };
  Response cut = fakes::FakeWinInet::Body(body.substr(0, 12000), 4096);
  cut.contentLength = "20000";
  cut.headers[kHttpQueryETag] = "\"v1\"";
  cut.reads.push_back({"", false});
  Response rest = fakes::FakeWinInet::Body(body.substr(12000), 4096);
  rest.statusCode = 206;
  rest.headers[kHttpQueryContentRange] = "bytes 12000-19999/20000";
  const std::string mirror = "https://mirror.example.test:8443/files/ABCData.vyn";
  const std::string range = "Range: bytes=12000-\r\nIf-Range: \"v1\"\r\n";
  const std::wstring refused = L"the server sent the download to an address that is not secure (";
  struct Row {
    const char* name;
    std::vector<Response> responses;  // the last one repeats
    std::vector<MessageAnswer> answers;
    RetrievalStatus status;
    std::vector<std::string> connects;   // host:port of each connection
    std::vector<std::string> paths;      // of each request
    std::wstring reason{};               // in the retry question; none when empty
    std::vector<std::string> headers{};  // of each request; checked when given
  };
  const Row rows[] = {
      {"AnotherHttpsHost",
       {moved(mirror), fakes::FakeWinInet::Body(body, 4096)},
       {},
       0,
       {"downloads.example.test:443", "mirror.example.test:8443"},
       {"/Downloads/ABCData.vyn", "/files/ABCData.vyn"}},
      {"PathOnTheSameServer",
       {moved("/Other/ABCData.vyn", 301), fakes::FakeWinInet::Body(body, 4096)},
       {},
       0,
       {"downloads.example.test:443"},
       {"/Downloads/ABCData.vyn", "/Other/ABCData.vyn"}},
      {"RelativePathWithAFragment",
       {moved("v2/ABCData.vyn#top", 307), fakes::FakeWinInet::Body(body, 4096)},
       {},
       0,
       {"downloads.example.test:443"},
       {"/Downloads/ABCData.vyn", "/Downloads/v2/ABCData.vyn"}},
      {"PlainHttpIsRefused",
       {moved("http://downloads.example.test/Downloads/ABCData.vyn")},
       {MessageAnswer::kNo},
       3,
       {"downloads.example.test:443"},
       {"/Downloads/ABCData.vyn"},
       refused + L"http://downloads.example.test/Downloads/ABCData.vyn)"},
      {"OtherSchemeIsRefused",
       {moved("FTP://downloads.example.test/ABCData.vyn", 308)},
       {MessageAnswer::kNo},
       3,
       {"downloads.example.test:443"},
       {"/Downloads/ABCData.vyn"},
       refused + L"FTP://downloads.example.test/ABCData.vyn)"},
      {"LoopEndsAfterTenRedirects",
       {moved("/Downloads/ABCData.vyn")},
       {MessageAnswer::kNo},
       3,
       {"downloads.example.test:443"},
       std::vector<std::string>(11, "/Downloads/ABCData.vyn"),
       L"the server redirected the download more than 10 times"},
      {"ResumeAfterARedirect",
       {moved(mirror), cut, moved(mirror), rest},
       {MessageAnswer::kYes},
       0,
       {"downloads.example.test:443", "mirror.example.test:8443", "downloads.example.test:443",
        "mirror.example.test:8443"},
       {"/Downloads/ABCData.vyn", "/files/ABCData.vyn", "/Downloads/ABCData.vyn",
        "/files/ABCData.vyn"},
       L"",
       {"null", "null", range, range}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    fakes::FakePlatform fresh;
    fresh.disk.AddFolder(L"C:\\Data");
    fresh.disk.AddFile(kTarget, kOldArchive);
    fresh.inet.responses = row.responses;
    for (MessageAnswer answer : row.answers) fresh.boxes.ScriptAnswer(answer);

    RetrievalStatus status =
        FetchOver(fresh, kTrue, L"https://downloads.example.test/Downloads/ABCData.vyn");

    EXPECT_EQ(status, row.status);
    EXPECT_TRUE(fresh.disk.Contents(kTarget) == (row.status == 0 ? body : kOldArchive));
    std::vector<std::string> connects;
    for (const Call& call : fresh.inet.CallsTo("InternetConnectA"))
      connects.push_back(call.args[1] + ":" + call.args[2]);
    EXPECT_EQ(connects, row.connects);
    std::vector<std::string> paths;
    for (const Call& call : fresh.inet.CallsTo("HttpOpenRequestA")) {
      paths.push_back(call.args[2]);
      EXPECT_EQ(call.args[6], "0x84A00000") << "every hop secure, its redirects handed back";
    }
    EXPECT_EQ(paths, row.paths);
    if (!row.headers.empty()) {
      std::vector<std::string> headers;
      for (const Call& call : fresh.inet.CallsTo("HttpSendRequestA"))
        headers.push_back(call.args[1]);
      EXPECT_EQ(headers, row.headers);
    }
    if (row.reason.empty()) {
      EXPECT_EQ(fresh.boxes.Shown().size(), row.answers.size());
    } else {
      ASSERT_EQ(fresh.boxes.Shown().size(), 1u);
      EXPECT_EQ(
          fresh.boxes.Shown()[0].text,
          L"Error connecting to server. Do you want to retry?\r\n\r\nReason: " + row.reason + L".");
      EXPECT_NE(fresh.log.Find(L"Redirect refused: https://downloads.example.test/Downloads/"
                               L"ABCData.vyn sent the download to "),
                L"");
    }
    ExpectNothingLeftBehind(fresh);
  }
}

// The conditions of the last refresh go with the request (a weak ETag does not);
// a 304 to them leaves the target as it was, a 304 to no conditions is the
// server's error, and a 200 is the new file with its validators.
TEST_F(RetrievalTest, ConditionsAskWhetherTheFileChanged) {
  const std::string date = "Tue, 01 Dec 2026 10:00:00 GMT";
  Response notModified{304, "0", {}, {}};
  Response changed = fakes::FakeWinInet::Body(Archive(100), 4096);
  changed.headers = {{kHttpQueryETag, "\"v2\""}, {kHttpQueryLastModified, date}};
  struct Row {
    const char* what;
    std::string etag, lastModified;
    Response answer;
    std::string sent;
    RetrievalStatus status;
    bool unchanged;
  } rows[] = {
      {"unchanged", "\"v1\"", date, notModified,
       "If-None-Match: \"v1\"\r\nIf-Modified-Since: " + date + "\r\n", 0, true},
      {"weak ETag", "W/\"v1\"", date, notModified, "If-Modified-Since: " + date + "\r\n", 0, true},
      {"no conditions", "", "", notModified, "null", kRetrievalNotRetrieved, false},
      {"changed", "\"v1\"", "", changed, "If-None-Match: \"v1\"\r\n", 0, false},
  };
  for (const Row& row : rows) {
    fakes::FakePlatform fresh;
    fresh.disk.AddFile(kTarget, kOldArchive);
    fresh.inet.responses = {row.answer};
    frmGetHTMLFile retrieval(fresh.platform);
    retrieval.IfChanged(row.etag, row.lastModified);
    Boolean quiet = kTrue;

    EXPECT_EQ(retrieval.GetFile(kUrl, kTarget, kFalse, L"x", kFalse, 4096, quiet), row.status)
        << row.what;
    EXPECT_EQ(fresh.inet.CallsTo("HttpSendRequestA").at(0).args[1], row.sent) << row.what;
    EXPECT_EQ(retrieval.Unchanged(), row.unchanged) << row.what;
    EXPECT_EQ(fresh.disk.Contents(kTarget),
              row.status == 0 && !row.unchanged ? Archive(100) : kOldArchive)
        << row.what;
    if (std::string(row.what) == "changed") {
      EXPECT_EQ(retrieval.ETag(), "\"v2\"");
      EXPECT_EQ(retrieval.LastModified(), date);
    }
    ExpectNothingLeftBehind(fresh);
  }
}

TEST_F(RetrievalTest, EveryReadAsksForBufferSizeBytes) {
  inet.responses = {fakes::FakeWinInet::Body(Archive(1000), 100)};

  RetrievalStatus status = Fetch(kUrl, kTarget, kTrue, 100);

  EXPECT_EQ(status, 0);
  EXPECT_EQ(disk.Contents(kTarget), Archive(1000));
  EXPECT_EQ(inet.ReadSizes(), std::vector<std::uint32_t>(11, 100));
  EXPECT_EQ(inet.CallsTo("HttpQueryInfoA")[1].args[2], "100");
}

// A read never waits for a full chunk, and takes a whole one whenever it is there.
TEST_F(RetrievalTest, ReadsTakeWhatHasArrivedUpToBufferSize) {
  const std::string body = Archive(380);
  Response arrivals;
  arrivals.contentLength = "380";
  arrivals.reads = {{body.substr(0, 250)}, {body.substr(250, 30)}, {body.substr(280)}};
  inet.responses = {arrivals};

  RetrievalStatus status = Fetch(kUrl, kTarget, kTrue, 100);

  EXPECT_EQ(status, 0);
  EXPECT_EQ(disk.Contents(kTarget), body);
  EXPECT_EQ(inet.ReadSizes(), (std::vector<std::uint32_t>{100, 100, 50, 30, 100, 100}));
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
  Response exact = fakes::FakeWinInet::Body(Archive(8), 4);
  Response onePast = fakes::FakeWinInet::Body(Archive(8), 4);
  onePast.contentLength = "7";
  ReadsTake(*this, 25);
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

  inet.responses = {onePast};
  FetchOver(*this);  // a second window
  EXPECT_EQ(max, 7.0f);
  EXPECT_EQ(values, (std::vector<float>{0, 4, 0}));
}

TEST_F(RetrievalTest, WithoutContentLengthTheBarIsSizedFor100000AndRestarts) {
  std::string body = Archive(150000);
  inet.responses = {fakes::FakeWinInet::Body(body, 4096, false)};
  ReadsTake(*this, 25);
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

// Check points of a two-chunk download: the tick's start, after session,
// connection, request, send and Content-Length, after the short second read
// (what had arrived is taken; the next may wait) and at the end of the body.
constexpr int kCheckPoints = 8;

TEST_F(RetrievalTest, CancelAtEveryCheckPointEndsWith1AndLeavesNothingBehind) {
  for (int n = 1; n <= kCheckPoints; ++n) {
    fakes::FakePlatform cancel;
    cancel.disk.AddFile(kTarget, kOldArchive);
    cancel.inet.responses = {fakes::FakeWinInet::Body(Archive(8000), 4096)};
    cancel.pump.onDoEvents = [&, n](int call) {
      if (call == n) cancel.forms.Find(L"frmGetHTMLFile")->Click(L"cmdCancel");
    };

    RetrievalStatus status = FetchOver(cancel);

    EXPECT_EQ(status, 1) << "check point " << n;
    EXPECT_EQ(cancel.pump.DoEventsCalls(), n) << "check point " << n;
    EXPECT_EQ(cancel.disk.Contents(kTarget), kOldArchive) << "check point " << n;
    ExpectNothingLeftBehind(cancel);
    EXPECT_TRUE(cancel.boxes.Shown().empty());
  }
}

// The body looks at the queue, and moves the bar, by the clock: once 25 ms have
// passed since the last look, after a read shorter than a chunk, and at its end.
TEST_F(RetrievalTest, TheBodyLooksAtTheQueueByTheClock) {
  const std::string tenChunks = Archive(10 * 4096);
  Response inPieces;
  inPieces.contentLength = "300";
  inPieces.reads = {
      {tenChunks.substr(0, 100)}, {tenChunks.substr(100, 100)}, {tenChunks.substr(200, 100)}};
  struct Row {
    const char* what;
    Response response;
    std::int64_t msPerRead;
    int looks;          // in the body
    std::size_t moves;  // of the bar, after its start at 0
  } rows[] = {
      {"ten full chunks at once", fakes::FakeWinInet::Body(tenChunks, 4096), 0, 1, 1},
      {"ten full chunks, 10 ms each", fakes::FakeWinInet::Body(tenChunks, 4096), 10, 4, 4},
      {"ten full chunks, 25 ms each", fakes::FakeWinInet::Body(tenChunks, 4096), 25, 11, 10},
      {"three short pieces at once", inPieces, 0, 4, 3},
  };
  for (const Row& row : rows) {
    fakes::FakePlatform fresh;
    fresh.disk.AddFolder(L"C:\\Data");
    fresh.inet.responses = {row.response};
    int beforeBody = -1;
    fresh.inet.onCall = [&](const fakes::FakeWinInet::Call& call) {
      if (call.function != "InternetReadFile") return;
      if (beforeBody < 0) beforeBody = fresh.pump.DoEventsCalls();
      fresh.clock.now += row.msPerRead;
    };
    std::vector<float> values;
    fresh.forms.afterTick = [&](fakes::FakeForm& form) {
      values = form.FakeProgress(L"ProgressBar").values;
    };

    EXPECT_EQ(FetchOver(fresh), 0) << row.what;
    EXPECT_EQ(fresh.pump.DoEventsCalls() - beforeBody, row.looks) << row.what;
    ASSERT_EQ(values.size(), row.moves + 1) << row.what;
    EXPECT_EQ(values.back(), static_cast<float>(row.response.contentLength == "300" ? 300 : 40960))
        << row.what;
  }
}

}  // namespace
}  // namespace vyn::test
