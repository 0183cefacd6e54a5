#pragma once
// The handle table: /handles' text through the handle template, and the
// handle rows of every form.
#include "processes/handle_list.h"
#include "tables/table.h"

namespace kvt {

const TTable<TqxHandleItem>& HandleTable();

}  // namespace kvt
