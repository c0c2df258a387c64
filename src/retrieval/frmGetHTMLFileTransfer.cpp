// The transfer: the first tick of Timer1 fetches URL into LocalFile, with check
// points for Cancel, retries after network failures and one handler for every
// failure (frmGetHTMLFileFailures.cpp); the WinInet steps are in
// frmGetHTMLFileRequests.cpp. The caller sees only Status.

#include <algorithm>
#include <chrono>
#include <climits>
#include <optional>
#include <vector>

#include "platform/Error.h"
#include "platform/PathText.h"
#include "platform/StagingNames.h"
#include "retrieval/CertificateProblems.h"
#include "retrieval/ResumePoint.h"
#include "retrieval/SplitUrl.h"
#include "retrieval/TargetReplacement.h"
#include "retrieval/TransferAttempt.h"
#include "retrieval/frmGetHTMLFile.h"
#include "support/clsTempFile.h"

namespace vyn {
namespace {

// Without a Content-Length the bar is sized for this many bytes and restarts.
constexpr std::int32_t kUnknownContentLength = 100000;

// Under Wine a look at the window's queue costs about as long as a 4 KiB chunk
// takes to arrive over a fast link. A few dozen looks a second keep Cancel and
// the bar live; the body looks this often, and always after a read that took
// everything that had arrived (the next may wait) and at its end.
constexpr std::int64_t kLookEveryMs = 25;

}  // namespace

using namespace transfer;

void frmGetHTMLFile::CheckCancel() {
  platform_.pump.DoEvents();
  if (state_.Status == kRetrievalCancelled) throw Error(kCancelled, L"");
}

void frmGetHTMLFile::IfChanged(const std::string& etag, const std::string& lastModified) {
  conditions_.clear();
  // A weak ETag ("W/...") names no exact bytes.
  if (!etag.empty() && etag.rfind("W/", 0) != 0) conditions_ += "If-None-Match: " + etag + "\r\n";
  if (!lastModified.empty()) conditions_ += "If-Modified-Since: " + lastModified + "\r\n";
}

std::wstring frmGetHTMLFile::AttemptCaption() const {
  if (state_.ShowFileName == kFalse) return state_.CaptionText;
  return state_.CaptionText + L" - " + NamePart(state_.LocalFile);
}

void frmGetHTMLFile::Timer1_Timer() {
  ticked_ = true;
  Attempt attempt(platform_.inet);
  std::wstring server;
  std::wstring path;
  ServerAddress address;
  bool started = false;
  for (;;) {
    try {
      if (!started) {
        Window().SetTimerEnabled(false);
        platform_.pump.DoEvents();
        // A click on Cancel here must not be lost when the attempt sets Status.
        if (cancelClicked_) throw Error(kCancelled, L"");
        SplitUrl(state_.URL, server, path);
        address = SplitServerPort(server);
        started = true;
      }
      RunAttempt(attempt, address, path);
      HideWindow();
      return;
    } catch (...) {
      if (!HandleFailure(CurrentError(), attempt)) return;
    }
  }
}

// One attempt, in its steps; every failure is thrown for HandleFailure. After a
// body that broke off it asks only for the rest, and takes it only when it fits.
void frmGetHTMLFile::RunAttempt(Attempt& attempt, const ServerAddress& server,
                                const std::wstring& path) {
  Window().SetCaption(AttemptCaption());
  state_.Status = kRetrievalRunning;
  const auto begun = std::chrono::steady_clock::now();
  platform_.log.Write(L"GET " + state_.URL + L" into " + state_.LocalFile);
  Connect(attempt, server);
  const bool resuming = attempt.resume.Usable();
  if (resuming) {
    platform_.log.Write(L"Asking for the rest from byte " +
                        std::to_wstring(attempt.resume.received) + L" of " +
                        std::to_wstring(attempt.resume.total));
  }
  std::uint32_t status =
      Request(attempt, server, path, resuming ? RangeHeaders(attempt.resume) : conditions_);
  // Only the conditions make a 304 an answer; without them it is an error page.
  if (!resuming && !conditions_.empty() && status == kHttpStatusNotModified) {
    ReleaseHandles(attempt);
    platform_.log.Write(L"Not modified: the server still holds the file fetched last time (" +
                        std::to_wstring(MillisecondsSince(begun)) + L" ms)");
    unchanged_ = true;
    state_.Status = kRetrievalCompleted;
    return;
  }
  std::int64_t from = 0;
  if (resuming) {
    from = ResumedPart(attempt, status);
    if (from == 0) {
      DropTemporaryFile(attempt);
      // A 200 is the whole file already; anything else is asked for again, whole.
      if (status != kHttpStatusOk) status = Request(attempt, server, path, {});
    }
  }
  // Only a 200 answer (after the redirects WinInet follows), or the rest that
  // fits, is the file; any other answer is the server's error page, whatever its
  // body begins with.
  if (from == 0 && status != kHttpStatusOk) throw Error(kErrorPage, L"");

  if (state_.BufferSize < 1) throw MakeError(errors::kInvalidProcedureCall);
  // One buffer per attempt, reused by the Content-Length query and every read.
  attempt.buffer.assign(static_cast<std::size_t>(state_.BufferSize), 0);
  std::optional<std::int32_t> contentLength;
  if (from == 0) {
    contentLength = QueryContentLength(attempt);
    attempt.resume = ResumePoint{};
    etag_ = QueryHeader(attempt, kHttpQueryETag);
    lastModified_ = QueryHeader(attempt, kHttpQueryLastModified);
    if (contentLength) {
      attempt.resume.total = *contentLength;
      attempt.resume.validator = RangeValidator(etag_, lastModified_);
    }
  } else {
    contentLength = static_cast<std::int32_t>(attempt.resume.total);
  }
  CheckCancel();

  const std::int64_t received = ReadBody(attempt, contentLength, from);
  ReplaceTarget(platform_, attempt.tempPath, state_.LocalFile);
  platform_.log.Write(L"Received " + std::to_wstring(received - from) + L" bytes in " +
                      std::to_wstring(MillisecondsSince(begun)) + L" ms" +
                      (from ? L", " + std::to_wstring(received) + L" in all" : std::wstring()));
  attempt.tempFile.reset();
  attempt.tempPath.clear();
  attempt.resume = ResumePoint{};
}

// Judges the answer to a request for the rest: the byte it continues from, or 0
// when the body must start over. Each judgement is logged.
std::int64_t frmGetHTMLFile::ResumedPart(Attempt& attempt, std::uint32_t status) {
  const ResumePoint& point = attempt.resume;
  const std::wstring at = L"Resuming at byte " + std::to_wstring(point.received) + L": ";
  if (status == kHttpStatusOk) {
    platform_.log.Write(at + L"the server answered 200 with the whole file; starting over");
    return 0;
  }
  const std::string range = QueryHeader(attempt, kHttpQueryContentRange);
  const std::string length = QueryHeader(attempt, kHttpQueryContentLength);
  const std::wstring answer = L"the server answered " + std::to_wstring(status) +
                              L", Content-Range \"" + platform_.ansi.FromAnsi(range) +
                              L"\", Content-Length \"" + platform_.ansi.FromAnsi(length) + L"\"";
  // Without its own length a longer part could not be told from the rest.
  const bool fits = status == kHttpStatusPartialContent && ContinuesAt(range, point) &&
                    length == std::to_string(point.total - point.received);
  if (!fits) {
    platform_.log.Write(at + answer + L", which is not the rest; asking for the whole file");
    return 0;
  }
  platform_.log.Write(at + answer);
  return point.received;
}

// The body, chunk by chunk, into a new temporary file or, from byte `from` on,
// after what the last attempt left in it, with the progress bar following; closes
// the attempt's handles. Returns the bytes of the whole body; a body that ended
// early is the "Reading File" failure, its bytes kept for the next attempt.
std::int64_t frmGetHTMLFile::ReadBody(Attempt& attempt, std::optional<std::int32_t> contentLength,
                                      std::int64_t from) {
  WinInetApi& inet = platform_.inet;
  ProgressBar& bar = Window().Progress(L"ProgressBar");
  const auto barMax = static_cast<double>(contentLength.value_or(kUnknownContentLength));
  bar.SetMax(static_cast<float>(barMax));
  double barValue = static_cast<double>(from);
  double shown = barValue;
  bar.SetValue(static_cast<float>(shown));

  if (from == 0) {
    attempt.tempPath = clsTempFile(platform_.tempFiles, platform_.ansi, platform_.messageBoxes)
                           .FileName(staging_names::kDownloadPrefix);
    if (attempt.tempPath.empty()) throw platform_.tempFiles.NameFailure();
    attempt.tempFile = platform_.files.OpenForBinary(attempt.tempPath);
  }

  std::vector<std::uint8_t>& buffer = attempt.buffer;
  const auto size = static_cast<std::uint32_t>(buffer.size());
  std::int64_t position = from + 1;  // 1-based, as a 32-bit file position
  // The error-page rule looks at the first byte of the whole body only.
  bool firstChunk = from == 0;
  bool moreData = true;
  std::uint32_t readError = 0;  // taken before the check point can change it
  std::int64_t lastLook = platform_.clock.Milliseconds();
  while (moreData) {
    // Take what has arrived, up to a chunk: the query waits only while nothing
    // has, and a read of a whole chunk then confirms the end of the data.
    std::uint32_t available = 0;
    std::uint32_t count = 0;
    bool ok = inet.InternetQueryDataAvailable(attempt.request.Get(), &available, 0, 0) &&
              inet.InternetReadFile(attempt.request.Get(), buffer.data(),
                                    available == 0 ? size : std::min(available, size), &count);
    moreData = ok;
    if (!ok) readError = inet.LastErrorCode();
    count = std::min(count, size);
    if (count != 0) {
      if (firstChunk) {
        if (buffer[0] == '<' || buffer[0] == ' ') throw Error(kErrorPage, L"");
        firstChunk = false;
      }
      if (position + count > INT32_MAX) throw MakeError(errors::kOverflow);
      attempt.tempFile->Put(position, buffer.data(), count);
      position += count;
      barValue = barMax < barValue + count ? 0.0 : barValue + count;
    } else if (ok) {
      // The end of the data is a read that succeeds with nothing. A failed read,
      // with or without bytes, and a body shorter than announced leave the
      // attempt running, which is the "Reading File" failure below.
      moreData = false;
      if (!contentLength || position - 1 >= *contentLength) state_.Status = kRetrievalCompleted;
    }
    const std::int64_t now = platform_.clock.Milliseconds();
    if (!moreData || count < size || now - lastLook >= kLookEveryMs) {
      if (barValue != shown) bar.SetValue(static_cast<float>(shown = barValue));
      CheckCancel();
      lastLook = now;
    }
  }

  ReleaseHandles(attempt);
  if (state_.Status == kRetrievalRunning) {
    attempt.resume.received = position - 1;  // what the next attempt may continue
    windowsError_ = readError;               // 0 for a body shorter than announced
    const wchar_t* problem = CertificateProblem(readError);
    reason_ = problem ? problem : L"";
    throw Error(kNetworkStepFailed, L"Reading File");
  }
  attempt.tempFile->Close();
  return position - 1;
}

}  // namespace vyn
