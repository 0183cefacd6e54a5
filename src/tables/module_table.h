#pragma once
// The module table: /modules' text through the module template, and the
// module rows of every form.
#include "processes/module_list.h"
#include "tables/table.h"

namespace kvt {

const TTable<TqxModuleItem>& ModuleTable();

}  // namespace kvt
