// The guarded worker of the scripted system: real threads, so that a job that
// stalls is abandoned as on the platform.
#include "os/fake/fake_os.h"

#include <chrono>

namespace kvt {

void FakeOs::WorkerLoop(TWorker& worker) {
  std::unique_lock<std::mutex> lock(workerMutex_);
  for (;;) {
    workerChanged_.wait(lock, [&worker] { return worker.Job != nullptr || worker.Quit; });
    if (worker.Job == nullptr) return;
    TWorkerJob* job = worker.Job;
    lock.unlock();
    job->Run();
    lock.lock();
    worker.Job = nullptr;
    worker.Done = true;
    workerChanged_.notify_all();
  }
}

OsWorker FakeOs::CreateWorkerThread() {
  Record("CreateWorkerThread");
  if (WorkersFail) return 0;
  auto worker = std::make_unique<TWorker>();
  TWorker& started = *worker;
  started.Thread = std::thread([this, &started] { WorkerLoop(started); });
  const OsWorker id = nextWorker_++;
  workers_[id] = std::move(worker);
  return id;
}

TWorkerResult FakeOs::RunOnWorkerThread(OsWorker id, std::unique_ptr<TWorkerJob>& job,
                                        uint32_t timeoutMs) {
  Record("RunOnWorkerThread");
  const auto found = workers_.find(id);
  if (found == workers_.end()) return TWorkerResult::NotStarted;
  TWorker* running = found->second.get();
  std::unique_lock<std::mutex> lock(workerMutex_);
  const size_t stalledBefore = stalledWorkers_;
  running->Done = false;
  running->Job = job.get();
  workerChanged_.notify_all();
  if (workerChanged_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                              [running] { return running->Done; }))
    return TWorkerResult::Finished;
  // Past the limit the worker counts as abandoned; the fake still waits until
  // it is done with the fake's own state.
  workerChanged_.wait(lock, [&] { return running->Done || stalledWorkers_ > stalledBefore; });
  lock.unlock();
  running->Kept = std::move(job);
  abandoned_.push_back(std::move(found->second));
  workers_.erase(found);
  return TWorkerResult::Abandoned;
}

void FakeOs::CloseWorkerThread(OsWorker id) {
  Record("CloseWorkerThread");
  const auto found = workers_.find(id);
  if (found == workers_.end()) return;
  {
    const std::lock_guard<std::mutex> lock(workerMutex_);
    found->second->Quit = true;
  }
  workerChanged_.notify_all();
  found->second->Thread.join();
  workers_.erase(found);
}

}  // namespace kvt
