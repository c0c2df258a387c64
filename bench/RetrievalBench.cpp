// One download per run, so that each run's peak working set is its own:
//   retrieval_bench getfile URL TARGET   through GetFile and its window, as the program does
//   retrieval_bench bare URL TARGET      the bare WinInet loop: the same 4096-byte reads
//                                        written to a file, nothing else
//   retrieval_bench idle                 starts and ends (the exe's own floor)
//   retrieval_bench trickle TARGET       GetFile from a loopback server that sends half
//                                        the body, then 16 bytes a second; Cancel is
//                                        clicked 3 s in, and seconds is the time from
//                                        the click to GetFile's return (the failure message)
//   retrieval_bench resume MIB TARGET
//   retrieval_bench restart MIB TARGET
//                                        GetFile from a loopback server that breaks
//                                        the body off at 90% once, Yes to the retry;
//                                        with an ETag (resume) or without (restart,
//                                        a whole new download); sent is what the
//                                        server sent of bodies in all
// Prints one line "seconds=S bytes=N peak=P status=X" for scripts/bench.sh.

#include "BenchPlatform.h"  // first: it settles <windows.h>'s file macros

#include <wininet.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <string>
#include <thread>
#include <vector>

#include "LoopbackHttpServer.h"
#include "ProcessMemory.h"
#include "retrieval/SplitUrl.h"
#include "retrieval/frmGetHTMLFile.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr DWORD kChunk = 4096;

std::uint64_t FileSize(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return 0;
  return (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
}

// RAII for the bare loop's handles.
struct Inet {
  explicit Inet(HINTERNET h) : handle(h) {}
  ~Inet() {
    if (handle) InternetCloseHandle(handle);
  }
  Inet(const Inet&) = delete;
  Inet& operator=(const Inet&) = delete;
  HINTERNET handle;
};

struct File {
  explicit File(HANDLE h) : handle(h) {}
  ~File() {
    if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
  }
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  HANDLE handle;
};

// The same session, request and reads as the transfer, and nothing else.
int BareLoop(const std::wstring& url, const std::wstring& target) {
  std::wstring server;
  std::wstring path;
  vyn::SplitUrl(url, server, path);
  vyn::ServerAddress address = vyn::SplitServerPort(server);
  std::string host(address.host.begin(), address.host.end());
  std::string object(path.begin(), path.end());

  // The transfer's 30 s timeouts, on the session and on the connection.
  auto bound = [](HINTERNET handle) {
    for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT,
                         INTERNET_OPTION_RECEIVE_TIMEOUT}) {
      DWORD milliseconds = 30000;
      InternetSetOptionA(handle, option, &milliseconds, sizeof milliseconds);
    }
  };
  Inet session(InternetOpenA("http sample", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
  bound(session.handle);
  Inet connection(InternetConnectA(session.handle, host.c_str(), address.port, nullptr, nullptr,
                                   INTERNET_SERVICE_HTTP, 0, 0));
  bound(connection.handle);
  Inet request(HttpOpenRequestA(connection.handle, "GET", object.c_str(), "HTTP/1.0", nullptr,
                                nullptr, INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE, 0));
  if (!request.handle || !HttpSendRequestA(request.handle, nullptr, 0, nullptr, 0)) return 3;
  File out(CreateFileW(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, nullptr));
  if (out.handle == INVALID_HANDLE_VALUE) return 1;
  std::vector<char> buffer(kChunk);
  DWORD got = 0;
  for (;;) {
    if (!InternetReadFile(request.handle, buffer.data(), kChunk, &got)) return 3;
    if (got == 0) return 0;
    DWORD written = 0;
    if (!WriteFile(out.handle, buffer.data(), got, &written, nullptr) || written != got) return 1;
  }
}

int ThroughGetFile(const std::wstring& url, const std::wstring& target) {
  vyn::bench::BenchPlatform services;
  vyn::frmGetHTMLFile window(services.platform);
  vyn::Boolean quiet = vyn::kTrue;
  return window.GetFile(url, target, vyn::kFalse, L"Downloading MLS Data", vyn::kFalse, kChunk,
                        quiet);
}

// The user clicks Cancel 3 s after the window appeared; the click is queued
// and takes effect at the transfer's next check point.
int CancelWhileTrickling(const std::wstring& target, double& clickToEnd) {
  vyn::test::LoopbackHttpServer server(
      {vyn::test::LoopbackHttpServer::TrickledAfterHalf(std::string(400000, 'P'))});
  std::atomic<bool> clicked{false};
  Clock::time_point at;
  std::thread user([&] {
    HWND window = nullptr;
    for (int i = 0; i < 500 && !window; ++i) {
      window = FindWindowW(nullptr, L"Downloading MLS Data");
      Sleep(20);
    }
    if (!window) return;
    Sleep(3000);
    HWND cancel = FindWindowExW(window, nullptr, L"Button", L"&Cancel");
    if (!cancel) return;
    at = Clock::now();
    clicked = true;
    PostMessageW(cancel, BM_CLICK, 0, 0);
  });
  std::wstring url = L"127.0.0.1:" + std::to_wstring(server.Port()) + L"/Downloads/x.vyn";
  int status = ThroughGetFile(url, target);
  auto returned = Clock::now();
  user.join();
  clickToEnd = clicked ? std::chrono::duration<double>(returned - at).count() : -1;
  return clicked ? status : -1;
}

// One break at 90% and Yes to the retry; the server sends the rest to a request
// for it, or the whole body again when it gave no validator to ask with.
int RetryAfterABreak(bool withETag, std::uint64_t size, const std::wstring& target,
                     std::uint64_t& sent, bool& whole) {
  using Server = vyn::test::LoopbackHttpServer;
  const std::uint64_t cut = size / 10 * 9;
  Server::Reply first;
  first.head = "HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(size);
  if (withETag) first.head += "\r\nETag: \"bench\"";
  first.generatedBodySize = size;
  first.closeAfter = cut;
  Server::Reply second = first;
  second.closeAfter = SIZE_MAX;
  if (withETag) {
    second.head = "HTTP/1.0 206 Partial Content\r\nETag: \"bench\"\r\nContent-Length: " +
                  std::to_string(size - cut) + "\r\nContent-Range: bytes " + std::to_string(cut) +
                  "-" + std::to_string(size - 1) + "/" + std::to_string(size);
    second.generatedBodySize = size - cut;
    second.generatedFrom = cut;
  }
  Server server({first, second}, std::chrono::seconds(300));
  vyn::bench::BenchPlatform services;
  services.boxes.yesAnswers = 1;
  vyn::frmGetHTMLFile window(services.platform);
  vyn::Boolean quiet = vyn::kTrue;
  std::wstring url = L"127.0.0.1:" + std::to_wstring(server.Port()) + L"/Downloads/x.vyn";
  int status =
      window.GetFile(url, target, vyn::kFalse, L"Downloading MLS Data", vyn::kFalse, kChunk, quiet);
  sent = server.BodyBytesSent();
  // The stored file must be the whole pattern, however it arrived.
  whole = FileSize(target) == size;
  File in(CreateFileW(target.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                      FILE_ATTRIBUTE_NORMAL, nullptr));
  std::vector<unsigned char> buffer(1 << 20);
  for (std::uint64_t at = 0; whole && at < size;) {
    DWORD got = 0;
    if (!ReadFile(in.handle, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr) ||
        got == 0) {
      whole = false;
      break;
    }
    for (DWORD i = 0; i < got && whole; ++i) whole = buffer[i] == Server::PatternByte(at + i);
    at += got;
  }
  return status;
}

int Usage() {
  std::fprintf(stderr,
               "usage: retrieval_bench getfile|bare URL TARGET | resume|restart MIB TARGET | "
               "trickle TARGET | idle\n");
  return 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::vector<std::wstring> args(argv + 1, argv + argc);
  if (args.size() == 1 && args[0] == L"idle") {
    std::printf("seconds=0 bytes=0 peak=%zu status=0\n", vyn::bench::PeakWorkingSet());
    return 0;
  }
  if (args.size() == 2 && args[0] == L"trickle") {
    double seconds = 0;
    int status = CancelWhileTrickling(args[1], seconds);
    std::printf("seconds=%.3f bytes=%llu peak=%zu status=%d\n", seconds,
                static_cast<unsigned long long>(FileSize(args[1])), vyn::bench::PeakWorkingSet(),
                status);
    return status == 1 ? 0 : 1;  // cancelled, as clicked
  }
  if (args.size() == 3 && (args[0] == L"resume" || args[0] == L"restart")) {
    const std::uint64_t size = std::stoull(args[1]) << 20;
    std::uint64_t sent = 0;
    bool whole = false;
    auto start = Clock::now();
    int status = RetryAfterABreak(args[0] == L"resume", size, args[2], sent, whole);
    double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    std::printf("seconds=%.3f bytes=%llu sent=%llu peak=%zu status=%d\n", seconds,
                static_cast<unsigned long long>(FileSize(args[2])),
                static_cast<unsigned long long>(sent), vyn::bench::PeakWorkingSet(), status);
    return status == 0 && whole ? 0 : 1;
  }
  if (args.size() != 3) return Usage();
  const std::wstring& mode = args[0];
  if (mode != L"getfile" && mode != L"bare") return Usage();

  auto start = Clock::now();
  int status = mode == L"bare" ? BareLoop(args[1], args[2]) : ThroughGetFile(args[1], args[2]);
  double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  std::printf("seconds=%.3f bytes=%llu peak=%zu status=%d\n", seconds,
              static_cast<unsigned long long>(FileSize(args[2])), vyn::bench::PeakWorkingSet(),
              status);
  return status == 0 ? 0 : 1;
}
