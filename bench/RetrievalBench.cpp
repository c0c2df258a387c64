// Fetches 16 MiB and 256 MiB files from a loopback server through the
// retrieval window (real WinInet, real disk, windows without a screen) and
// through a bare WinInet loop of the same 4096-byte reads, and prints
// throughput and working set. The transfer's memory must not grow with size.

#include "WinePlatform.h"  // first: it settles <windows.h>'s file macros

#include <psapi.h>
#include <wininet.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <thread>

#include "LoopbackHttpServer.h"
#include "retrieval/frmGetHTMLFile.h"

namespace {

using vyn::test::LoopbackHttpServer;
using Clock = std::chrono::steady_clock;
constexpr double kMiB = 1024.0 * 1024.0;

std::size_t WorkingSet() {
  PROCESS_MEMORY_COUNTERS counters{};
  GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
  return counters.WorkingSetSize;
}

std::size_t PeakWorkingSet() {
  PROCESS_MEMORY_COUNTERS counters{};
  GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
  return counters.PeakWorkingSetSize;
}

struct Measure {
  double seconds = 0;
  std::size_t peakDuring = 0;  // highest working set sampled during the run
  std::size_t processPeak = 0;
  bool ok = false;
};

// Runs work while a thread samples the working set every 5 ms.
Measure Run(const std::function<bool()>& work) {
  std::atomic<bool> done{false};
  std::atomic<std::size_t> highest{WorkingSet()};
  std::thread sampler([&] {
    while (!done) {
      std::size_t now = WorkingSet();
      if (now > highest) highest = now;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  });
  auto start = Clock::now();
  Measure m;
  m.ok = work();
  m.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  done = true;
  sampler.join();
  m.peakDuring = highest;
  m.processPeak = PeakWorkingSet();
  return m;
}

LoopbackHttpServer::Reply Generated(std::uint64_t size) {
  LoopbackHttpServer::Reply reply;
  reply.head = "HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(size);
  reply.generatedBodySize = size;
  return reply;
}

bool BareLoop(std::uint16_t port, std::uint64_t size) {
  HINTERNET session = InternetOpenA("http sample", 0, nullptr, nullptr, 0);
  HINTERNET connection =
      InternetConnectA(session, "127.0.0.1", port, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0);
  HINTERNET request = HttpOpenRequestA(connection, "GET", "/Downloads/x.vyn", "HTTP/1.0", nullptr,
                                       nullptr, 0x84000000u, 0);
  std::uint64_t total = 0;
  if (request && HttpSendRequestA(request, nullptr, 0, nullptr, 0)) {
    char buffer[4096];
    DWORD got = 0;
    while (InternetReadFile(request, buffer, sizeof buffer, &got) && got > 0) total += got;
  }
  if (request) InternetCloseHandle(request);
  if (connection) InternetCloseHandle(connection);
  if (session) InternetCloseHandle(session);
  return total == size;
}

bool ThroughWindow(vyn::Platform& platform, std::uint16_t port, const std::wstring& target,
                   std::uint64_t size) {
  vyn::frmGetHTMLFile window(platform);
  vyn::Boolean quiet = vyn::kTrue;
  std::wstring url = L"127.0.0.1:" + std::to_wstring(port) + L"/Downloads/x.vyn";
  vyn::RetrievalStatus status =
      window.GetFile(url, target, vyn::kFalse, L"Downloading MLS Data", vyn::kFalse, 4096, quiet);
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(target.c_str(), GetFileExInfoStandard, &data)) return false;
  std::uint64_t stored = (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
  return status == 0 && stored == size;
}

void Print(const char* what, std::uint64_t size, const Measure& m) {
  std::printf(
      "%-18s %6.0f MiB  %7.2f s  %8.1f MiB/s  peak working set during run %7.1f MiB"
      "  (process peak %7.1f MiB)  %s\n",
      what, size / kMiB, m.seconds, size / kMiB / m.seconds, m.peakDuring / kMiB,
      m.processPeak / kMiB, m.ok ? "ok" : "FAILED");
  std::fflush(stdout);
}

}  // namespace

int main() {
  vyn::test::WinePlatformWithFakeWindows wine;
  wchar_t temp[MAX_PATH + 1];
  GetTempPathW(MAX_PATH + 1, temp);
  std::wstring target = std::wstring(temp) + L"vyn-retrieval-bench.zip";

  std::size_t windowPeak[2] = {0, 0};
  bool allOk = true;
  const std::uint64_t sizes[2] = {16ull << 20, 256ull << 20};
  for (int i = 0; i < 2; ++i) {
    std::uint64_t size = sizes[i];
    {
      LoopbackHttpServer server({Generated(size)}, std::chrono::seconds(600));
      Measure bare = Run([&] { return BareLoop(server.Port(), size); });
      Print("bare WinInet loop", size, bare);
      allOk = allOk && bare.ok;
    }
    {
      LoopbackHttpServer server({Generated(size)}, std::chrono::seconds(600));
      Measure m = Run([&] { return ThroughWindow(wine.platform, server.Port(), target, size); });
      Print("frmGetHTMLFile", size, m);
      windowPeak[i] = m.peakDuring;
      allOk = allOk && m.ok;
    }
    SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(target.c_str());
  }

  double growth = (static_cast<double>(windowPeak[1]) - static_cast<double>(windowPeak[0])) / kMiB;
  bool flat = growth <= 4.0;
  std::printf("peak growth from 16 MiB to 256 MiB through the window: %.1f MiB (%s)\n", growth,
              flat ? "flat" : "GROWS WITH SIZE");
  return allOk && flat ? 0 : 1;
}
