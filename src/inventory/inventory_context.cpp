#include "inventory/inventory_context.h"

#include "inventory/ready_volumes.h"
#include "support/version_record.h"

namespace kvt {
namespace {

}  // namespace

TInventoryContext::TInventoryContext(Os& os)
    : Sys(os), Version(ReadVersionRecord(os)), ReadyVolumes(ProbeReadyVolumes(os)) {}

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
