// The transfer: the first tick of Timer1 fetches URL into LocalFile, with check
// points for Cancel, retries after network failures and one handler for every
// failure. The caller sees only Status.

#include <algorithm>
#include <chrono>
#include <climits>
#include <initializer_list>
#include <optional>
#include <vector>

#include "platform/CutAtNul.h"
#include "platform/Error.h"
#include "platform/ErrorRanges.h"
#include "platform/PathText.h"
#include "retrieval/CertificateProblems.h"
#include "retrieval/InetHandle.h"
#include "retrieval/ResumePoint.h"
#include "retrieval/SecureRedirect.h"
#include "retrieval/SplitUrl.h"
#include "retrieval/TargetReplacement.h"
#include "retrieval/frmGetHTMLFile.h"
#include "support/clsTempFile.h"

namespace vyn {
namespace {

constexpr std::int32_t kCancelled = error_ranges::Number(error_ranges::kTransfer, 1);
constexpr std::int32_t kNetworkStepFailed = error_ranges::Number(error_ranges::kTransfer, 2);
constexpr std::int32_t kErrorPage = error_ranges::Number(error_ranges::kTransfer, 3);

// Without a Content-Length the bar is sized for this many bytes and restarts.
constexpr std::int32_t kUnknownContentLength = 100000;
constexpr std::uint32_t kHttpStatusOk = 200;
constexpr std::uint32_t kHttpStatusPartialContent = 206;
// Room for a validator or a Content-Range.
constexpr std::size_t kShortHeaderBytes = 256;
// Room for a redirect's Location; a longer one is no address to follow.
constexpr std::size_t kLocationBytes = 2048;
// No network wait lasts longer: a stalled server becomes that step's failure.
constexpr std::uint32_t kNetworkTimeoutMs = 30000;

// Connect, send and receive timeouts. A failed setting is not examined: the
// transfer works without it, only unbounded.
void BoundNetworkWaits(WinInetApi& inet, InternetHandle handle) {
  for (std::uint32_t option :
       {kInternetOptionConnectTimeout, kInternetOptionSendTimeout, kInternetOptionReceiveTimeout}) {
    std::uint32_t milliseconds = kNetworkTimeoutMs;
    inet.InternetSetOptionA(handle, option, &milliseconds, sizeof milliseconds);
  }
}

// A header's text as the query handed it back: length bytes of buffer, up to any NUL.
std::string HeaderText(const std::vector<std::uint8_t>& buffer, std::uint32_t length) {
  return CutAtNul(
      std::string(buffer.begin(), buffer.begin() + std::min<std::size_t>(length, buffer.size())));
}

// The header's text as a 32-bit count: digits only, at most 2,147,483,647.
std::int32_t ParseContentLength(std::string text) {
  auto first = text.find_first_not_of(' ');
  auto last = text.find_last_not_of(' ');
  if (first == std::string::npos) throw MakeError(errors::kTypeMismatch);
  text = text.substr(first, last - first + 1);
  long long value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') throw MakeError(errors::kTypeMismatch);
    value = value * 10 + (c - '0');
    if (value > INT32_MAX) throw MakeError(errors::kOverflow);
  }
  return static_cast<std::int32_t>(value);
}

}  // namespace

// What one attempt holds open; the cleanup releases it.
struct frmGetHTMLFile::Attempt {
  explicit Attempt(WinInetApi& inet) : session(inet), connection(inet), request(inet) {}
  InetHandle session;
  InetHandle connection;
  InetHandle request;
  std::wstring tempPath;  // named (and so created) in this attempt
  std::unique_ptr<BinaryFile> tempFile;
  std::vector<std::uint8_t> buffer;  // BufferSize bytes
  // What the body received so far lets the next attempt ask for; the temporary
  // file stays open with those bytes, so nobody else can change them in between.
  ResumePoint resume;
};

// Called right after the failed step, before anything else can change the
// thread's last error, which the run log records.
Error frmGetHTMLFile::NetworkStepFailed(const wchar_t* step) {
  const std::uint32_t windowsError = platform_.inet.LastErrorCode();
  const wchar_t* problem = CertificateProblem(windowsError);
  return NetworkStepRefused(step, problem ? problem : L"", windowsError);
}

// A network step that failed for `reason`, which the question names (none when
// empty), with the Windows error behind it, if any.
Error frmGetHTMLFile::NetworkStepRefused(const wchar_t* step, const std::wstring& reason,
                                         std::uint32_t windowsError) {
  windowsError_ = windowsError;
  reason_ = reason;
  if (reason.empty()) return Error(kNetworkStepFailed, step);
  return Error(kNetworkStepFailed, std::wstring(step) + L": " + reason);
}

void frmGetHTMLFile::CheckCancel() {
  platform_.pump.DoEvents();
  if (Status == kRetrievalCancelled) throw Error(kCancelled, L"");
}

std::wstring frmGetHTMLFile::AttemptCaption() const {
  if (ShowFileName == kFalse) return CaptionText;
  return CaptionText + L" - " + NamePart(LocalFile);
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
        SplitUrl(URL, server, path);
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
  Status = kRetrievalRunning;
  const auto begun = std::chrono::steady_clock::now();
  platform_.log.Write(L"GET " + URL + L" into " + LocalFile);
  Connect(attempt, server);
  const bool resuming = attempt.resume.Usable();
  if (resuming) {
    platform_.log.Write(L"Asking for the rest from byte " +
                        std::to_wstring(attempt.resume.received) + L" of " +
                        std::to_wstring(attempt.resume.total));
  }
  std::uint32_t status =
      Request(attempt, server, path, resuming ? RangeHeaders(attempt.resume) : std::string());
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

  if (BufferSize < 1) throw MakeError(errors::kInvalidProcedureCall);
  // One buffer per attempt, reused by the Content-Length query and every read.
  attempt.buffer.assign(static_cast<std::size_t>(BufferSize), 0);
  std::optional<std::int32_t> contentLength;
  if (from == 0) {
    contentLength = QueryContentLength(attempt);
    attempt.resume = ResumePoint{};
    if (contentLength) {
      attempt.resume.total = *contentLength;
      const std::string etag = QueryHeader(attempt, kHttpQueryETag);
      attempt.resume.validator = RangeValidator(etag, QueryHeader(attempt, kHttpQueryLastModified));
    }
  } else {
    contentLength = static_cast<std::int32_t>(attempt.resume.total);
  }
  CheckCancel();

  const std::int64_t received = ReadBody(attempt, contentLength, from);
  ReplaceTarget(platform_, attempt.tempPath, LocalFile);
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

// The session and the connection to `server`, each with its waits bounded.
void frmGetHTMLFile::Connect(Attempt& attempt, const ServerAddress& address) {
  WinInetApi& inet = platform_.inet;
  attempt.session = InetHandle(
      inet, inet.InternetOpenA("http sample", kInternetOpenTypePreconfig, nullptr, nullptr, 0));
  if (!attempt.session) throw NetworkStepFailed(L"Opening Internet Session");
  BoundNetworkWaits(inet, attempt.session.Get());
  CheckCancel();
  OpenConnection(attempt, address);
}

// The attempt's connection to `address`, in place of any earlier one.
void frmGetHTMLFile::OpenConnection(Attempt& attempt, const ServerAddress& address) {
  WinInetApi& inet = platform_.inet;
  attempt.request.Close();
  attempt.connection.Close();
  std::string host = platform_.ansi.ToAnsi(address.host);
  attempt.connection =
      InetHandle(inet, inet.InternetConnectA(attempt.session.Get(), host.c_str(), address.port,
                                             nullptr, nullptr, kInternetServiceHttp, 0, 0));
  // The handle is judged as a signed 32-bit number.
  if (static_cast<std::int32_t>(attempt.connection.Get()) < 1) {
    throw NetworkStepFailed(L"Opening Internet Connection");
  }
  // Windows hands the session's timeouts down to its connections; Wine takes
  // only the connect timeout from the session, so the connection gets them too.
  BoundNetworkWaits(inet, attempt.connection.Get());
  CheckCancel();
}

// The GET of `path` on `server` with any extra headers, through its redirects;
// returns the last answer's status. WinInet follows a plain host's redirects;
// a secure host's are followed here, only to https:// addresses, each hop on
// a connection with every certificate check, so nothing goes in the clear.
std::uint32_t frmGetHTMLFile::Request(Attempt& attempt, const ServerAddress& server,
                                      const std::wstring& path, const std::string& headers) {
  RedirectTarget at{server, path};
  for (int hops = 0;; ++hops) {
    const std::uint32_t status = SendRequest(attempt, at.path, at.server.secure, headers);
    if (!at.server.secure || !IsRedirect(status)) return status;
    std::vector<std::uint8_t> buffer(kLocationBytes, 0);
    const std::wstring location = platform_.ansi.FromAnsi(
        QueryHeader(attempt, kHttpQueryLocation, buffer).value_or(std::string()));
    // A redirect without an address is an answer other than the file.
    if (location.empty()) return status;
    const std::wstring from = AddressText(at.server, at.path);
    std::optional<RedirectTarget> next = SecureRedirectTarget(at.server, at.path, location);
    if (!next) {
      platform_.log.Write(L"Redirect refused: " + from + L" sent the download to " + location);
      throw NetworkStepRefused(
          L"Sending Request",
          L"the server sent the download to an address that is not secure (" + location + L")");
    }
    const std::wstring to = AddressText(next->server, next->path);
    if (hops == kMostRedirects) {
      platform_.log.Write(L"Redirect refused: " + from + L" sent the download to " + to +
                          L" after " + std::to_wstring(hops) + L" redirects");
      throw NetworkStepRefused(L"Sending Request",
                               L"the server redirected the download more than " +
                                   std::to_wstring(kMostRedirects) + L" times");
    }
    platform_.log.Write(L"Redirected: " + from + L" sent the download to " + to);
    if (next->server.host != at.server.host || next->server.port != at.server.port) {
      OpenConnection(attempt, next->server);
    }
    at = *next;
  }
}

// One GET of `path` on the attempt's connection; returns the answer's status,
// 0 when it cannot be read.
std::uint32_t frmGetHTMLFile::SendRequest(Attempt& attempt, const std::wstring& path, bool secure,
                                          const std::string& headers) {
  WinInetApi& inet = platform_.inet;
  std::string object = platform_.ansi.ToAnsi(path);
  std::uint32_t flags = kInternetFlagReload | kInternetFlagNoCacheWrite;
  if (secure) flags |= kInternetFlagSecure | kInternetFlagNoAutoRedirect;
  attempt.request = InetHandle(inet, inet.HttpOpenRequestA(attempt.connection.Get(), "GET",
                                                           path.empty() ? nullptr : object.c_str(),
                                                           "HTTP/1.0", nullptr, nullptr, flags, 0));
  if (!attempt.request) throw NetworkStepFailed(L"Opening Request");
  CheckCancel();

  if (!inet.HttpSendRequestA(attempt.request.Get(), headers.empty() ? nullptr : headers.c_str(),
                             static_cast<std::uint32_t>(headers.size()), nullptr, 0)) {
    throw NetworkStepFailed(L"Sending Request");
  }
  CheckCancel();

  std::uint32_t statusCode = 0;
  std::uint32_t statusLength = sizeof statusCode;
  std::uint32_t statusIndex = 0;
  const bool answered =
      inet.HttpQueryInfoA(attempt.request.Get(), kHttpQueryStatusCode | kHttpQueryFlagNumber,
                          &statusCode, &statusLength, &statusIndex);
  platform_.log.Write(L"HTTP status " + (answered ? std::to_wstring(statusCode) : L"unknown"));
  return answered ? statusCode : 0;
}

// A header of the answer as text, read into `buffer`; none without it, nor when
// it does not fit.
std::optional<std::string> frmGetHTMLFile::QueryHeader(Attempt& attempt, std::uint32_t header,
                                                       std::vector<std::uint8_t>& buffer) {
  auto length = static_cast<std::uint32_t>(buffer.size());
  std::uint32_t index = 0;
  if (!platform_.inet.HttpQueryInfoA(attempt.request.Get(), header, buffer.data(), &length,
                                     &index)) {
    return std::nullopt;
  }
  return HeaderText(buffer, length);
}

// A short header (a validator, a range); empty without it. One that does not fit
// is no validator: the retry then starts over, as without one.
std::string frmGetHTMLFile::QueryHeader(Attempt& attempt, std::uint32_t header) {
  std::vector<std::uint8_t> buffer(kShortHeaderBytes, 0);
  return QueryHeader(attempt, header, buffer).value_or(std::string());
}

// The announced length of the body; none without the header.
std::optional<std::int32_t> frmGetHTMLFile::QueryContentLength(Attempt& attempt) {
  std::optional<std::int32_t> contentLength;
  if (auto text = QueryHeader(attempt, kHttpQueryContentLength, attempt.buffer)) {
    contentLength = ParseContentLength(*text);
  }
  platform_.log.Write(contentLength ? L"Content-Length " + std::to_wstring(*contentLength)
                                    : std::wstring(L"No Content-Length"));
  return contentLength;
}

// The body, chunk by chunk, into a new temporary file or, from byte `from` on,
// after what the last attempt left in it, with the progress bar following; closes
// the attempt's handles. Returns the bytes of the whole body; a body that ended
// early is the "Reading File" failure, its bytes kept for the next attempt.
std::int64_t frmGetHTMLFile::ReadBody(Attempt& attempt, std::optional<std::int32_t> contentLength,
                                      std::int64_t from) {
  WinInetApi& inet = platform_.inet;
  ProgressBar& bar = Window().Progress(L"ProgressBar");
  bar.SetMax(static_cast<float>(contentLength.value_or(kUnknownContentLength)));
  bar.SetValue(static_cast<float>(from));

  if (from == 0) {
    attempt.tempPath =
        clsTempFile(platform_.tempFiles, platform_.ansi, platform_.messageBoxes).FileName(L"~re");
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
      double next = static_cast<double>(bar.Value()) + count;
      bar.SetValue(bar.Max() < next ? 0.0f : static_cast<float>(next));
    } else if (ok) {
      // The end of the data is a read that succeeds with nothing. A failed read,
      // with or without bytes, and a body shorter than announced leave the
      // attempt running, which is the "Reading File" failure below.
      moreData = false;
      if (!contentLength || position - 1 >= *contentLength) Status = kRetrievalCompleted;
    }
    CheckCancel();
  }

  ReleaseHandles(attempt);
  if (Status == kRetrievalRunning) {
    attempt.resume.received = position - 1;  // what the next attempt may continue
    windowsError_ = readError;               // 0 for a body shorter than announced
    const wchar_t* problem = CertificateProblem(readError);
    reason_ = problem ? problem : L"";
    throw Error(kNetworkStepFailed, L"Reading File");
  }
  attempt.tempFile->Close();
  return position - 1;
}

bool frmGetHTMLFile::HandleFailure(const Error& failure, Attempt& attempt) noexcept {
  MessageBoxes& boxes = platform_.messageBoxes;
  // From here on a failing step is skipped and nothing more is reported.
  try {
    LogFailure(failure);
    switch (failure.Number()) {
      case kCancelled:
        Status = kRetrievalCancelled;
        break;
      case kNetworkStepFailed: {
        // A Cancel clicked while the step blocked is answered before any question.
        platform_.pump.DoEvents();
        if (cancelClicked_) {
          Status = kRetrievalCancelled;
          break;
        }
        Status = kRetrievalNotRetrieved;
        if (form_) form_->SetCaption(L"Error " + failure.Description());
        std::wstring question = L"Error connecting to server. Do you want to retry?";
        if (!reason_.empty()) question += L"\r\n\r\nReason: " + reason_ + L".";
        MessageAnswer answer = boxes.Show(question, L"Connect Error", MessageButtons::kYesNo);
        // A Cancel that reached the window while the question was up wins over the answer.
        if (cancelClicked_) {
          Status = kRetrievalCancelled;
        } else if (answer == MessageAnswer::kYes) {
          // What a broken body received stays for the next attempt to continue.
          if (attempt.resume.Usable()) {
            ReleaseHandles(attempt);
          } else {
            Cleanup(attempt);
          }
          return true;
        }
        break;
      }
      case kErrorPage:
        Status = kRetrievalNotRetrieved;
        if (Quiet == kFalse) {
          boxes.Show(L"Requested file not found\r\n" + URL, L"File not found", MessageButtons::kOk);
        }
        break;
      default:
        Status = kRetrievalCancelled;
        boxes.Show(std::to_wstring(failure.Number()) + L" - " + failure.Description(), kAppTitle,
                   MessageButtons::kOk);
        break;
    }
  } catch (...) {
    if (Status == kRetrievalRunning) Status = kRetrievalCancelled;
  }
  Cleanup(attempt);
  HideWindow();
  return false;
}

void frmGetHTMLFile::LogFailure(const Error& failure) {
  std::wstring event;
  switch (failure.Number()) {
    case kCancelled:
      event = L"Cancelled";
      break;
    case kNetworkStepFailed:
      event = L"Network failure: " + DescribeFailure(failure.Number(), failure.Description()) +
              L", Windows error " + std::to_wstring(windowsError_);
      break;
    case kErrorPage:
      event = L"Not retrieved: the server answered with a page, not the file";
      break;
    default:
      event = L"Transfer failed: " + DescribeFailure(failure.Number(), failure.Description());
      break;
  }
  platform_.log.Write(event);
}

void frmGetHTMLFile::ReleaseHandles(Attempt& attempt) noexcept {
  attempt.request.Close();
  attempt.connection.Close();
  attempt.session.Close();
}

void frmGetHTMLFile::Cleanup(Attempt& attempt) noexcept {
  ReleaseHandles(attempt);
  DropTemporaryFile(attempt);
}

// Deletes the temporary file once it was named, also when opening it failed.
void frmGetHTMLFile::DropTemporaryFile(Attempt& attempt) noexcept {
  attempt.resume = ResumePoint{};
  if (attempt.tempPath.empty()) return;
  try {
    if (attempt.tempFile && attempt.tempFile->IsOpen()) attempt.tempFile->Close();
  } catch (...) {
  }
  attempt.tempFile.reset();
  try {
    platform_.files.Kill(attempt.tempPath);
  } catch (...) {
  }
  attempt.tempPath.clear();
}

}  // namespace vyn
