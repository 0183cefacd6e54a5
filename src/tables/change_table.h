#pragma once
// The table of /compare: one row per change since the baseline.
#include "baseline/snapshot_compare.h"
#include "tables/table.h"

namespace kvt {

const TTable<TChange>& ChangeTable();
const char* ChangeKindText(TChangeKind kind);

}  // namespace kvt
