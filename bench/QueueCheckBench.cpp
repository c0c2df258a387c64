// The cost of one look at an empty message queue, by each call that can tell
// whether the transfer's check point has anything to dispatch. Run on a thread
// with a shown window, as the retrieval window's thread is.
//   queue_check_bench [CALLS]
// The calls are timed in rounds of CALLS (default 2000), interleaved, and each
// call's best round counts, so that load from elsewhere falls on all alike.
// Prints one line of "name=nanoseconds-per-call" pairs for scripts/bench.sh, and
// whether this system takes the touch and pointer bits in a queue mask.

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <limits>
#include <vector>

#include "platform/win32/Win32MessagePump.h"

namespace {

using Clock = std::chrono::steady_clock;

// Windows 8's touch and pointer bits, spelled out: the headers of a Windows 7
// build leave them out of QS_ALLINPUT.
constexpr UINT kTouchAndPointer = 0x0800 | 0x1000;

void Drain() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}

constexpr int kRounds = 10;

struct Candidate {
  const char* name;
  std::function<bool()> look;  // whether anything is pending
  double best = std::numeric_limits<double>::infinity();
  bool sawSomething = false;  // the queue is empty throughout: a yes is a fault
};

// Nanoseconds per call over one round.
double Round(Candidate& candidate, long calls) {
  Drain();
  auto start = Clock::now();
  for (long i = 0; i < calls; ++i) candidate.sawSomething |= candidate.look();
  double ns = std::chrono::duration<double, std::nano>(Clock::now() - start).count();
  return ns / static_cast<double>(calls);
}

}  // namespace

int main(int argc, char** argv) {
  long calls = argc > 1 ? std::atol(argv[1]) : 2000;
  if (calls <= 0) return 2;
  HWND window = CreateWindowExW(0, L"STATIC", L"Retrieving data", WS_OVERLAPPED | WS_CAPTION, 0, 0,
                                220, 80, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  if (!window) return 1;
  ShowWindow(window, SW_SHOW);
  UpdateWindow(window);
  Drain();

  SetLastError(ERROR_SUCCESS);
  GetQueueStatus(QS_ALLINPUT | kTouchAndPointer);
  bool touchBits = GetLastError() == ERROR_SUCCESS;
  UINT mask = touchBits ? QS_ALLINPUT | kTouchAndPointer : QS_ALLINPUT;

  MSG msg;
  vyn::Win32MessagePump pump;
  std::vector<Candidate> candidates;
  candidates.push_back({"getqueuestatus", [&] { return HIWORD(GetQueueStatus(mask)) != 0; }});
  candidates.push_back(
      {"peekmessage", [&] { return PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE) != FALSE; }});
  candidates.push_back({"peekmessage-noyield", [&] {
                          return PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_NOYIELD) !=
                                 FALSE;
                        }});
  candidates.push_back({"msgwait", [&] {
                          return MsgWaitForMultipleObjectsEx(0, nullptr, 0, mask,
                                                             MWMO_INPUTAVAILABLE) != WAIT_TIMEOUT;
                        }});
  candidates.push_back({"getinputstate", [] { return GetInputState() != FALSE; }});
  candidates.push_back({"doevents", [&] {
                          pump.DoEvents();
                          return false;
                        }});
  for (int round = 0; round < kRounds; ++round) {
    for (Candidate& candidate : candidates) {
      candidate.best = std::min(candidate.best, Round(candidate, calls));
    }
  }
  DestroyWindow(window);

  bool faults = false;
  for (const Candidate& candidate : candidates) {
    std::printf("%s=%.0f ", candidate.name, candidate.best);
    if (candidate.sawSomething) {
      std::fprintf(stderr, "%s saw a message in an empty queue\n", candidate.name);
      faults = true;
    }
  }
  std::printf("touchbits=%d\n", touchBits ? 1 : 0);
  return faults ? 1 : 0;
}
