#pragma once
// The endpoint table: /net's text and the endpoint rows of every form.
#include "processes/endpoint_rows.h"
#include "tables/table.h"

namespace kvt {

const TTable<TEndpointRow>& EndpointTable();

}  // namespace kvt
