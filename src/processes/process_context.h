#pragma once
// Process-wide facts of the run that the process inventory uses: read once,
// the costly ones when first needed.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "files/location_table.h"
#include "files/path_normaliser.h"
#include "inventory/file_cache.h"
#include "inventory/inventory_context.h"
#include "native/native_api.h"
#include "native/process_information.h"
#include "network/endpoint_reader.h"
#include "processes/debug_privilege.h"
#include "os/os.h"

namespace kvt {

// What an executable's own file tells the process list: its size and the
// entries of its version resource (full_information.cpp).
struct TExecutableFacts {
  int64_t Size = 0;
  std::string Company;
  std::string Description;
  std::string Version;
  std::string Hint;  // every entry as "Name: value" and CR LF
};

struct TProcessContext : TInventoryContext {
  // Reads the WOW64 state through Os.
  explicit TProcessContext(Os& os);

  TNativeApi Native;
  bool Wow64 = false;
  // Well-known directories for turning reported paths into drive paths:
  // built when a name is first normalised (from the shell folders and the
  // registry), which a run that reads no file and writes no full path never is.
  const TLocationTable& Locations();
  // Off until the run enables it for reading.
  TDebugPrivilege DebugPrivilege;
  // The complete name of each reported name of a process or module.
  TCompleteNames CompleteNames;
  // What each executable's file tells, by its normalised name.
  TFileCache<TExecutableFacts> ExecutableFactsCache;
  // The system's information of every process, from one read per run when
  // first asked for; null where it cannot be read (NT 4.0, no entry point).
  const std::vector<TProcessInformationEntry>* ProcessInformation();
  // The services each process hosts, by process id, from one enumeration.
  const std::map<uint32_t, std::vector<std::string>>& ServiceProcesses();
  // The system's TCP and UDP endpoints, from one read of each table; raises
  // EEndpointTableError when they cannot be read.
  TEndpointTables& EndpointTables();

 private:
  std::optional<TLocationTable> locations_;
  std::optional<std::vector<TProcessInformationEntry>> processInformation_;
  bool processInformationRead_ = false;
  std::optional<std::map<uint32_t, std::vector<std::string>>> serviceProcesses_;
  std::optional<TEndpointTables> endpointTables_;
};

}  // namespace kvt
