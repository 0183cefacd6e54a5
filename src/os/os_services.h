#pragma once
// The service manager: the services and the process each runs in.
#include <cstdint>
#include <string>
#include <vector>

#include "os/os_types.h"

namespace kvt {

constexpr uint32_t kScManagerEnumerateService = 0x0004;
constexpr uint32_t kServiceWin32 = 0x30;
constexpr uint32_t kServiceActive = 0x1;

// One entry of a service enumeration: the service's name (UTF-8) and the
// process it runs in (0 while it is stopped).
struct TServiceProcess {
  std::string ServiceName;
  uint32_t ProcessId = 0;
};

struct OsServices {
  virtual ~OsServices() = default;

  virtual OsHandle OpenSCManagerW(uint32_t desiredAccess) = 0;
  virtual bool CloseServiceHandle(OsHandle scManager) = 0;
  // Bound by name (false while unbound): reads one reply of at most
  // BufferSize bytes from ResumeHandle on, appends its entries to Services,
  // and fails with kErrorMoreData when more follow.
  virtual bool EnumServicesStatusExW(OsHandle scManager, uint32_t serviceType,
                                     uint32_t serviceState, uint32_t bufferSize,
                                     uint32_t* bytesNeeded, uint32_t* resumeHandle,
                                     std::vector<TServiceProcess>& services) = 0;
};

}  // namespace kvt
