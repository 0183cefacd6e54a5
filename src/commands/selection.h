#pragma once
// The processes a run works on, as its selector names them.
#include "app/run_parameters.h"

namespace kvt {

class TqxProcessList;

// Every process without a selector, else those the id or name pattern names.
void SelectProcesses(TqxProcessList& list, const TSelector& selector);

}  // namespace kvt
