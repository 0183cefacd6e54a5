#pragma once
// What inventory records reach beyond themselves: the operating system and the
// process-wide tables built at start-up.
namespace kvt {

class Os;

struct TInventoryContext {
  explicit TInventoryContext(Os& os) : Sys(os) {}
  Os& Sys;
};

}  // namespace kvt
