// The guarded worker of the real system: one thread runs job after job; a job
// that never ends is abandoned at the limit with its worker and keeps running;
// a new worker then runs later jobs to their end.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>

#include "os/win32/win32_os.h"

namespace kvt_e2e {
namespace {

class TWaitingJob : public kvt::TWorkerJob {
 public:
  explicit TWaitingJob(HANDLE release) : release_(release) {}
  void Run() override {
    WaitForSingleObject(release_, INFINITE);
    ++Runs;
    Thread = GetCurrentThreadId();
  }
  volatile int Runs = 0;
  volatile DWORD Thread = 0;

 private:
  HANDLE release_;
};

TEST(Worker, OneThreadRunsJobAfterJobAndAnOverrunningOneIsAbandoned) {
  kvt::Win32Os os;
  HANDLE open = CreateEventA(nullptr, TRUE, TRUE, nullptr);
  auto quick = std::make_unique<TWaitingJob>(open);
  TWaitingJob& result = *quick;
  std::unique_ptr<kvt::TWorkerJob> job = std::move(quick);
  const kvt::OsWorker worker = os.CreateWorkerThread();
  ASSERT_NE(worker, 0u);
  EXPECT_EQ(os.RunOnWorkerThread(worker, job, 5000), kvt::TWorkerResult::Finished);
  const DWORD firstThread = result.Thread;
  EXPECT_EQ(os.RunOnWorkerThread(worker, job, 5000), kvt::TWorkerResult::Finished);
  ASSERT_NE(job, nullptr);
  EXPECT_EQ(result.Runs, 2);
  EXPECT_EQ(result.Thread, firstThread);
  EXPECT_NE(firstThread, GetCurrentThreadId());

  HANDLE never = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  std::unique_ptr<kvt::TWorkerJob> stuck = std::make_unique<TWaitingJob>(never);
  const DWORD start = GetTickCount();
  EXPECT_EQ(os.RunOnWorkerThread(worker, stuck, 100), kvt::TWorkerResult::Abandoned);
  const DWORD elapsed = GetTickCount() - start;
  EXPECT_GE(elapsed, 90u);
  EXPECT_LT(elapsed, 2000u);
  EXPECT_EQ(stuck, nullptr);  // the system keeps it for the thread

  const kvt::OsWorker next = os.CreateWorkerThread();
  EXPECT_EQ(os.RunOnWorkerThread(next, job, 5000), kvt::TWorkerResult::Finished);
  EXPECT_EQ(result.Runs, 3);
  EXPECT_NE(result.Thread, firstThread);
  os.CloseWorkerThread(next);
  // Let the abandoned thread end before its event goes.
  SetEvent(never);
  Sleep(50);
  CloseHandle(open);
}

}  // namespace
}  // namespace kvt_e2e
