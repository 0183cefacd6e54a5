#include "processes/process_context.h"

#include "files/location_sources.h"

namespace kvt {
namespace {

bool QueryWow64(Os& os) {
  bool wow64 = false;
  return os.IsWow64Process(os.GetCurrentProcess(), &wow64) && wow64;
}

}  // namespace

TProcessContext::TProcessContext(Os& os)
    : TInventoryContext(os),
      Native(os, Version),
      Wow64(QueryWow64(os)),
      DebugPrivilege(os, IsNT6OrLater()) {}

const TLocationTable& TProcessContext::Locations() {
  if (!locations_) locations_ = BuildLocationTable(Sys);
  return *locations_;
}

}  // namespace kvt
