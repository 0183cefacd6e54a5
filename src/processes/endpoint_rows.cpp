#include "processes/endpoint_rows.h"

#include <unordered_set>

#include "network/endpoint_reader.h"
#include "processes/process_list.h"

namespace kvt {

bool TEndpointFilter::Keeps(const TEndpoint& endpoint) const {
  if (ListeningOnly && IsTcp(endpoint.Protocol) && endpoint.State != kTcpStateListen)
    return false;
  if (Port == 0) return true;
  return endpoint.LocalPort == Port || (IsTcp(endpoint.Protocol) && endpoint.RemotePort == Port);
}

const std::vector<TEndpointRow>& TEndpointRows::RowsOf(const TqxProcessItem& process) const {
  static const std::vector<TEndpointRow> kNone;
  const auto rows = OfProcess.find(&process);
  return rows == OfProcess.end() ? kNone : rows->second;
}

TEndpointRows SelectEndpointRows(TqxProcessList& list, const TEndpointFilter& filter,
                                 bool withUnowned) {
  TProcessContext& context = list.ProcessContext();
  TEndpointTables& tables = context.EndpointTables();
  TEndpointRows rows;
  rows.OwnersUnknown = tables.OwnersUnknown;
  std::unordered_map<uint32_t, TqxProcessItem*> selected;
  for (TqxProcessItem* process : list.SelectedItems()) selected.emplace(process->ProcessID, process);
  std::unordered_set<uint32_t> listed;
  for (int i = 0; i < list.Count(); ++i) listed.insert(list.Items(i).ProcessID);

  std::vector<TEndpoint*> kept;
  for (TEndpoint& endpoint : tables.Endpoints) {
    if (!filter.Keeps(endpoint)) continue;
    const auto owner = selected.find(endpoint.ProcessId);
    if (owner != selected.end()) {
      rows.OfProcess[owner->second].push_back({&endpoint, owner->second});
    } else if (withUnowned && listed.count(endpoint.ProcessId) == 0) {
      rows.Unowned.push_back({&endpoint, nullptr});
    } else {
      continue;
    }
    kept.push_back(&endpoint);
  }
  for (TqxProcessItem* process : list.SelectedItems())
    if (rows.OfProcess.count(process) > 0) rows.Processes.push_back(process);
  NameEndpointServices(context.Sys, kept, [&context]() -> const auto& {
    return context.ServiceProcesses();
  });
  for (TEndpoint* endpoint : kept)
    if (endpoint->CreateTime != 0)
      context.Sys.FileTimeToLocalFileTime(endpoint->CreateTime, &endpoint->LocalCreateTime);
  return rows;
}

}  // namespace kvt
