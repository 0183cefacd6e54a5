#pragma once
// The guarded worker: a thread for the queries that may never return.
#include <cstdint>
#include <memory>

#include "os/os_types.h"

namespace kvt {

// Work for a worker thread. Run must allocate nothing and take no lock: a
// worker that overruns its time is abandoned wherever it is, and a lock or the
// heap held at that moment would stay taken for the rest of the run.
class TWorkerJob {
 public:
  virtual ~TWorkerJob() = default;
  virtual void Run() = 0;
};
enum class TWorkerResult { Finished, Abandoned, NotStarted };
// A worker thread that runs one job after another; 0 is none.
using OsWorker = uint64_t;

struct OsThreads {
  virtual ~OsThreads() = default;

  // One thread (CreateThread) that waits for a job, runs it and signals its
  // end (SetEvent), kept for one job after another.
  // CreateWorkerThread gives 0 when no thread could be created.
  // RunOnWorkerThread hands Job to Worker and waits (WaitForSingleObject) at
  // most TimeoutMs for its end. Finished: Job ran to its end and stays with
  // the caller; the worker takes the next job. Abandoned: the thread overran
  // and is left running, never terminated; the Os takes Job and Worker over,
  // keeps both alive for as long as the thread may still touch them, and
  // Worker must not be used again. NotStarted: Worker is no worker.
  // CloseWorkerThread ends an idle worker's thread and frees it.
  virtual OsWorker CreateWorkerThread() = 0;
  virtual TWorkerResult RunOnWorkerThread(OsWorker worker, std::unique_ptr<TWorkerJob>& job,
                                          uint32_t timeoutMs) = 0;
  virtual void CloseWorkerThread(OsWorker worker) = 0;
};

}  // namespace kvt
