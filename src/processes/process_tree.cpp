#include "processes/process_tree.h"

#include <algorithm>
#include <unordered_map>
#include <utility>

namespace kvt {

TProcessForest::TProcessForest(const std::vector<TProcessTreeEntry>& entries)
    : entries_(entries), parents_(entries.size(), kNoParent), children_(entries.size()) {
  // Ids are unique among running processes; should one come twice, the first is the parent.
  std::unordered_map<uint32_t, size_t> byId;
  for (size_t i = 0; i < entries_.size(); ++i) byId.emplace(entries_[i].ProcessId, i);
  for (size_t i = 0; i < entries_.size(); ++i) {
    const auto parent = byId.find(entries_[i].ParentProcessId);
    if (parent == byId.end() || parent->second == i) continue;
    const uint64_t parentStart = entries_[parent->second].CreateTime;
    const uint64_t start = entries_[i].CreateTime;
    if (parentStart != 0 && start != 0 && parentStart > start) continue;  // the id was reused
    parents_[i] = parent->second;
  }
  CutCycles();
  for (size_t i = 0; i < entries_.size(); ++i)
    if (parents_[i] != kNoParent) children_[parents_[i]].push_back(i);
  for (std::vector<size_t>& children : children_) SortByStart(children);
}

// Each process is followed up its parents once: a walk ends at a root, at a
// process an earlier walk finished, or at one of its own path, which closes a
// cycle. So the whole takes one step per process.
void TProcessForest::CutCycles() {
  enum : char { kNew, kOnPath, kDone };
  std::vector<char> state(entries_.size(), kNew);
  std::vector<size_t> path;
  for (size_t first = 0; first < entries_.size(); ++first) {
    path.clear();
    size_t at = first;
    while (at != kNoParent && state[at] == kNew) {
      state[at] = kOnPath;
      path.push_back(at);
      at = parents_[at];
    }
    if (at != kNoParent && state[at] == kOnPath) {
      const auto cycle = std::find(path.begin(), path.end(), at);
      const size_t root = *std::min_element(
          cycle, path.end(), [this](size_t a, size_t b) { return StartsBefore(a, b); });
      parents_[root] = kNoParent;
    }
    for (const size_t done : path) state[done] = kDone;
  }
}

// Unknown times count as earliest; equal ones keep the entries' order.
bool TProcessForest::StartsBefore(size_t a, size_t b) const {
  return std::make_pair(entries_[a].CreateTime, a) < std::make_pair(entries_[b].CreateTime, b);
}

void TProcessForest::SortByStart(std::vector<size_t>& indexes) const {
  std::sort(indexes.begin(), indexes.end(),
            [this](size_t a, size_t b) { return StartsBefore(a, b); });
}

std::vector<TProcessTreeLine> TProcessForest::Walk(const std::vector<size_t>& tops,
                                                   bool childrenFirst) const {
  std::vector<char> isTop(entries_.size(), 0);
  for (const size_t top : tops) isTop[top] = 1;
  // A top below another top is reached from there. The links are free of
  // cycles now, so every climb ends at a root.
  std::vector<size_t> starts;
  for (size_t i = 0; i < entries_.size(); ++i) {
    if (!isTop[i]) continue;
    size_t above = parents_[i];
    while (above != kNoParent && !isTop[above]) above = parents_[above];
    if (above == kNoParent) starts.push_back(i);
  }
  SortByStart(starts);

  std::vector<TProcessTreeLine> lines;
  // Depth-first without recursion: each frame is a process and its next child.
  std::vector<std::pair<size_t, size_t>> stack;
  for (const size_t start : starts) {
    stack.emplace_back(start, 0);
    if (!childrenFirst) lines.push_back({start, 0});
    while (!stack.empty()) {
      const size_t at = stack.back().first;
      const int depth = static_cast<int>(stack.size()) - 1;
      if (stack.back().second < children_[at].size()) {
        const size_t child = children_[at][stack.back().second++];
        stack.emplace_back(child, 0);
        if (!childrenFirst) lines.push_back({child, depth + 1});
        continue;
      }
      if (childrenFirst) lines.push_back({at, depth});
      stack.pop_back();
    }
  }
  return lines;
}

}  // namespace kvt
