#include "network/endpoint_replies.h"

#include <algorithm>

#include "os/portable/byte_reader.h"

namespace kvt {
namespace {

TIpAddress AddressAt(const uint8_t* row, TReplyField address, TReplyField scope) {
  TIpAddress ip;
  ip.Width = address.Width;
  std::copy(row + address.Offset, row + address.Offset + address.Width, ip.Bytes.begin());
  if (scope.Width != 0) ip.ScopeId = static_cast<uint32_t>(FieldAt(row, scope));
  return ip;
}

// The port stands in network order in the word's first two bytes.
uint16_t PortAt(const uint8_t* row, TReplyField port) {
  return static_cast<uint16_t>(row[port.Offset] << 8 | row[port.Offset + 1]);
}

uint64_t FieldOrZero(const uint8_t* row, TReplyField field) {
  return field.Width == 0 ? 0 : FieldAt(row, field);
}

}  // namespace

bool ReadEndpointRows(const uint8_t* reply, size_t size, const TEndpointTableLayout& layout,
                      TEndpointProtocol protocol, std::vector<TEndpoint>& endpoints) {
  const TByteReader reader(reply, size);
  uint32_t count = 0;
  if (!reader.U32(0, count)) return false;
  // 64-bit arithmetic: no count of the 32-bit field can wrap the product.
  if (!reader.Has(layout.FirstRow, static_cast<uint64_t>(count) * layout.RowSize)) return false;
  endpoints.reserve(endpoints.size() + count);
  for (uint32_t i = 0; i < count; ++i) {
    const uint8_t* row = reply + layout.FirstRow + static_cast<size_t>(i) * layout.RowSize;
    TEndpoint endpoint;
    endpoint.Protocol = protocol;
    endpoint.LocalAddress = AddressAt(row, layout.LocalAddress, layout.LocalScopeId);
    endpoint.LocalPort = PortAt(row, layout.LocalPort);
    if (layout.RemoteAddress.Width != 0) {
      endpoint.RemoteAddress = AddressAt(row, layout.RemoteAddress, layout.RemoteScopeId);
      endpoint.RemotePort = PortAt(row, layout.RemotePort);
    }
    endpoint.State = static_cast<uint32_t>(FieldOrZero(row, layout.State));
    endpoint.ProcessId = static_cast<uint32_t>(FieldAt(row, layout.ProcessId));
    endpoint.CreateTime = FieldOrZero(row, layout.CreateTime);
    endpoint.ServiceTag = static_cast<uint32_t>(FieldOrZero(row, layout.ServiceTag));
    endpoints.push_back(endpoint);
  }
  return true;
}

}  // namespace kvt
