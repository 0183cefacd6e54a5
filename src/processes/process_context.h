#pragma once
// Process-wide facts read once at start-up that the process inventory uses.
#include "files/location_table.h"
#include "inventory/inventory_context.h"
#include "native/native_api.h"
#include "processes/debug_privilege.h"
#include "os/os.h"

namespace kvt {

struct TProcessContext : TInventoryContext {
  // Reads the WOW64 state and builds the location table through Os.
  explicit TProcessContext(Os& os);

  TNativeApi Native;
  bool Wow64 = false;
  // Well-known directories for turning reported paths into drive paths.
  TLocationTable Locations;
  // Off until the run enables it for reading.
  TDebugPrivilege DebugPrivilege;
};

}  // namespace kvt
