// The endpoint tables come from the IP helper: any count and any length must
// give only rows inside the reply, in every class's layout, and their texts
// must be made whatever the bytes. The first byte picks the layout, the rest
// is the reply.
#include <cstdint>
#include <vector>

#include "network/endpoint_replies.h"
#include "network/endpoint_texts.h"

namespace {

struct TClass {
  const kvt::TEndpointTableLayout& Layout;
  kvt::TEndpointProtocol Protocol;
};

const TClass kClasses[] = {
    {kvt::kTcp4OwnerPid, kvt::TEndpointProtocol::Tcp},
    {kvt::kTcp4OwnerModule, kvt::TEndpointProtocol::Tcp},
    {kvt::kTcp6OwnerPid, kvt::TEndpointProtocol::Tcp6},
    {kvt::kTcp6OwnerModule, kvt::TEndpointProtocol::Tcp6},
    {kvt::kUdp4OwnerPid, kvt::TEndpointProtocol::Udp},
    {kvt::kUdp4OwnerModule, kvt::TEndpointProtocol::Udp},
    {kvt::kUdp6OwnerPid, kvt::TEndpointProtocol::Udp6},
    {kvt::kUdp6OwnerModule, kvt::TEndpointProtocol::Udp6},
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const TClass& chosen = kClasses[data[0] % 8];
  // A copy of exactly the reply's bytes, so that a read past the end is caught.
  const std::vector<uint8_t> reply(data + 1, data + size);
  std::vector<kvt::TEndpoint> endpoints;
  const bool read = kvt::ReadEndpointRows(reply.data(), reply.size(), chosen.Layout,
                                          chosen.Protocol, endpoints);
  if (!read && !endpoints.empty()) __builtin_trap();
  if (endpoints.size() * chosen.Layout.RowSize > reply.size()) __builtin_trap();
  for (const kvt::TEndpoint& endpoint : endpoints) {
    const std::string local = kvt::AddressWithPort(endpoint.LocalAddress, endpoint.LocalPort);
    // "[" 39 characters of address, "%", ten digits, "]:" and five digits.
    if (local.empty() || local.size() > 58) __builtin_trap();
    kvt::RemoteEndText(endpoint);
    kvt::StateText(endpoint);
  }
  return 0;
}
