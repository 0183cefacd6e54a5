#pragma once
// SeDebugPrivilege of this program's token. Held by an elevated
// administrator, it opens the processes of other users for reading their
// modules, handles and file facts; it is switched off around every
// termination, so that a run never ends a process it could not end without it.
#include "os/os.h"

namespace kvt {

class TDebugPrivilege {
 public:
  // Applies: false where the privilege is left alone (before Windows 6.0,
  // whose ways the program keeps). The token is not asked before Enable.
  TDebugPrivilege(Os& os, bool applies) : os_(os), applies_(applies) {}
  // Switches the privilege off and closes the token.
  ~TDebugPrivilege();
  TDebugPrivilege(const TDebugPrivilege&) = delete;
  TDebugPrivilege& operator=(const TDebugPrivilege&) = delete;

  // Switches it on when the token holds it. A token found without it is not
  // asked again: nothing gives a running program a privilege.
  void Enable();
  // Switches it off; Enabled stays true only when the token refused that.
  void Disable();
  bool Enabled() const { return enabled_; }

 private:
  bool Adjust(uint32_t attributes);

  Os& os_;
  const bool applies_;
  bool mayHold_ = true;
  bool enabled_ = false;
  OsHandle token_ = 0;
  TLuid luid_;
};

// The privilege off for the scope, and on again after it when it was on.
class TWithoutDebugPrivilege {
 public:
  explicit TWithoutDebugPrivilege(TDebugPrivilege& privilege)
      : privilege_(privilege), wasEnabled_(privilege.Enabled()) {
    privilege_.Disable();
  }
  ~TWithoutDebugPrivilege() {
    if (wasEnabled_) privilege_.Enable();
  }
  TWithoutDebugPrivilege(const TWithoutDebugPrivilege&) = delete;
  TWithoutDebugPrivilege& operator=(const TWithoutDebugPrivilege&) = delete;

 private:
  TDebugPrivilege& privilege_;
  const bool wasEnabled_;
};

}  // namespace kvt
