#pragma once
// The reader of the IP helper's endpoint tables, as they come from the system.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "network/endpoint.h"
#include "os/layouts/endpoint_tables.h"

namespace kvt {

// Appends the rows of Reply (Size bytes, laid out as Layout) to Endpoints as
// endpoints of Protocol. False, with nothing appended, when the count of rows
// does not fit the reply.
bool ReadEndpointRows(const uint8_t* reply, size_t size, const TEndpointTableLayout& layout,
                      TEndpointProtocol protocol, std::vector<TEndpoint>& endpoints);

}  // namespace kvt
