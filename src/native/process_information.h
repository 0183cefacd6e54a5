#pragma once
// The facts the system keeps for every process, from one read of the
// process information (NtQuerySystemInformation, class 5): one reply holds
// all processes, linked by the offset of each next entry.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "os/os.h"

namespace kvt {

struct TProcessInformationEntry {
  uint32_t ProcessId = 0, ParentProcessId = 0, SessionId = 0, Threads = 0, Handles = 0;
  uint64_t CreateTime = 0;  // FILETIME units (100 ns since 1601), UTC; 0 unknown
  uint64_t CpuTime = 0;     // user + kernel, 100 ns units
  uint64_t WorkingSet = 0, PrivateBytes = 0;  // bytes
  uint64_t ReadBytes = 0, WriteBytes = 0;     // transferred since the process started
};

// The entries of a reply laid out for a program of PointerSize bytes (4 or
// 8), in the reply's order. The chain is followed only forwards, by at least
// one entry's fixed part each step, and only while the entry lies wholly
// inside the buffer: a short, cyclic or overlong reply gives fewer entries.
std::vector<TProcessInformationEntry> ProcessInformationFromReply(const uint8_t* data,
                                                                  size_t size,
                                                                  uint32_t pointerSize);

// Every process the system reports, or false when the table cannot be read
// (also on NT 4.0, whose layout differs, and where the entry is not bound).
bool ReadProcessInformation(Os& os, const TOsVersionInfo& version,
                            std::vector<TProcessInformationEntry>& processes);

}  // namespace kvt
