#pragma once
#include "os/os.h"

namespace kvt {

// Switches WOW64 file-system redirection off for the calling thread while
// the scope lasts, and back on when it ends, also when an error leaves it
// early. A 32-bit program on a 64-bit Windows would otherwise read a file of
// the 32-bit system folder whenever a path names the 64-bit one. Where the
// platform has no redirection (a 32-bit Windows, the 64-bit program) nothing
// changes. Only file reads belong inside: loading a library with redirection
// off would find the 64-bit one. A scope inside another one for the same
// system asks nothing: redirection is off already, and the outer scope turns
// it back on.
class TFsRedirectionOff {
 public:
  explicit TFsRedirectionOff(Os& os)
      : os_(os),
        nested_(offFor_ == &os),
        off_(!nested_ && os.IsBound(TOptionalEntry::Wow64FsRedirection) &&
             os.Wow64DisableWow64FsRedirection(&oldValue_)) {
    if (!nested_) offFor_ = &os;
  }
  ~TFsRedirectionOff() {
    if (nested_) return;
    offFor_ = nullptr;
    if (off_) os_.Wow64RevertWow64FsRedirection(oldValue_);
  }
  TFsRedirectionOff(const TFsRedirectionOff&) = delete;
  TFsRedirectionOff& operator=(const TFsRedirectionOff&) = delete;

 private:
  Os& os_;
  uint64_t oldValue_ = 0;
  const bool nested_;
  const bool off_;
  // The system whose redirection an outer scope of this thread holds off
  // (redirection is a thread's own).
  static inline thread_local const Os* offFor_ = nullptr;
};

}  // namespace kvt
