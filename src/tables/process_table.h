#pragma once
// The process table: /list's text through the process template, and the
// process rows of every form.
#include "processes/process_list.h"
#include "tables/table.h"

namespace kvt {

const TTable<TqxProcessItem>& ProcessTable();

}  // namespace kvt
