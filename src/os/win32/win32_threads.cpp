// The guarded worker's threads.
#include "os/win32/win32_os.h"

#include "os/win32/win32_support.h"

namespace kvt {
using namespace win32;

namespace {

// How long closing an idle worker waits for its thread to end.
constexpr DWORD kWorkerEndLimitMs = 1000;

// A guarded worker's state, shared by the caller and the thread. The
// thread's loop touches nothing else: no heap, no lock, only its two events.
struct TWin32Worker {
  HANDLE Thread = nullptr;
  HANDLE Go = nullptr;    // auto-reset: a job, or the end, is waiting
  HANDLE Done = nullptr;  // auto-reset: the job has ended
  TWorkerJob* volatile Job = nullptr;  // null with Go set: end the thread
};

DWORD WINAPI WorkerLoop(LPVOID state) {
  auto* worker = static_cast<TWin32Worker*>(state);
  for (;;) {
    if (WaitForSingleObject(worker->Go, INFINITE) != WAIT_OBJECT_0) return 1;
    TWorkerJob* job = worker->Job;
    if (job == nullptr) return 0;
    job->Run();
    SetEvent(worker->Done);
  }
}

void FreeWorker(TWin32Worker* worker) {
  if (worker->Thread != nullptr) ::CloseHandle(worker->Thread);
  if (worker->Go != nullptr) ::CloseHandle(worker->Go);
  if (worker->Done != nullptr) ::CloseHandle(worker->Done);
  delete worker;
}

}  // namespace

OsWorker Win32Os::CreateWorkerThread() {
  auto* worker = new TWin32Worker;
  worker->Go = ::CreateEventA(nullptr, FALSE, FALSE, nullptr);
  worker->Done = ::CreateEventA(nullptr, FALSE, FALSE, nullptr);
  if (worker->Go != nullptr && worker->Done != nullptr)
    worker->Thread = ::CreateThread(nullptr, 0, WorkerLoop, worker, 0, nullptr);
  if (worker->Thread == nullptr) {
    FreeWorker(worker);
    return 0;
  }
  return reinterpret_cast<uintptr_t>(worker);
}

TWorkerResult Win32Os::RunOnWorkerThread(OsWorker handle, std::unique_ptr<TWorkerJob>& job,
                                         uint32_t timeoutMs) {
  auto* worker = reinterpret_cast<TWin32Worker*>(static_cast<uintptr_t>(handle));
  if (worker == nullptr) return TWorkerResult::NotStarted;
  worker->Job = job.get();
  ::SetEvent(worker->Go);
  // The thread's whole wait is the time limit, also when it had to be scheduled first.
  const DWORD wait = ::WaitForSingleObject(worker->Done, timeoutMs);
  if (wait == WAIT_OBJECT_0) return TWorkerResult::Finished;
  // The thread may still write into the job and use its events at any time,
  // up to the end of the process, so neither is ever freed.
  static_cast<void>(job.release());
  return TWorkerResult::Abandoned;
}

void Win32Os::CloseWorkerThread(OsWorker handle) {
  auto* worker = reinterpret_cast<TWin32Worker*>(static_cast<uintptr_t>(handle));
  if (worker == nullptr) return;
  worker->Job = nullptr;
  ::SetEvent(worker->Go);
  // An idle thread ends at once; one that does not is left with its state.
  if (::WaitForSingleObject(worker->Thread, kWorkerEndLimitMs) == WAIT_OBJECT_0) FreeWorker(worker);
}

}  // namespace kvt
