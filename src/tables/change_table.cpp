#include "tables/change_table.h"

#include <string>

#include "support/path_parts.h"

namespace kvt {
namespace {

using R = TChange;
using C = TColumn<R>;

// The text tells what changed in one column: the module or file, a fact
// with its value then and now, or the endpoint.
std::string WhatChanged(const R& r) {
  if (r.Kind == TChangeKind::Endpoint) return r.Sign == '-' ? r.Baseline : r.Now;
  if (r.Sign != '~') return r.Path;
  return r.Path + "  " + r.Field + ": " + r.Baseline + " -> " + r.Now;
}

}  // namespace

const char* ChangeKindText(TChangeKind kind) {
  static const char* const kNames[kChangeKindCount] = {"Process", "File", "Module", "Endpoint"};
  return kNames[static_cast<size_t>(kind)];
}

const TTable<TChange>& ChangeTable() {
  static const TTable<R> kTable = {
      C().Titled("Change", 1).Form("Change", "Change").Text([](R& r) { return std::string(1, r.Sign); }),
      C().Form("Kind", "Kind").Text([](R& r) { return std::string(ChangeKindText(r.Kind)); }),
      // Empty for an endpoint of no listed process.
      C().Titled("PID", 6).Form("PID", "ProcessID").Reads(TColumnKind::Decimal, [](R& r) {
        return r.ProcessId ? std::to_string(r.ProcessId) : std::string();
      }),
      // No XML attribute: the documents' "Filename" is a whole path elsewhere.
      C().Titled("Filename", 24).Form("Filename", nullptr)
          .Text([](R& r) { return SplitPath(r.ProcessPath).Name; }),
      C().Titled("What").Form("Path", "Path").Text([](R& r) { return r.Path; })
          .ShownAs([](R& r) { return WhatChanged(r); }),
      C().Form("Field", "Field").Text([](R& r) { return r.Field; }),
      C().Form("Baseline", "Baseline").Text([](R& r) { return r.Baseline; }),
      C().Form("Now", "Now").Text([](R& r) { return r.Now; }),
  };
  return kTable;
}

}  // namespace kvt
