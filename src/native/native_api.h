#pragma once
// The native interface as this run found it: the version record read once at
// start-up, which names object types, and what the guarded name queries have
// learnt about handles whose queries never return. The entry points themselves
// are bound by the Os at start-up; IsBound tells whether each one is there.
#include <cstdint>
#include <set>
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
  // was abandoned.
  std::set<std::pair<uint32_t, OsHandle>> StalledHandles;
};

}  // namespace kvt
