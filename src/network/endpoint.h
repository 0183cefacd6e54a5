#pragma once
// One TCP or UDP endpoint of the system's tables, with the process that owns it.
#include <array>
#include <cstdint>
#include <string>

namespace kvt {

enum class TEndpointProtocol : uint8_t { Tcp, Udp, Tcp6, Udp6 };

// An address as the tables give it: the bytes in network order, 4 of them
// for IPv4, 16 for IPv6, with the IPv6 scope (0: none).
struct TIpAddress {
  std::array<uint8_t, 16> Bytes = {};
  uint8_t Width = 4;
  uint32_t ScopeId = 0;
};

// TCP states as the tables number them.
constexpr uint32_t kTcpStateListen = 2;

struct TEndpoint {
  TEndpointProtocol Protocol = TEndpointProtocol::Tcp;
  TIpAddress LocalAddress;
  uint16_t LocalPort = 0;
  TIpAddress RemoteAddress;  // TCP only
  uint16_t RemotePort = 0;
  uint32_t State = 0;        // TCP only: 1 (closed) to 12 (delete TCB)
  uint32_t ProcessId = 0;    // 0 where the system names no owner
  uint64_t CreateTime = 0;   // FILETIME, UTC; 0 where the table does not give it
  uint32_t ServiceTag = 0;   // 0 where the table does not give one
  std::string Service;       // the owning service's name, once resolved
  uint64_t LocalCreateTime = 0;  // CreateTime in this machine's local time, once converted
};

inline bool IsTcp(TEndpointProtocol protocol) {
  return protocol == TEndpointProtocol::Tcp || protocol == TEndpointProtocol::Tcp6;
}

}  // namespace kvt
