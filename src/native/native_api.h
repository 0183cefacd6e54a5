#pragma once
// The native interface as this run found it: the version record read once at
// start-up, which decides how the handle table is read and its object types
// named, the type names the kernel gave, and what the guarded name queries
// have learnt about handles whose queries never return. The entry points
// themselves are bound by the Os at start-up; IsBound tells whether each one
// is there.
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <utility>

#include "os/os.h"

namespace kvt {

struct TNativeApi {
  TNativeApi(Os& os, const TOsVersionInfo& version)
      : Sys(os), Version(version), PointerSize(os.PointerSize()) {}

  Os& Sys;
  const TOsVersionInfo Version;
  // The program's pointer width, which lays out the native replies.
  const uint32_t PointerSize;
  // Owner process id and handle value of every guarded query whose worker
  // was abandoned, and of the copy that worker holds in this process: none of
  // them is queried again.
  std::set<std::pair<uint32_t, OsHandle>> StalledHandles;
  size_t AbandonedWorkers = 0;
  // The kernel's names of object types by number, learnt from a handle of
  // each type (versions whose type numbers no fixed table knows).
  std::map<uint16_t, std::string> KernelTypeNames;
  // Processes that refused this program the right to duplicate their
  // handles: the names of their objects cannot be asked for.
  std::set<uint32_t> DuplicationDenied;
};

}  // namespace kvt
