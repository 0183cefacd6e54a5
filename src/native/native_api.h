#pragma once
// The native interface as this run found it: the version record read once at
// start-up, which names object types, and what the guarded name queries have
// learnt about handles whose queries never return. The entry points themselves
// are bound by the Os at start-up; IsBound tells whether each one is there.
#include <cstdint>
#include <set>

#include "os/os.h"

namespace kvt {

struct TNativeApi {
  TNativeApi(Os& os, const TOsVersionInfo& version) : Sys(os), Version(version) {}

  Os& Sys;
  const TOsVersionInfo Version;
  // Owner process id and handle value (the table's 16-bit fields, as
  // id << 16 | handle) of every guarded query whose worker was abandoned.
  std::set<uint32_t> StalledHandles;
};

}  // namespace kvt
