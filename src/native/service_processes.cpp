#include "native/service_processes.h"

#include <algorithm>


namespace kvt {
namespace {

// A system has a few hundred services: one reply of 64 KiB holds them.
// Each further read goes on from where the last ended, with the room the
// manager asked for; at most this many reads, and replies up to the cap.
constexpr uint32_t kFirstServiceReply = 64u << 10;
constexpr uint32_t kMaxServiceReply = 4u << 20;
constexpr int kMaxServiceReads = 16;

}  // namespace

std::map<uint32_t, std::vector<std::string>> ReadServiceProcesses(Os& os) {
  std::map<uint32_t, std::vector<std::string>> byProcess;
  if (!os.IsBound(TOptionalEntry::EnumServicesStatusExW)) return byProcess;
  const OsHandle manager = os.OpenSCManagerW(kScManagerEnumerateService);
  if (manager == 0) return byProcess;
  std::vector<TServiceProcess> services;
  uint32_t size = kFirstServiceReply;
  uint32_t resume = 0;
  for (int read = 0; read < kMaxServiceReads; ++read) {
    uint32_t needed = 0;
    if (os.EnumServicesStatusExW(manager, kServiceWin32, kServiceActive, size, &needed, &resume,
                                 services))
      break;
    if (os.GetLastError() != static_cast<uint32_t>(kErrorMoreData)) break;
    size = std::min(std::max(size, needed), kMaxServiceReply);
  }
  os.CloseServiceHandle(manager);
  for (const TServiceProcess& service : services)
    if (service.ProcessId != 0) byProcess[service.ProcessId].push_back(service.ServiceName);
  return byProcess;
}

}  // namespace kvt
