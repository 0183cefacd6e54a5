#include "native/guarded_worker.h"

namespace kvt {

TGuardedWorker::~TGuardedWorker() {
  if (worker_ != 0) os_.CloseWorkerThread(worker_);
}

TWorkerResult TGuardedWorker::Run(std::unique_ptr<TWorkerJob>& job, uint32_t timeoutMs) {
  if (abandoned_ >= kMaxAbandonedWorkers) return TWorkerResult::NotStarted;
  if (worker_ == 0) worker_ = os_.CreateWorkerThread();
  if (worker_ == 0) return TWorkerResult::NotStarted;
  const TWorkerResult result = os_.RunOnWorkerThread(worker_, job, timeoutMs);
  if (result == TWorkerResult::Abandoned) {
    worker_ = 0;  // the Os keeps it with its thread
    ++abandoned_;
  }
  return result;
}

}  // namespace kvt
