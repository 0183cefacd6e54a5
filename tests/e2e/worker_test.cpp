// The guarded worker of the real system: a job that never ends is abandoned
// at the limit and keeps running; a later job still runs to its end.
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
    Ended = true;
  }
  volatile bool Ended = false;

 private:
  HANDLE release_;
};

TEST(Worker, AJobThatDoesNotEndIsAbandonedAtTheLimitAndLaterJobsRun) {
  kvt::Win32Os os;
  HANDLE never = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  std::unique_ptr<kvt::TWorkerJob> stuck = std::make_unique<TWaitingJob>(never);
  const DWORD start = GetTickCount();
  EXPECT_EQ(os.RunWorker(stuck, 100), kvt::TWorkerResult::Abandoned);
  const DWORD elapsed = GetTickCount() - start;
  EXPECT_GE(elapsed, 90u);
  EXPECT_LT(elapsed, 2000u);
  EXPECT_EQ(stuck, nullptr);  // the system keeps it for the thread

  HANDLE open = CreateEventA(nullptr, TRUE, TRUE, nullptr);
  auto quick = std::make_unique<TWaitingJob>(open);
  TWaitingJob& result = *quick;
  std::unique_ptr<kvt::TWorkerJob> job = std::move(quick);
  EXPECT_EQ(os.RunWorker(job, 5000), kvt::TWorkerResult::Finished);
  ASSERT_NE(job, nullptr);
  EXPECT_TRUE(result.Ended);
  // Let the abandoned thread end before its event goes.
  SetEvent(never);
  Sleep(50);
  CloseHandle(open);
}

}  // namespace
}  // namespace kvt_e2e
