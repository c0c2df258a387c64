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
#include "retrieval/InetHandle.h"
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

// The header's text as a 32-bit count: digits only, at most 2,147,483,647.
std::int32_t ParseContentLength(const std::vector<std::uint8_t>& buffer, std::uint32_t length) {
  std::string text = CutAtNul(
      std::string(buffer.begin(), buffer.begin() + std::min<std::size_t>(length, buffer.size())));
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
};

// Called right after the failed step, before anything else can change the
// thread's last error, which the run log records.
Error frmGetHTMLFile::NetworkStepFailed(const wchar_t* step) {
  windowsError_ = platform_.inet.LastErrorCode();
  return Error(kNetworkStepFailed, step);
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
  bool started = false;
  for (;;) {
    try {
      if (!started) {
        Window().SetTimerEnabled(false);
        platform_.pump.DoEvents();
        // A click on Cancel here must not be lost when the attempt sets Status.
        if (cancelClicked_) throw Error(kCancelled, L"");
        SplitUrl(URL, server, path);
        started = true;
      }
      RunAttempt(attempt, server, path);
      HideWindow();
      return;
    } catch (...) {
      if (!HandleFailure(CurrentError(), attempt)) return;
    }
  }
}

// One attempt, in its steps; every failure is thrown for HandleFailure.
void frmGetHTMLFile::RunAttempt(Attempt& attempt, const std::wstring& server,
                                const std::wstring& path) {
  Window().SetCaption(AttemptCaption());
  Status = kRetrievalRunning;
  const auto begun = std::chrono::steady_clock::now();
  platform_.log.Write(L"GET " + URL + L" into " + LocalFile);
  Connect(attempt, server);
  SendRequest(attempt, path);

  if (BufferSize < 1) throw MakeError(errors::kInvalidProcedureCall);
  // One buffer per attempt, reused by the Content-Length query and every read.
  attempt.buffer.assign(static_cast<std::size_t>(BufferSize), 0);
  const std::optional<std::int32_t> contentLength = QueryContentLength(attempt);
  CheckCancel();

  const std::int64_t received = ReadBody(attempt, contentLength);
  ReplaceTarget(platform_, attempt.tempPath, LocalFile);
  platform_.log.Write(L"Received " + std::to_wstring(received) + L" bytes in " +
                      std::to_wstring(MillisecondsSince(begun)) + L" ms");
  attempt.tempFile.reset();
  attempt.tempPath.clear();
}

// The session and the connection to `server`, each with its waits bounded.
void frmGetHTMLFile::Connect(Attempt& attempt, const std::wstring& server) {
  WinInetApi& inet = platform_.inet;
  attempt.session = InetHandle(
      inet, inet.InternetOpenA("http sample", kInternetOpenTypePreconfig, nullptr, nullptr, 0));
  if (!attempt.session) throw NetworkStepFailed(L"Opening Internet Session");
  BoundNetworkWaits(inet, attempt.session.Get());
  CheckCancel();

  ServerAddress address = SplitServerPort(server);
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

// The GET of `path`, sent; only a 200 answer goes on.
void frmGetHTMLFile::SendRequest(Attempt& attempt, const std::wstring& path) {
  WinInetApi& inet = platform_.inet;
  std::string object = platform_.ansi.ToAnsi(path);
  attempt.request = InetHandle(
      inet, inet.HttpOpenRequestA(attempt.connection.Get(), "GET",
                                  path.empty() ? nullptr : object.c_str(), "HTTP/1.0", nullptr,
                                  nullptr, kInternetFlagReload | kInternetFlagNoCacheWrite, 0));
  if (!attempt.request) throw NetworkStepFailed(L"Opening Request");
  CheckCancel();

  if (!inet.HttpSendRequestA(attempt.request.Get(), nullptr, 0, nullptr, 0)) {
    throw NetworkStepFailed(L"Sending Request");
  }
  CheckCancel();

  // Only a 200 answer (after the redirects WinInet follows) is the file; any
  // other answer is the server's error page, whatever its body begins with.
  std::uint32_t statusCode = 0;
  std::uint32_t statusLength = sizeof statusCode;
  std::uint32_t statusIndex = 0;
  const bool answered =
      inet.HttpQueryInfoA(attempt.request.Get(), kHttpQueryStatusCode | kHttpQueryFlagNumber,
                          &statusCode, &statusLength, &statusIndex);
  platform_.log.Write(L"HTTP status " + (answered ? std::to_wstring(statusCode) : L"unknown"));
  if (!answered || statusCode != kHttpStatusOk) throw Error(kErrorPage, L"");
}

// The announced length of the body; none without the header.
std::optional<std::int32_t> frmGetHTMLFile::QueryContentLength(Attempt& attempt) {
  std::vector<std::uint8_t>& buffer = attempt.buffer;
  auto length = static_cast<std::uint32_t>(buffer.size());
  std::uint32_t index = 0;
  std::optional<std::int32_t> contentLength;
  if (platform_.inet.HttpQueryInfoA(attempt.request.Get(), kHttpQueryContentLength, buffer.data(),
                                    &length, &index)) {
    contentLength = ParseContentLength(buffer, length);
  }
  platform_.log.Write(contentLength ? L"Content-Length " + std::to_wstring(*contentLength)
                                    : std::wstring(L"No Content-Length"));
  return contentLength;
}

// The body, chunk by chunk, into a new temporary file, with the progress bar
// following; closes the attempt's handles. Returns the bytes received; a body that
// ended early is the "Reading File" failure.
std::int64_t frmGetHTMLFile::ReadBody(Attempt& attempt, std::optional<std::int32_t> contentLength) {
  WinInetApi& inet = platform_.inet;
  ProgressBar& bar = Window().Progress(L"ProgressBar");
  bar.SetMax(static_cast<float>(contentLength.value_or(kUnknownContentLength)));
  bar.SetValue(0);

  attempt.tempPath =
      clsTempFile(platform_.tempFiles, platform_.ansi, platform_.messageBoxes).FileName(L"~re");
  if (attempt.tempPath.empty()) throw platform_.tempFiles.NameFailure();
  attempt.tempFile = platform_.files.OpenForBinary(attempt.tempPath);

  std::vector<std::uint8_t>& buffer = attempt.buffer;
  const auto size = static_cast<std::uint32_t>(buffer.size());
  std::int64_t position = 1;  // 1-based, as a 32-bit file position
  bool firstChunk = true;
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

  attempt.tempFile->Close();
  attempt.request.Close();
  attempt.connection.Close();
  attempt.session.Close();
  if (Status == kRetrievalRunning) {
    windowsError_ = readError;  // 0 for a body shorter than announced
    throw Error(kNetworkStepFailed, L"Reading File");
  }
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
        MessageAnswer answer = boxes.Show(L"Error connecting to server. Do you want to retry?",
                                          L"Connect Error", MessageButtons::kYesNo);
        // A Cancel that reached the window while the question was up wins over the answer.
        if (cancelClicked_) {
          Status = kRetrievalCancelled;
        } else if (answer == MessageAnswer::kYes) {
          Cleanup(attempt);
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

void frmGetHTMLFile::Cleanup(Attempt& attempt) noexcept {
  attempt.request.Close();
  attempt.connection.Close();
  attempt.session.Close();
  // Delete the temporary file once it was named, also when opening it failed.
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
