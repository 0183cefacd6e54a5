#pragma once
// How and by whom each process runs: /details' labelled facts, and the
// columns a form's process rows gain with /details.
#include "processes/process_list.h"
#include "tables/table.h"

namespace kvt {

const TTable<TqxProcessItem>& DetailTable();

}  // namespace kvt
