// The WinInet steps of one attempt: the session, the connection, the request
// and its redirects, and the headers of the answer.

#include <algorithm>
#include <climits>
#include <initializer_list>
#include <optional>
#include <vector>

#include "platform/CutAtNul.h"
#include "platform/Error.h"
#include "retrieval/SecureRedirect.h"
#include "retrieval/TransferAttempt.h"
#include "retrieval/frmGetHTMLFile.h"

namespace vyn {
namespace {

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

}  // namespace vyn
