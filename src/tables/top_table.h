#pragma once
// The table of /top: each process's share of the machine over one interval.
#include <cstdint>
#include <string>

#include "sampling/sample_delta.h"
#include "tables/table.h"

namespace kvt {

struct TTopRow {
  const TProcessRate* Rate = nullptr;
  std::string Filename;     // from the process list; empty for one not listed
  uint64_t SampleTime = 0;  // FILETIME (UTC) of the frame's later sample
};

const TTable<TTopRow>& TopTable();

}  // namespace kvt
