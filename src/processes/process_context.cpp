#include "processes/process_context.h"

#include <utility>

#include "files/location_sources.h"
#include "native/service_processes.h"

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

const std::vector<TProcessInformationEntry>* TProcessContext::ProcessInformation() {
  if (!processInformationRead_) {
    processInformationRead_ = true;
    std::vector<TProcessInformationEntry> read;
    if (ReadProcessInformation(Sys, Version, read)) processInformation_ = std::move(read);
  }
  return processInformation_ ? &*processInformation_ : nullptr;
}

const std::map<uint32_t, std::vector<std::string>>& TProcessContext::ServiceProcesses() {
  if (!serviceProcesses_) serviceProcesses_ = ReadServiceProcesses(Sys);
  return *serviceProcesses_;
}

TEndpointTables& TProcessContext::EndpointTables() {
  if (!endpointTables_) endpointTables_ = ReadEndpointTables(Sys);
  return *endpointTables_;
}

}  // namespace kvt
