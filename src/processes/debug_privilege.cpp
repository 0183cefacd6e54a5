#include "processes/debug_privilege.h"

namespace kvt {

TDebugPrivilege::~TDebugPrivilege() {
  Disable();
  if (token_ != 0) os_.CloseHandle(token_);
}

void TDebugPrivilege::Enable() {
  if (!applies_ || !mayHold_ || enabled_) return;
  if (token_ == 0 &&
      (!os_.OpenProcessToken(os_.GetCurrentProcess(), kTokenAdjustPrivileges | kTokenQuery,
                             &token_) ||
       !os_.LookupPrivilegeValueW(nullptr, kSeDebugName, &luid_))) {
    mayHold_ = false;
    return;
  }
  enabled_ = Adjust(kSePrivilegeEnabled);
  if (!enabled_) mayHold_ = false;
}

void TDebugPrivilege::Disable() {
  if (enabled_) enabled_ = !Adjust(0);
}

bool TDebugPrivilege::Adjust(uint32_t attributes) {
  TTokenPrivileges state;
  state.Luid = luid_;
  state.Attributes = attributes;
  // The call succeeds for a privilege the token lacks; only the last error tells.
  return os_.AdjustTokenPrivileges(token_, false, &state) &&
         os_.GetLastError() != kErrorNotAllAssigned;
}

}  // namespace kvt
