#include "processes/tree_order.h"

#include <unordered_map>
#include <unordered_set>

#include "native/process_information.h"
#include "processes/process_list.h"
#include "processes/process_tree.h"

namespace kvt {

std::vector<TTreeItem> SelectedTrees(TqxProcessList& list, bool childrenFirst) {
  std::unordered_map<uint32_t, uint64_t> startById;
  if (const auto* information = list.ProcessContext().ProcessInformation())
    for (const TProcessInformationEntry& process : *information)
      startById.emplace(process.ProcessId, process.CreateTime);

  std::vector<TProcessTreeEntry> entries;
  for (int i = 0; i < list.Count(); ++i) {
    const TqxProcessItem& item = list.Items(i);
    const auto start = startById.find(item.ProcessID);
    entries.push_back({item.ProcessID, item.ParentID, start == startById.end() ? 0 : start->second});
  }
  const std::unordered_set<const TqxProcessItem*> selected(list.SelectedItems().begin(),
                                                           list.SelectedItems().end());
  std::vector<size_t> tops;
  for (int i = 0; i < list.Count(); ++i)
    if (selected.count(&list.Items(i)) > 0) tops.push_back(static_cast<size_t>(i));

  std::vector<TTreeItem> items;
  for (const TProcessTreeLine& line : TProcessForest(entries).Walk(tops, childrenFirst))
    items.push_back({&list.Items(static_cast<int>(line.Index)), line.Depth});
  return items;
}

}  // namespace kvt
