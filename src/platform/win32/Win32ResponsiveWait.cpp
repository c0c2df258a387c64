#include "platform/win32/Win32ResponsiveWait.h"

#include <windows.h>

#include <exception>

namespace vyn {
namespace {

// Windows counts a thread as hung once it has neither looked at its queue nor
// waited for input for 5 s. The wait below leaves input out of its wake mask,
// so it looks at the queue this often whatever arrives.
constexpr DWORD kLookAtQueueMs = 250;

struct Call {
  const std::function<void()>* work;
  std::exception_ptr failure;
};

DWORD WINAPI RunCall(void* parameter) {
  auto* call = static_cast<Call*>(parameter);
  try {
    (*call->work)();
  } catch (...) {
    call->failure = std::current_exception();
  }
  return 0;
}

class ThreadHandle {
 public:
  explicit ThreadHandle(HANDLE handle) : handle_(handle) {}
  ThreadHandle(const ThreadHandle&) = delete;
  ThreadHandle& operator=(const ThreadHandle&) = delete;
  ~ThreadHandle() {
    if (handle_) CloseHandle(handle_);
  }
  HANDLE Get() const { return handle_; }

 private:
  HANDLE handle_;
};

// Sent messages and painting only: any PeekMessage delivers the messages other
// threads and processes sent, and the paint filter takes nothing else out.
void AnswerWindowSystem() {
  MSG msg;
  PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  while (PeekMessageW(&msg, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE | PM_QS_PAINT)) {
    DispatchMessageW(&msg);
  }
}

}  // namespace

void Win32ResponsiveWait::Run(const std::function<void()>& work) {
  Call call{&work, nullptr};
  ThreadHandle worker(CreateThread(nullptr, 0, RunCall, &call, 0, nullptr));
  if (worker.Get() == nullptr) {
    work();  // no thread to spare: the call blocks this thread, as a plain call would
    return;
  }
  HANDLE handle = worker.Get();
  for (;;) {
    DWORD woken =
        MsgWaitForMultipleObjectsEx(1, &handle, kLookAtQueueMs, QS_SENDMESSAGE | QS_PAINT, 0);
    if (woken == WAIT_OBJECT_0) break;
    if (woken == WAIT_FAILED) {
      WaitForSingleObject(handle, INFINITE);  // the worker is waited for in any case
      break;
    }
    AnswerWindowSystem();
  }
  if (call.failure) std::rethrow_exception(call.failure);
}

}  // namespace vyn
