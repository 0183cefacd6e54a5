#pragma once
#include <cstdint>

namespace kvt {

class TqxProcessItem;
class TqxProcessList;

enum TKillResult : uint8_t {
  krTerminated,  // the platform accepted the request
  krFailed,      // it did not: no such process, no right, a protected process
  krIdReused,    // the process that has the id now is not the one listed
};

// Notes when each listed process started, from one read of the system's
// process information, so that a termination can tell the listed process
// from one that got its id after it ended. Unknown times stay 0.
void RecordStartTimes(TqxProcessList& list);

// Asks the platform to end the item's process with ExitCode, once it is
// sure that the process is the one listed (where its start time is known).
// Does not wait and changes nothing in the list.
TKillResult KillProcess(TqxProcessItem& item, uint32_t exitCode);

}  // namespace kvt
