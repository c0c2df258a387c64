#include "platform/win32/Win32ResponsiveWait.h"

#include <windows.h>

#include <exception>

#include "platform/win32/Win32Handle.h"

namespace vyn {
namespace {

// Windows counts a thread as hung once it has neither looked at its queue nor
// waited for input for 5 s. The wait below leaves input out of its wake mask,
// so it looks at the queue this often whatever arrives.
constexpr DWORD kLookAtQueueMs = 250;
constexpr DWORD kTickMs = 100;  // a progress window's bar and Cancel

// A call waited for this long without a look at the queue; most take microseconds.
constexpr DWORD kPlainWaitMs = 20;

// A window that does not validate what it paints is offered WM_PAINT again at
// once; a pass paints at most this often, so such a window cannot hold it.
constexpr int kPaintsPerPass = 16;

thread_local bool insideWait = false;

// Sent messages and painting only: any PeekMessage delivers the messages other
// threads and processes sent, and the paint filter takes nothing else out.
void AnswerWindowSystem() {
  MSG msg;
  PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  for (int i = 0; i < kPaintsPerPass &&
                  PeekMessageW(&msg, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE | PM_QS_PAINT);
       ++i) {
    DispatchMessageW(&msg);
  }
}

}  // namespace

// The hand-over is a condition variable: under Wine it costs no call to the
// server, where an event costs several, and a fast download hands over every
// second chunk (Wine refills its 8 KiB buffer once per two 4 KiB reads). The
// event is set only once the caller waits on its queue as well.
struct Win32ResponsiveWait::Worker {
  SRWLOCK lock = SRWLOCK_INIT;
  CONDITION_VARIABLE changed = CONDITION_VARIABLE_INIT;
  Win32Handle done{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
  Win32Handle thread;
  // Under the lock:
  const std::function<void()>* work = nullptr;
  bool finished = false;
  bool eventWanted = false;
  bool quit = false;
  std::exception_ptr failure;
  // The caller's only:
  bool busy = false;

  static DWORD WINAPI Loop(void* parameter) {
    auto* worker = static_cast<Worker*>(parameter);
    AcquireSRWLockExclusive(&worker->lock);
    for (;;) {
      while (worker->work == nullptr && !worker->quit) {
        SleepConditionVariableSRW(&worker->changed, &worker->lock, INFINITE, 0);
      }
      if (worker->quit) break;
      const std::function<void()>* work = worker->work;
      worker->work = nullptr;
      ReleaseSRWLockExclusive(&worker->lock);
      std::exception_ptr failure;
      try {
        (*work)();
      } catch (...) {
        failure = std::current_exception();
      }
      AcquireSRWLockExclusive(&worker->lock);
      worker->failure = failure;
      worker->finished = true;
      if (worker->eventWanted) SetEvent(worker->done.Get());
      WakeAllConditionVariable(&worker->changed);
    }
    ReleaseSRWLockExclusive(&worker->lock);
    return 0;
  }

  bool Started() {
    if (!thread && done) thread.Reset(CreateThread(nullptr, 0, Loop, this, 0, nullptr));
    return static_cast<bool>(thread);
  }

  // Hands work over and waits for it a moment without looking at the queue:
  // most calls (a chunk already there) end within microseconds. False when it
  // still runs; the done event is then set when it ends.
  bool HandOver(const std::function<void()>& call) {
    AcquireSRWLockExclusive(&lock);
    work = &call;
    finished = false;
    eventWanted = false;
    failure = nullptr;
    ResetEvent(done.Get());
    WakeAllConditionVariable(&changed);
    ULONGLONG until = GetTickCount64() + kPlainWaitMs;
    for (ULONGLONG now = GetTickCount64(); !finished && now < until; now = GetTickCount64()) {
      SleepConditionVariableSRW(&changed, &lock, static_cast<DWORD>(until - now), 0);
    }
    eventWanted = !finished;
    bool ended = finished;
    ReleaseSRWLockExclusive(&lock);
    return ended;
  }

  std::exception_ptr Failure() {
    AcquireSRWLockExclusive(&lock);
    std::exception_ptr taken = failure;
    failure = nullptr;
    eventWanted = false;
    ReleaseSRWLockExclusive(&lock);
    return taken;
  }
};

bool InsideResponsiveWait() {
  return insideWait;
}

Win32ResponsiveWait::Win32ResponsiveWait() : worker_(std::make_unique<Worker>()) {}

Win32ResponsiveWait::~Win32ResponsiveWait() {
  if (!worker_->thread) return;
  AcquireSRWLockExclusive(&worker_->lock);
  worker_->quit = true;
  WakeAllConditionVariable(&worker_->changed);
  ReleaseSRWLockExclusive(&worker_->lock);
  WaitForSingleObject(worker_->thread.Get(), INFINITE);
}

void Win32ResponsiveWait::Run(const std::function<void()>& work) {
  RunWithTicks(work, nullptr);
}

void Win32ResponsiveWait::RunWithTicks(const std::function<void()>& work,
                                       const std::function<void()>& tick) {
  Worker& worker = *worker_;
  // No thread to spare, or a call from a message answered during a wait: the
  // call blocks this thread, as a plain call would.
  if (worker.busy || !worker.Started()) {
    work();
    return;
  }
  worker.busy = true;
  if (!worker.HandOver(work)) {
    insideWait = true;
    HANDLE done = worker.done.Get();
    const DWORD lookAt = tick ? kTickMs : kLookAtQueueMs;
    for (;;) {
      DWORD woken = MsgWaitForMultipleObjectsEx(1, &done, lookAt, QS_SENDMESSAGE | QS_PAINT, 0);
      if (woken == WAIT_OBJECT_0) break;
      if (woken == WAIT_FAILED) {
        WaitForSingleObject(done, INFINITE);  // the call is waited for in any case
        break;
      }
      AnswerWindowSystem();
      if (tick) {
        // Every message of the tick is its own to process, not one to keep for later.
        insideWait = false;
        tick();
        insideWait = true;
      }
    }
    insideWait = false;
  }
  worker.busy = false;
  if (std::exception_ptr failure = worker.Failure()) std::rethrow_exception(failure);
}

}  // namespace vyn
