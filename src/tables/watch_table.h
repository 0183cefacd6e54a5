#pragma once
// The table of /watch: a process that started or ended.
#include <cstdint>
#include <string>

#include "tables/table.h"

namespace kvt {

struct TWatchEvent {
  uint64_t Time = 0;       // FILETIME (UTC) of the read that saw it
  uint64_t LocalTime = 0;  // the same in this machine's local time
  bool Started = true;
  uint32_t ProcessId = 0;
  std::string Filename;
  // A start's: its parent and how and by whom it runs.
  uint32_t ParentProcessId = 0;
  std::string ParentFilename, User, CommandLine;
  // An end's, where a handle of the process was held.
  bool Known = false;
  uint32_t ExitCode = 0;
  uint64_t RunTime = 0;  // 100 ns units
};

const TTable<TWatchEvent>& WatchTable();

}  // namespace kvt
