#pragma once
// The endpoints a run writes: those of each selected process, and those of
// no listed process, kept by the run's filter.
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "network/endpoint.h"

namespace kvt {

class TqxProcessItem;
class TqxProcessList;

// What /listening and /port keep.
struct TEndpointFilter {
  bool ListeningOnly = false;  // TCP listeners and UDP endpoints: a server's view
  uint16_t Port = 0;           // 0: any; else the local or the remote port
  bool Keeps(const TEndpoint& endpoint) const;
};

// One endpoint as a table row: with its owner where the owner is listed.
struct TEndpointRow {
  TEndpoint* Endpoint = nullptr;
  TqxProcessItem* Owner = nullptr;
};

struct TEndpointRows {
  // The selected processes that have kept endpoints, in selection order.
  std::vector<TqxProcessItem*> Processes;
  std::unordered_map<const TqxProcessItem*, std::vector<TEndpointRow>> OfProcess;
  // The kept endpoints whose owner is no listed process.
  std::vector<TEndpointRow> Unowned;
  bool OwnersUnknown = false;  // the system does not tell owners
  bool Empty() const { return Processes.empty() && Unowned.empty(); }
  const std::vector<TEndpointRow>& RowsOf(const TqxProcessItem& process) const;
};

// From the context's one read of the tables; the services named for the rows
// kept. WithUnowned: also the endpoints of no listed process (a run without
// a selector). Raises EEndpointTableError when the tables cannot be read.
TEndpointRows SelectEndpointRows(TqxProcessList& list, const TEndpointFilter& filter,
                                 bool withUnowned);

}  // namespace kvt
