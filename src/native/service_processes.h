#pragma once
// The services that run in each process, from one enumeration of the
// service manager per run.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "os/os.h"

namespace kvt {

// Service names by the id of the process they run in, in the manager's
// order; empty where the enumeration is missing (NT 4.0) or refused.
std::map<uint32_t, std::vector<std::string>> ReadServiceProcesses(Os& os);

}  // namespace kvt
