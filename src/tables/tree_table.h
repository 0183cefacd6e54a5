#pragma once
// The tree: /tree's indented lines, and the depth a form's process rows gain
// with /tree.
#include "processes/process_list.h"
#include "tables/table.h"

namespace kvt {

const TTable<TqxProcessItem>& TreeTable();

}  // namespace kvt
