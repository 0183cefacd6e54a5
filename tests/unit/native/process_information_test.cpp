#include "native/process_information.h"

#include <gtest/gtest.h>

#include <vector>

#include "fake_processes.h"
#include "os/fake/fake_bytes.h"

namespace kvt {
namespace {

using TBytes = std::vector<uint8_t>;

// Thirty processes with distinct facts: more than the first read's 4096 bytes hold.
void ScriptProcesses(FakeOs& os) {
  for (uint32_t i = 0; i < 30; ++i) {
    TFakeProcess& process = AddFakeProcess(os, 1000 + 4 * i, 4, "C:\\p.exe");
    process.SessionId = i % 3;
    process.Threads = 1 + i % 5;
    process.HandleCount = 40 + i;
    process.CreateTime = 0x01DA0000'00000000u + i;
    process.UserTime = 1000 * i;
    process.KernelTime = 7;
    process.WorkingSet = (uint64_t{i} << 33) + 0x1000;  // past 4 GiB for the 64-bit program
    process.PrivateBytes = 0x2000 + i;
  }
}

// The reply FakeOs gives a program of PointerSize, as the kernel would.
TBytes FakeReply(FakeOs& os, uint32_t pointerSize) {
  os.ProgramPointerSize = pointerSize;
  uint32_t needed = 0;
  os.NtQuerySystemInformation(kSystemProcessInformation, nullptr, 0, &needed);
  TBytes reply(needed);
  EXPECT_EQ(os.NtQuerySystemInformation(kSystemProcessInformation, reply.data(), needed, &needed),
            kStatusSuccess);
  return reply;
}

TEST(ProcessInformationTest, ReadsEveryProcessAtBothWidths) {
  for (const uint32_t pointerSize : {4u, 8u}) {
    SCOPED_TRACE(pointerSize);
    FakeOs os;
    ScriptProcesses(os);
    os.Processes[3].Alive = false;
    os.ProgramPointerSize = pointerSize;
    std::vector<TProcessInformationEntry> read;
    ASSERT_TRUE(ReadProcessInformation(os, os.Version, read));
    ASSERT_EQ(read.size(), 29u);
    for (size_t i = 0; i < read.size(); ++i) {
      const TFakeProcess& process = os.Processes[i < 3 ? i : i + 1];
      const TProcessInformationEntry& entry = read[i];
      EXPECT_EQ(entry.ProcessId, process.Id);
      EXPECT_EQ(entry.ParentProcessId, 4u);
      EXPECT_EQ(entry.SessionId, process.SessionId);
      EXPECT_EQ(entry.Threads, process.Threads);
      EXPECT_EQ(entry.Handles, process.HandleCount);
      EXPECT_EQ(entry.CreateTime, process.CreateTime);
      EXPECT_EQ(entry.CpuTime, process.UserTime + process.KernelTime);
      // The 32-bit program's counters are 32 bits wide.
      EXPECT_EQ(entry.WorkingSet, pointerSize == 8 ? process.WorkingSet : 0x1000u);
      EXPECT_EQ(entry.PrivateBytes, process.PrivateBytes);
    }
  }
}

TEST(ProcessInformationTest, NothingOnNt4OrWithoutTheEntryPoint) {
  for (const bool nt4 : {true, false}) {
    FakeOs os;
    ScriptProcesses(os);
    if (nt4)
      os.Version.dwMajorVersion = 4;
    else
      os.NtQuerySystemInformationBound = false;
    std::vector<TProcessInformationEntry> read;
    EXPECT_FALSE(ReadProcessInformation(os, os.Version, read)) << nt4;
    EXPECT_TRUE(read.empty());
    EXPECT_EQ(os.CallCount("NtQuerySystemInformation"), 0u);
  }
}

// Replies the kernel never gives, built from a good one of three entries:
// each must give the entries that lie wholly inside the buffer before the
// fault, each once.
TEST(ProcessInformationTest, BadRepliesGiveTheEntriesBeforeTheFault) {
  struct TCase {
    const char* What;
    size_t Keep;          // bytes of the reply kept (SIZE_MAX: all)
    int Entry;            // whose NextEntryOffset is replaced (-1: none)
    uint32_t Next;        // by this, or by the wrap back to the start when 0xFFFFFFFF
    size_t Expected;
  };
  for (const uint32_t pointerSize : {4u, 8u}) {
    const size_t entrySize = pointerSize == 8 ? 0x100 : 0xB8;
    const size_t threadSize = pointerSize == 8 ? 0x50 : 0x40;
    const size_t second = entrySize + threadSize;  // where the second entry starts
    const TCase cases[] = {
        {"whole", SIZE_MAX, -1, 0, 3},
        {"empty", 0, -1, 0, 0},
        {"shorter than one entry", entrySize - 1, -1, 0, 0},
        {"cut inside the second entry", second + entrySize - 1, -1, 0, 1},
        {"cut after the second entry's fixed part", second + entrySize, -1, 0, 2},
        {"a next offset past the end", SIZE_MAX, 1, 0x7FFFFFF0u, 2},
        {"a next offset inside the entry", SIZE_MAX, 0, 8, 1},
        {"a next offset that wraps to the start", SIZE_MAX, 1, 0xFFFFFFFFu, 2},
        {"a chain that ends early", SIZE_MAX, 0, 0, 1},
    };
    for (const TCase& c : cases) {
      SCOPED_TRACE(testing::Message() << pointerSize << ": " << c.What);
      FakeOs os;
      for (uint32_t id : {8u, 12u, 16u}) AddFakeProcess(os, id, 4, "C:\\p.exe");
      TBytes reply = FakeReply(os, pointerSize);
      ASSERT_EQ(reply.size(), 3 * second);
      if (c.Entry >= 0) {
        const size_t at = c.Entry * second;
        // In 32-bit arithmetic this offset leads back to the first entry.
        PutU32(reply.data() + at,
               c.Next == 0xFFFFFFFFu ? static_cast<uint32_t>(0x100000000u - at) : c.Next);
      }
      if (c.Keep != SIZE_MAX) reply.resize(c.Keep);
      // A copy of exactly the kept bytes, so that a sanitizer sees a read past them.
      const TBytes exact(reply);
      const auto entries = ProcessInformationFromReply(exact.data(), exact.size(), pointerSize);
      ASSERT_EQ(entries.size(), c.Expected);
      for (size_t i = 0; i < entries.size(); ++i) EXPECT_EQ(entries[i].ProcessId, 8 + 4 * i);
    }
  }
}

}  // namespace
}  // namespace kvt
