#pragma once
// The one worker thread on which the queries that can block run, kept for the
// whole run: a name query costs a hand-over and a wait, not a thread. A worker
// that overruns is abandoned, not terminated (it may be inside the platform
// holding its locks); the next job gets a new one, up to a cap.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "os/os.h"

namespace kvt {

// Abandoned workers per run, at most: past that, guarded jobs are not run,
// so blocked handles cost at most this many threads and this many waits.
constexpr size_t kMaxAbandonedWorkers = 8;

class TGuardedWorker {
 public:
  explicit TGuardedWorker(Os& os) : os_(os) {}
  ~TGuardedWorker();
  TGuardedWorker(const TGuardedWorker&) = delete;
  TGuardedWorker& operator=(const TGuardedWorker&) = delete;

  // Runs Job on the worker, started on first use and again after one was
  // abandoned, and waits for it at most TimeoutMs. NotStarted also once the
  // cap of abandoned workers is reached. After Abandoned the Os keeps Job.
  TWorkerResult Run(std::unique_ptr<TWorkerJob>& job, uint32_t timeoutMs);
  size_t AbandonedCount() const { return abandoned_; }
  Os& Sys() const { return os_; }

 private:
  Os& os_;
  OsWorker worker_ = 0;
  size_t abandoned_ = 0;
};

}  // namespace kvt
