#include "inventory/inventory_context.h"

#include "inventory/ready_volumes.h"

namespace kvt {
namespace {

TOsVersionInfo ReadVersion(Os& os) {
  TOsVersionInfo version;
  version.dwOSVersionInfoSize = sizeof(TOsVersionInfo);
  if (!os.GetVersionExA(&version)) {
    version = TOsVersionInfo{};
    version.dwOSVersionInfoSize = sizeof(TOsVersionInfo);
  }
  return version;
}

}  // namespace

TInventoryContext::TInventoryContext(Os& os)
    : Sys(os), Version(ReadVersion(os)), ReadyVolumes(ProbeReadyVolumes(os)) {}

bool TInventoryContext::IsNT4OrLater() const {
  return Version.dwPlatformId == kVerPlatformWin32Nt && Version.dwMajorVersion > 3;
}

uint32_t TInventoryContext::ShareAll() const {
  return kFileShareRead | kFileShareWrite | (IsNT4OrLater() ? kFileShareDelete : 0);
}

}  // namespace kvt
