#pragma once
// The processes a run works on, as its selector names them.
#include <cstdint>
#include <vector>

#include "app/run_parameters.h"

namespace kvt {

class TqxProcessList;

// Every process without a selector, else those the id or name pattern names.
void SelectProcesses(TqxProcessList& list, const TSelector& selector);

// The program that handed this run on and waits for its end, when the list
// holds this program and it was started so; else 0.
uint32_t WaitingProgramId(const TqxProcessList& list);
// The processes that are this run: this program, and the one that handed it on.
std::vector<uint32_t> ThisRunsProcessIds(const TqxProcessList& list);

}  // namespace kvt
