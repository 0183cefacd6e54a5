#pragma once
// The listed processes in the order of who started whom.
#include <vector>

namespace kvt {

class TqxProcessItem;
class TqxProcessList;

struct TTreeItem {
  TqxProcessItem* Item = nullptr;
  int Depth = 0;  // below the selected process the line belongs to
};

// The selected processes with their listed descendants, each once, by the
// rule of TProcessForest (process_tree.h), with the start times of one read
// of the system's process information; without it the parent ids alone
// decide. Parents first, or with ChildrenFirst each process after all of its
// descendants.
std::vector<TTreeItem> SelectedTrees(TqxProcessList& list, bool childrenFirst);

}  // namespace kvt
