#pragma once
// The IP helper's tables of TCP and UDP endpoints with the processes that own
// them. Its library is loaded and its entries bound by name on first use;
// while an entry is unbound its call fails with kErrorProcNotFound.
#include <cstdint>
#include <string>
#include <vector>

#include "os/os_types.h"

namespace kvt {

constexpr uint32_t kAfInet = 2;
constexpr uint32_t kAfInet6 = 23;
// The table classes: with the owner's process id (Windows XP SP2 and later),
// and with its module too, whose first word is a service's tag and beside
// which stands the socket's creation time (given by Windows 6.0 and later).
constexpr uint32_t kTcpTableOwnerPidAll = 5;
constexpr uint32_t kTcpTableOwnerModuleAll = 8;
constexpr uint32_t kUdpTableOwnerPid = 1;
constexpr uint32_t kUdpTableOwnerModule = 2;
constexpr uint32_t kErrorNotSupported = 50;
constexpr uint32_t kErrorProcNotFound = 127;

struct OsNetwork {
  virtual ~OsNetwork() = default;

  // Fill Table (Size bytes) with one reply laid out as os/layouts/endpoint_tables.h
  // says; kErrorInsufficientBuffer with the size needed in Size when it does not fit.
  virtual uint32_t GetExtendedTcpTable(uint8_t* table, uint32_t* size, bool order, uint32_t family,
                                       uint32_t tableClass) = 0;
  virtual uint32_t GetExtendedUdpTable(uint8_t* table, uint32_t* size, bool order, uint32_t family,
                                       uint32_t tableClass) = 0;
  // Windows XP before SP2: the stack's own tables with owners (laid out as the
  // owner-pid classes), allocated by the call; Win32Os copies them into Table.
  virtual uint32_t AllocateAndGetTcpExTableFromStack(std::vector<uint8_t>& table, bool order,
                                                     uint32_t family) = 0;
  virtual uint32_t AllocateAndGetUdpExTableFromStack(std::vector<uint8_t>& table, bool order,
                                                     uint32_t family) = 0;
  // The name of the service that a tag of process ProcessId stands for
  // (advapi32 of Windows 6.0 and later, bound by name).
  virtual uint32_t I_QueryTagInformation(uint32_t processId, uint32_t serviceTag,
                                         std::string* serviceName) = 0;
};

}  // namespace kvt
