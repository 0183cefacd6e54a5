// The guarded worker's threads.
#include "os/win32/win32_os.h"

#include "os/win32/win32_support.h"

namespace kvt {
using namespace win32;

namespace {

// How long closing an idle worker waits for its thread to end.
constexpr DWORD kWorkerEndLimitMs = 1000;

// Where the system has slim locks and condition variables (Vista and later),
// a hand-over waits on them: under Wine an event costs a round trip to its
// server for every set and every wait, a condition variable none. Older
// systems keep the events.
using SrwLockFn = void(WINAPI*)(PSRWLOCK);
using SleepConditionFn = BOOL(WINAPI*)(PCONDITION_VARIABLE, PSRWLOCK, DWORD, ULONG);
using WakeConditionFn = void(WINAPI*)(PCONDITION_VARIABLE);
struct TLockEntries {
  SrwLockFn Acquire = nullptr;
  SrwLockFn Release = nullptr;
  SleepConditionFn Sleep = nullptr;
  WakeConditionFn WakeAll = nullptr;
  bool Bound() const { return Acquire && Release && Sleep && WakeAll; }
};

const TLockEntries& LockEntries() {
  static const TLockEntries entries = [] {
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    TLockEntries found;
    found.Acquire = As<SrwLockFn>(Lookup(kernel, "AcquireSRWLockExclusive"));
    found.Release = As<SrwLockFn>(Lookup(kernel, "ReleaseSRWLockExclusive"));
    found.Sleep = As<SleepConditionFn>(Lookup(kernel, "SleepConditionVariableSRW"));
    found.WakeAll = As<WakeConditionFn>(Lookup(kernel, "WakeAllConditionVariable"));
    return found.Bound() ? found : TLockEntries();
  }();
  return entries;
}

// One direction of the hand-over, reset by the wait that sees it set: an
// auto-reset event, or a flag under the worker's lock.
struct TSignal {
  HANDLE Event = nullptr;
  bool Set = false;
};

// A guarded worker's state, shared by the caller and the thread. The
// thread's loop touches nothing else: no heap, no lock but its own, held
// only between jobs, and its two signals.
struct TWin32Worker {
  HANDLE Thread = nullptr;
  SRWLOCK Lock = SRWLOCK_INIT;
  CONDITION_VARIABLE Changed = CONDITION_VARIABLE_INIT;
  TSignal Go;    // a job, or the end, is waiting
  TSignal Done;  // the job has ended
  TWorkerJob* volatile Job = nullptr;  // null with Go set: end the thread
};

void Raise(TWin32Worker& worker, TSignal& signal) {
  const TLockEntries& locks = LockEntries();
  if (!locks.Bound()) {
    ::SetEvent(signal.Event);
    return;
  }
  locks.Acquire(&worker.Lock);
  signal.Set = true;
  locks.Release(&worker.Lock);
  locks.WakeAll(&worker.Changed);
}

// True when Signal was raised within TimeoutMs (INFINITE: however long).
bool Await(TWin32Worker& worker, TSignal& signal, DWORD timeoutMs) {
  const TLockEntries& locks = LockEntries();
  if (!locks.Bound()) return ::WaitForSingleObject(signal.Event, timeoutMs) == WAIT_OBJECT_0;
  const DWORD start = ::GetTickCount();
  locks.Acquire(&worker.Lock);
  while (!signal.Set) {
    DWORD wait = INFINITE;
    if (timeoutMs != INFINITE) {
      const DWORD spent = ::GetTickCount() - start;
      if (spent >= timeoutMs) break;
      wait = timeoutMs - spent;
    }
    locks.Sleep(&worker.Changed, &worker.Lock, wait, 0);
  }
  const bool raised = signal.Set;
  signal.Set = false;
  locks.Release(&worker.Lock);
  return raised;
}

DWORD WINAPI WorkerLoop(LPVOID state) {
  auto* worker = static_cast<TWin32Worker*>(state);
  for (;;) {
    if (!Await(*worker, worker->Go, INFINITE)) return 1;
    TWorkerJob* job = worker->Job;
    if (job == nullptr) return 0;
    job->Run();
    Raise(*worker, worker->Done);
  }
}

void FreeWorker(TWin32Worker* worker) {
  if (worker->Thread != nullptr) ::CloseHandle(worker->Thread);
  if (worker->Go.Event != nullptr) ::CloseHandle(worker->Go.Event);
  if (worker->Done.Event != nullptr) ::CloseHandle(worker->Done.Event);
  delete worker;
}

}  // namespace

OsWorker Win32Os::CreateWorkerThread() {
  auto* worker = new TWin32Worker;
  bool ready = LockEntries().Bound();
  if (!ready) {
    worker->Go.Event = ::CreateEventA(nullptr, FALSE, FALSE, nullptr);
    worker->Done.Event = ::CreateEventA(nullptr, FALSE, FALSE, nullptr);
    ready = worker->Go.Event != nullptr && worker->Done.Event != nullptr;
  }
  if (ready)
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
  Raise(*worker, worker->Go);
  // The thread's whole wait is the time limit, also when it had to be scheduled first.
  if (Await(*worker, worker->Done, timeoutMs)) return TWorkerResult::Finished;
  // The thread may still write into the job and use its signals at any time,
  // up to the end of the process, so neither it nor its state is ever freed.
  static_cast<void>(job.release());
  return TWorkerResult::Abandoned;
}

void Win32Os::CloseWorkerThread(OsWorker handle) {
  auto* worker = reinterpret_cast<TWin32Worker*>(static_cast<uintptr_t>(handle));
  if (worker == nullptr) return;
  worker->Job = nullptr;
  Raise(*worker, worker->Go);
  // An idle thread ends at once; one that does not is left with its state.
  if (::WaitForSingleObject(worker->Thread, kWorkerEndLimitMs) == WAIT_OBJECT_0) FreeWorker(worker);
}

}  // namespace kvt
