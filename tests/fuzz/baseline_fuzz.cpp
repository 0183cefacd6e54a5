// A baseline comes from outside, in either rendering: any bytes must end in
// a snapshot or an EBaselineError, never a crash, and comparing what was
// read with itself must find nothing.
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "baseline/baseline_file.h"
#include "baseline/snapshot_compare.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
  try {
    const kvt::TSnapshot snapshot = kvt::BaselineFromStream(in, "fuzz");
    kvt::TComparedKinds kinds;
    kinds.Modules = kinds.Endpoints = true;
    if (!kvt::CompareSnapshots(snapshot, snapshot, kinds).empty()) std::abort();
  } catch (const kvt::EBaselineError&) {
  }
  return 0;
}
