// The service manager of the scripted system: it enumerates FakeOs::Services.
#include "os/fake/fake_os.h"

namespace kvt {

OsHandle FakeOs::OpenSCManagerW(uint32_t) {
  Record("OpenSCManagerW");
  THandle opened;
  opened.Type = THandle::ServiceManager;
  return NewHandle(std::move(opened));
}

bool FakeOs::CloseServiceHandle(OsHandle scManager) {
  Record("CloseServiceHandle");
  return handles_.erase(scManager) != 0;
}

bool FakeOs::EnumServicesStatusExW(OsHandle scManager, uint32_t, uint32_t, uint32_t bufferSize,
                                   uint32_t* bytesNeeded, uint32_t* resumeHandle,
                                   std::vector<TServiceProcess>& services) {
  Record("EnumServicesStatusExW");
  if (Find(scManager, THandle::ServiceManager) == nullptr) {
    lastError_ = kErrorInvalidHandle;
    return false;
  }
  // Each entry takes its two pointers, its status and its name twice (as
  // the display name too), in UTF-16 with terminators.
  const auto cost = [this](const TServiceProcess& service) {
    return 2 * ProgramPointerSize + 36 + 4 * (service.ServiceName.size() + 1);
  };
  size_t used = 0;
  size_t at = *resumeHandle;
  for (; at < Services.size() && used + cost(Services[at]) <= bufferSize; ++at) {
    used += cost(Services[at]);
    services.push_back(Services[at]);
  }
  *resumeHandle = static_cast<uint32_t>(at);
  if (at == Services.size()) {
    *resumeHandle = 0;
    return true;
  }
  size_t rest = 0;
  for (size_t i = at; i < Services.size(); ++i) rest += cost(Services[i]);
  *bytesNeeded = static_cast<uint32_t>(rest);
  lastError_ = static_cast<uint32_t>(kErrorMoreData);
  return false;
}

}  // namespace kvt
