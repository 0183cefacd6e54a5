#pragma once
// The process information reply (NtQuerySystemInformation, class 5) of
// Windows 2000 and later: one entry a process, each a fixed part followed
// by a record per thread, linked by the offset of the next entry.
#include <cstdint>

#include "os/layouts/reply_field.h"

namespace kvt {

// Process ids are handle-sized; the memory counters are pointer-sized. The
// image name is a counted string of 8 or 16 bytes, so everything after it
// moves with the width; private bytes are the page-file usage of the memory
// counters. The I/O counters end the fixed part: bytes read and written by
// the process's reads and writes of files, devices and pipes.
struct TProcessInformationLayout {
  uint16_t EntrySize;   // the fixed part
  uint16_t ThreadSize;  // each thread record after it
  TReplyField NextEntryOffset, Threads, CreateTime, UserTime, KernelTime, ProcessId,
      ParentProcessId, Handles, SessionId, WorkingSet, PrivateBytes, ReadTransfer, WriteTransfer;
};

constexpr TProcessInformationLayout kProcessInformationLayout32 = {
    0xB8,       0x40,      {0x00, 4}, {0x04, 4}, {0x20, 8}, {0x28, 8}, {0x30, 8},
    {0x44, 4},  {0x48, 4}, {0x4C, 4}, {0x50, 4}, {0x68, 4}, {0x7C, 4}, {0xA0, 8},
    {0xA8, 8}};
constexpr TProcessInformationLayout kProcessInformationLayout64 = {
    0x100,      0x50,      {0x00, 4}, {0x04, 4}, {0x20, 8}, {0x28, 8}, {0x30, 8},
    {0x50, 8},  {0x58, 8}, {0x60, 4}, {0x64, 4}, {0x90, 8}, {0xB8, 8}, {0xE8, 8},
    {0xF0, 8}};

// The layout for a program of PointerSize bytes (4 or 8).
constexpr const TProcessInformationLayout& ProcessInformationLayout(uint32_t pointerSize) {
  return pointerSize == 8 ? kProcessInformationLayout64 : kProcessInformationLayout32;
}

}  // namespace kvt
