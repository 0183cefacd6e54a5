#pragma once
#include "os/os.h"

namespace kvt {

// Closes a handle through the seam when the scope ends, also when an error
// leaves it early.
class TScopedHandle {
 public:
  TScopedHandle(Os& os, OsHandle handle) : os_(os), handle_(handle) {}
  ~TScopedHandle() {
    if (handle_ != 0 && handle_ != kInvalidHandleValue) os_.CloseHandle(handle_);
  }
  TScopedHandle(const TScopedHandle&) = delete;
  TScopedHandle& operator=(const TScopedHandle&) = delete;

  OsHandle Get() const { return handle_; }

 private:
  Os& os_;
  OsHandle handle_;
};

}  // namespace kvt
