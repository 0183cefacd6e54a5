#pragma once
// What differs between a snapshot taken earlier and one taken now.
// Processes are matched by what they are, not by their ids, which the system
// gives again: their file, and with the details their command line and user.
#include <cstdint>
#include <string>
#include <vector>

#include "baseline/snapshot.h"

namespace kvt {

enum class TChangeKind { Process, File, Module, Endpoint };
constexpr size_t kChangeKindCount = 4;

struct TChange {
  char Sign = '+';  // '+' there now only, '-' there then only, '~' changed
  TChangeKind Kind = TChangeKind::Process;
  uint32_t ProcessId = 0;    // the process now, or then for '-'; 0 for none
  std::string ProcessPath;   // its file
  std::string Path;          // the file that changed, the module, or the process's file
  std::string Field;         // a changed file's fact; "Endpoint" for an endpoint
  std::string Baseline, Now; // the values then and now
};

// Which tables both snapshots hold, and so are compared.
struct TComparedKinds {
  bool Processes = true;
  bool Modules = false;
  bool Endpoints = false;
};

// The changes in the order of their kinds, each kind in the order of the
// snapshot now (for '+' and '~') and then (for '-').
std::vector<TChange> CompareSnapshots(const TSnapshot& baseline, const TSnapshot& now,
                                      const TComparedKinds& kinds);

// An endpoint as a change shows it: "TCP 0.0.0.0:80".
std::string EndpointText(const TSnapshotEndpoint& endpoint);

}  // namespace kvt
