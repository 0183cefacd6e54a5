// The delta of two samples: CPU shares, I/O rates, starts and ends.
#include "sampling/sample_delta.h"

#include <gtest/gtest.h>

namespace kvt {
namespace {

TProcessInformationEntry Process(uint32_t id, uint64_t created, uint64_t cpu, uint64_t read = 0) {
  TProcessInformationEntry entry;
  entry.ProcessId = id;
  entry.CreateTime = created;
  entry.CpuTime = cpu;
  entry.ReadBytes = read;
  return entry;
}

constexpr uint64_t kSecond = 10000000;

// One second apart on two processors: 2 s of CPU time is the whole machine.
TEST(SampleDelta, SharesRatesStartsAndEnds) {
  TProcessSample before{5 * kSecond, 0,
                        {Process(0, 0, 100), Process(4, 1, 50 * kSecond, 1000),
                         Process(700, 2, kSecond), Process(800, 3, kSecond), Process(900, 4, 0)}};
  TProcessSample after{6 * kSecond, 0,
                       {Process(0, 0, 100 + kSecond), Process(4, 1, 50 * kSecond + kSecond / 2, 5000),
                        // 800's id taken by a process started in between.
                        Process(700, 2, kSecond / 2), Process(800, 9, kSecond / 5),
                        Process(901, 10, kSecond / 10)}};
  const TSampleDelta delta = SampleDelta(before, after, 2);
  EXPECT_EQ(delta.Elapsed, kSecond);
  ASSERT_EQ(delta.Rates.size(), 4u);  // not the idle process
  const struct {
    uint32_t Id;
    double Cpu;
    bool Started;
  } expected[] = {{4, 25.0, false}, {700, 0.0, false}, {800, 10.0, true}, {901, 5.0, true}};
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(delta.Rates[i].Process->ProcessId, expected[i].Id);
    EXPECT_DOUBLE_EQ(delta.Rates[i].CpuPercent, expected[i].Cpu) << expected[i].Id;
    EXPECT_EQ(delta.Rates[i].Started, expected[i].Started) << expected[i].Id;
  }
  EXPECT_EQ(delta.Rates[0].ReadPerSecond, 4000u);
  EXPECT_DOUBLE_EQ(delta.BusyPercent, 40.0);
  ASSERT_EQ(delta.Started.size(), 2u);
  ASSERT_EQ(delta.Ended.size(), 2u);  // the first 800, and 900
  EXPECT_EQ(delta.Ended[0]->CreateTime, 3u);
  EXPECT_EQ(delta.Ended[1]->ProcessId, 900u);
}

TEST(SampleDelta, SortedByCpuThenId) {
  TProcessSample before{0, 0, {Process(9, 1, 0), Process(3, 1, 0), Process(5, 1, 0)}};
  TProcessSample after{kSecond, 0, {Process(9, 1, 10), Process(3, 1, 10), Process(5, 1, 20)}};
  TSampleDelta delta = SampleDelta(before, after, 1);
  SortByCpu(delta.Rates);
  std::vector<uint32_t> order;
  for (const TProcessRate& rate : delta.Rates) order.push_back(rate.Process->ProcessId);
  EXPECT_EQ(order, (std::vector<uint32_t>{5, 3, 9}));
  // No time between the samples: no share, no division by zero.
  EXPECT_EQ(SampleDelta(after, after, 1).BusyPercent, 0.0);
}

}  // namespace
}  // namespace kvt
