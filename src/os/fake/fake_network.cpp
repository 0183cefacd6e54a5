// The IP helper of the scripted system: its endpoint tables, laid out as the
// reader expects them, from FakeOs::Endpoints.
#include <algorithm>
#include <cstring>

#include "os/fake/fake_os.h"
#include "os/layouts/endpoint_tables.h"

namespace kvt {
namespace {

void Put(uint8_t* row, TReplyField field, uint64_t value) {
  for (uint8_t i = 0; i < field.Width; ++i) row[field.Offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

void PutAddress(uint8_t* row, TReplyField address, TReplyField scope, const TIpAddress& ip) {
  std::copy(ip.Bytes.begin(), ip.Bytes.begin() + address.Width, row + address.Offset);
  Put(row, scope, ip.ScopeId);
}

void PutPort(uint8_t* row, TReplyField port, uint16_t value) {
  row[port.Offset] = static_cast<uint8_t>(value >> 8);
  row[port.Offset + 1] = static_cast<uint8_t>(value);
}

const TEndpointTableLayout& LayoutOf(bool tcp, bool ipv6, bool module) {
  if (tcp) return ipv6 ? (module ? kTcp6OwnerModule : kTcp6OwnerPid)
                       : (module ? kTcp4OwnerModule : kTcp4OwnerPid);
  return ipv6 ? (module ? kUdp6OwnerModule : kUdp6OwnerPid)
              : (module ? kUdp4OwnerModule : kUdp4OwnerPid);
}

// The table of the endpoints of one protocol, in Layout.
std::vector<uint8_t> TableOf(const std::vector<TEndpoint>& endpoints, TEndpointProtocol protocol,
                             const TEndpointTableLayout& layout) {
  std::vector<uint8_t> table(layout.FirstRow);
  uint32_t count = 0;
  for (const TEndpoint& endpoint : endpoints) {
    if (endpoint.Protocol != protocol) continue;
    table.resize(table.size() + layout.RowSize);
    uint8_t* row = table.data() + layout.FirstRow + count++ * layout.RowSize;
    PutAddress(row, layout.LocalAddress, layout.LocalScopeId, endpoint.LocalAddress);
    PutPort(row, layout.LocalPort, endpoint.LocalPort);
    if (layout.RemoteAddress.Width != 0) {
      PutAddress(row, layout.RemoteAddress, layout.RemoteScopeId, endpoint.RemoteAddress);
      PutPort(row, layout.RemotePort, endpoint.RemotePort);
    }
    Put(row, layout.State, endpoint.State);
    Put(row, layout.ProcessId, endpoint.ProcessId);
    Put(row, layout.CreateTime, endpoint.CreateTime);
    Put(row, layout.ServiceTag, endpoint.ServiceTag);
  }
  Put(table.data(), {0, 4}, count);
  return table;
}

TEndpointProtocol ProtocolOf(bool tcp, bool ipv6) {
  if (tcp) return ipv6 ? TEndpointProtocol::Tcp6 : TEndpointProtocol::Tcp;
  return ipv6 ? TEndpointProtocol::Udp6 : TEndpointProtocol::Udp;
}

}  // namespace

uint32_t FakeOs::ExtendedEndpointTable(bool tcp, uint8_t* table, uint32_t* size, uint32_t family,
                                       uint32_t tableClass) {
  if (!ExtendedEndpointTablesBound) return kErrorProcNotFound;
  if (OnEndpointTableRead) OnEndpointTableRead();
  const bool ipv6 = family == kAfInet6;
  if (ipv6 && Ipv6Refused) return kErrorNotSupported;
  const bool module = tableClass == (tcp ? kTcpTableOwnerModuleAll : kUdpTableOwnerModule);
  const bool pid = tableClass == (tcp ? kTcpTableOwnerPidAll : kUdpTableOwnerPid);
  if ((module && !EndpointModuleClasses) || (!module && !pid)) return kErrorInvalidParameter;
  const std::vector<uint8_t> reply = TableOf(Endpoints, ProtocolOf(tcp, ipv6), LayoutOf(tcp, ipv6, module));
  if (*size < reply.size()) {
    *size = static_cast<uint32_t>(reply.size());
    return kErrorInsufficientBuffer;
  }
  std::memcpy(table, reply.data(), reply.size());
  *size = static_cast<uint32_t>(reply.size());
  return kErrorSuccess;
}

uint32_t FakeOs::GetExtendedTcpTable(uint8_t* table, uint32_t* size, bool, uint32_t family,
                                     uint32_t tableClass) {
  Record("GetExtendedTcpTable");
  return ExtendedEndpointTable(true, table, size, family, tableClass);
}

uint32_t FakeOs::GetExtendedUdpTable(uint8_t* table, uint32_t* size, bool, uint32_t family,
                                     uint32_t tableClass) {
  Record("GetExtendedUdpTable");
  return ExtendedEndpointTable(false, table, size, family, tableClass);
}

uint32_t FakeOs::AllocateAndGetTcpExTableFromStack(std::vector<uint8_t>& table, bool,
                                                   uint32_t family) {
  Record("AllocateAndGetTcpExTableFromStack");
  if (!StackEndpointTablesBound) return kErrorProcNotFound;
  if (family != kAfInet) return kErrorInvalidParameter;
  table = TableOf(Endpoints, TEndpointProtocol::Tcp, kTcp4OwnerPid);
  return kErrorSuccess;
}

uint32_t FakeOs::AllocateAndGetUdpExTableFromStack(std::vector<uint8_t>& table, bool,
                                                   uint32_t family) {
  Record("AllocateAndGetUdpExTableFromStack");
  if (!StackEndpointTablesBound) return kErrorProcNotFound;
  if (family != kAfInet) return kErrorInvalidParameter;
  table = TableOf(Endpoints, TEndpointProtocol::Udp, kUdp4OwnerPid);
  return kErrorSuccess;
}

uint32_t FakeOs::I_QueryTagInformation(uint32_t processId, uint32_t serviceTag,
                                       std::string* serviceName) {
  Record("I_QueryTagInformation");
  if (!TagInformationBound) return kErrorProcNotFound;
  const auto known = ServiceTags.find({processId, serviceTag});
  if (known == ServiceTags.end()) return kErrorInvalidParameter;
  *serviceName = known->second;
  return kErrorSuccess;
}

}  // namespace kvt
