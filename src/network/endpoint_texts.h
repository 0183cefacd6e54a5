#pragma once
// How endpoints read: addresses in their usual short forms, states and
// protocols by the names the system's own tools give them.
#include <cstdint>
#include <string>

#include "network/endpoint.h"

namespace kvt {

// "127.0.0.1"; IPv6 in its short form ("::1", "fe80::1%4", "::ffff:10.0.0.1").
std::string AddressText(const TIpAddress& address);
// "127.0.0.1:8080", "[::1]:443".
std::string AddressWithPort(const TIpAddress& address, uint16_t port);
// The remote end as the text shows it: "*:*" where there is none to show
// (a listener, or UDP).
std::string RemoteEndText(const TEndpoint& endpoint);
// "LISTENING", "ESTABLISHED", ...; empty for UDP; the number for one unknown.
std::string StateText(const TEndpoint& endpoint);
const char* ProtocolText(TEndpointProtocol protocol);

}  // namespace kvt
