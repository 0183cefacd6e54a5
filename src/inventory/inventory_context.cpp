#include "inventory/inventory_context.h"

#include "inventory/ready_volumes.h"
#include "support/version_record.h"

namespace kvt {

TInventoryContext::TInventoryContext(Os& os) : Sys(os), Version(ReadVersionRecord(os)) {}

const std::string& TInventoryContext::ReadyVolumes() {
  if (!readyVolumes_) readyVolumes_ = ProbeReadyVolumes(Sys);
  return *readyVolumes_;
}

bool TInventoryContext::IsNT4OrLater() const {
  return Version.dwPlatformId == kVerPlatformWin32Nt && Version.dwMajorVersion > 3;
}

bool TInventoryContext::IsNT6OrLater() const {
  return Version.dwPlatformId == kVerPlatformWin32Nt && Version.dwMajorVersion >= 6;
}

uint32_t TInventoryContext::ShareAll() const {
  return kFileShareRead | kFileShareWrite | (IsNT4OrLater() ? kFileShareDelete : 0);
}

}  // namespace kvt
