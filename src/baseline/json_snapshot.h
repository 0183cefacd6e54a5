#pragma once
// The snapshot of a JSON document of the forms, read as a stream: the
// document never stands whole in memory, only what the comparison keeps.
#include <istream>
#include <string>

#include "baseline/snapshot.h"

namespace kvt {

// False, with Fault saying why (where the text breaks, for a malformed one),
// when In holds no JSON document of this program's.
bool SnapshotOfJson(std::istream& in, TSnapshot& snapshot, std::string& fault);

}  // namespace kvt
