#include "network/endpoint_reader.h"

#include <utility>

#include "network/endpoint_replies.h"
#include "support/format.h"

namespace kvt {
namespace {

// A table read is a call with room for a usual table, which answers the
// size it needs when the table does not fit, and a read with that size; when
// the table grew in between, the read is tried again with the new size.
// Eight tries in a row that each find it grown mean it cannot be caught,
// which is said, not hidden. Each call costs under Wine as much as listing a
// few processes, so a table that fits the first room costs one call.
constexpr int kTableReadTries = 8;
constexpr uint32_t kFirstRoom = 64 * 1024;
// Far beyond any table (about 400,000 TCP rows): a size past it is no table's.
constexpr uint32_t kMaxTableSize = 64 * 1024 * 1024;

// One table as each class lays it out.
struct TTableSource {
  const char* Name;
  TEndpointProtocol Protocol;
  uint32_t Family;
  uint32_t ModuleClass, PidClass;
  const TEndpointTableLayout& ModuleLayout;
  const TEndpointTableLayout& PidLayout;
};

const TTableSource kSources[] = {
    {"TCP", TEndpointProtocol::Tcp, kAfInet, kTcpTableOwnerModuleAll, kTcpTableOwnerPidAll,
     kTcp4OwnerModule, kTcp4OwnerPid},
    {"TCP over IPv6", TEndpointProtocol::Tcp6, kAfInet6, kTcpTableOwnerModuleAll,
     kTcpTableOwnerPidAll, kTcp6OwnerModule, kTcp6OwnerPid},
    {"UDP", TEndpointProtocol::Udp, kAfInet, kUdpTableOwnerModule, kUdpTableOwnerPid,
     kUdp4OwnerModule, kUdp4OwnerPid},
    {"UDP over IPv6", TEndpointProtocol::Udp6, kAfInet6, kUdpTableOwnerModule, kUdpTableOwnerPid,
     kUdp6OwnerModule, kUdp6OwnerPid},
};

uint32_t ExtendedTable(Os& os, const TTableSource& source, uint8_t* reply, uint32_t* size,
                       uint32_t tableClass) {
  return IsTcp(source.Protocol)
             ? os.GetExtendedTcpTable(reply, size, false, source.Family, tableClass)
             : os.GetExtendedUdpTable(reply, size, false, source.Family, tableClass);
}

// One class of one table into Endpoints; the system's error when it refuses it.
uint32_t ReadClass(Os& os, const TTableSource& source, uint32_t tableClass,
                   const TEndpointTableLayout& layout, std::vector<TEndpoint>& endpoints) {
  std::vector<uint8_t> reply;
  uint32_t size = kFirstRoom;
  for (int attempt = 0; attempt < kTableReadTries; ++attempt) {
    reply.resize(size);
    const uint32_t error = ExtendedTable(os, source, reply.data(), &size, tableClass);
    if (error == kErrorSuccess) {
      if (!ReadEndpointRows(reply.data(), reply.size(), layout, source.Protocol, endpoints))
        throw EEndpointTableError(Format("The %s table the system gave could not be read.",
                                         source.Name));
      return kErrorSuccess;
    }
    if (error != kErrorInsufficientBuffer) return error;
    if (size > kMaxTableSize)
      throw EEndpointTableError(Format("The %s table the system gave is over 64 MiB.", source.Name));
    // Room for a few rows more: the table may grow again before the read.
    size += 8u * layout.RowSize;
  }
  throw EEndpointTableError(
      Format("The %s table kept growing while it was read; try again.", source.Name));
}

// Before the extended calls: the stack's own tables, IPv4 only.
uint32_t ReadFromStack(Os& os, const TTableSource& source, std::vector<TEndpoint>& endpoints) {
  std::vector<uint8_t> reply;
  const uint32_t error = IsTcp(source.Protocol)
                             ? os.AllocateAndGetTcpExTableFromStack(reply, false, source.Family)
                             : os.AllocateAndGetUdpExTableFromStack(reply, false, source.Family);
  if (error != kErrorSuccess) return error;
  if (!ReadEndpointRows(reply.data(), reply.size(), source.PidLayout, source.Protocol, endpoints))
    throw EEndpointTableError(Format("The %s table the system gave could not be read.", source.Name));
  return kErrorSuccess;
}

}  // namespace

TEndpointTables ReadEndpointTables(Os& os) {
  TEndpointTables tables;
  for (const TTableSource& source : kSources) {
    uint32_t error = ReadClass(os, source, source.ModuleClass, source.ModuleLayout, tables.Endpoints);
    // Windows before 6.0 knows no module classes.
    if (error != kErrorSuccess && error != kErrorProcNotFound)
      error = ReadClass(os, source, source.PidClass, source.PidLayout, tables.Endpoints);
    const bool ipv6 = source.Family == kAfInet6;
    if (error == kErrorProcNotFound && !ipv6) error = ReadFromStack(os, source, tables.Endpoints);
    if (error == kErrorSuccess || ipv6) continue;  // a system without IPv6 refuses its tables
    if (error == kErrorProcNotFound) {
      tables.OwnersUnknown = true;
      tables.Endpoints.clear();
      return tables;
    }
    throw EEndpointTableError(
        Format("The %s table could not be read (error %u).", source.Name, error));
  }
  return tables;
}

void NameEndpointServices(Os& os, const std::vector<TEndpoint*>& endpoints,
                          const TServicesOfProcesses& services) {
  // One question to the service manager per process and tag.
  std::map<std::pair<uint32_t, uint32_t>, std::string> byTag;
  for (TEndpoint* endpoint : endpoints) {
    if (endpoint->ServiceTag != 0) {
      const auto key = std::make_pair(endpoint->ProcessId, endpoint->ServiceTag);
      auto known = byTag.find(key);
      if (known == byTag.end()) {
        std::string name;
        if (os.I_QueryTagInformation(key.first, key.second, &name) != kErrorSuccess) name.clear();
        known = byTag.emplace(key, name).first;
      }
      endpoint->Service = known->second;
    }
    if (!endpoint->Service.empty() || endpoint->ProcessId == 0) continue;
    const auto& hosts = services();
    const auto hosted = hosts.find(endpoint->ProcessId);
    if (hosted != hosts.end() && hosted->second.size() == 1)
      endpoint->Service = hosted->second.front();
  }
}

}  // namespace kvt
