#pragma once
// The native interface as this run found it: the version record read once at
// start-up, which decides how the handle table is read and its object types
// named, the type names the kernel gave, the guarded worker and what the
// guarded name queries have learnt about handles whose queries never return.
// The entry points themselves are bound by the Os at start-up; IsBound tells
// whether each one is there.
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <utility>

#include "native/guarded_worker.h"
#include "os/os.h"

namespace kvt {

struct TNativeApi {
  TNativeApi(Os& os, const TOsVersionInfo& version)
      : Sys(os), Version(version), PointerSize(os.PointerSize()), Worker(os) {}

  Os& Sys;
  const TOsVersionInfo Version;
  // The program's pointer width, which lays out the native replies.
  const uint32_t PointerSize;
  TGuardedWorker Worker;
  // Owner process id and handle value of every guarded query whose worker
  // was abandoned, and of the copy that worker holds in this process: none of
  // them is queried again.
  std::set<std::pair<uint32_t, OsHandle>> StalledHandles;
  // The kernel's names of object types by number, learnt from a handle of
  // each type or from the list of all types (versions whose type numbers no
  // fixed table knows); numbers neither could name, asked for no more.
  std::map<uint16_t, std::string> KernelTypeNames;
  std::set<uint16_t> UnnamedTypeNumbers;
  bool AllTypeNamesRead = false;
};

}  // namespace kvt
