#pragma once
// The system's endpoint tables, TCP and UDP over IPv4 and IPv6, read once.
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "network/endpoint.h"
#include "os/os.h"
#include "support/errors.h"

namespace kvt {

class EEndpointTableError : public ESystemTableError {
 public:
  using ESystemTableError::ESystemTableError;
  const char* ClassName() const override { return "EEndpointTableError"; }
};

struct TEndpointTables {
  std::vector<TEndpoint> Endpoints;
  // This Windows has no call that tells the owners of its endpoints.
  bool OwnersUnknown = false;
};

// Each table once: the richest class the system gives (owner and module,
// else owner alone), the size asked first. A system that refuses the IPv6
// tables gives the IPv4 ones alone. Raises EEndpointTableError when an IPv4
// table cannot be read, or keeps growing between the size and the read.
TEndpointTables ReadEndpointTables(Os& os);

// The services each process hosts, by process id; asked for only when an
// endpoint's tag names none.
using TServicesOfProcesses = std::function<const std::map<uint32_t, std::vector<std::string>>&()>;

// Names the service that owns each of Endpoints: the one its tag names, else
// the only service its process hosts.
void NameEndpointServices(Os& os, const std::vector<TEndpoint*>& endpoints,
                          const TServicesOfProcesses& services);

}  // namespace kvt
