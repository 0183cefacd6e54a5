#pragma once
// The hits of /find: the same columns in the text table and in every form.
#include "processes/find.h"
#include "tables/table.h"

namespace kvt {

const TTable<TqxFindItem>& FindTable();

}  // namespace kvt
