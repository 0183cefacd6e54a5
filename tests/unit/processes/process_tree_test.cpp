#include "processes/process_tree.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kvt {
namespace {

// A walk as text: each process id behind a dot per level of depth.
std::string Render(const std::vector<TProcessTreeEntry>& entries,
                   const std::vector<TProcessTreeLine>& lines) {
  std::string text;
  for (const TProcessTreeLine& line : lines) {
    if (!text.empty()) text += ' ';
    text += std::string(static_cast<size_t>(line.Depth), '.') +
            std::to_string(entries[line.Index].ProcessId);
  }
  return text;
}

TEST(ProcessForest, ParentsByIdAndStartEachProcessOnce) {
  const struct {
    const char* Case;
    std::vector<TProcessTreeEntry> Entries;  // {id, parent id, start}
    std::vector<size_t> Tops;                // empty: every process
    const char* ParentsFirst;
    const char* ChildrenFirst;
  } kCases[] = {
      {"siblings in order of start, whatever the order of the entries",
       {{8, 4, 300}, {4, 0, 100}, {9, 4, 200}, {12, 9, 250}},
       {},
       "4 .9 ..12 .8",
       "..12 .9 .8 4"},
      {"a parent that started after the child holds a reused id",
       {{4, 0, 100}, {20, 4, 200}, {30, 20, 150}},
       {},
       "4 .20 30",
       ".20 4 30"},
      {"a missing parent and the process that names itself are roots",
       {{0, 0, 0}, {40, 77, 500}, {41, 40, 600}},
       {},
       "0 40 .41",
       "0 .41 40"},
      {"equal times count as started before, unknown ones do not separate",
       {{4, 0, 100}, {5, 4, 100}, {6, 5, 0}},
       {},
       "4 .5 ..6",
       "..6 .5 4"},
      {"a cycle of two with equal times is cut at the first entry",
       {{1, 2, 50}, {2, 1, 50}, {3, 2, 60}},
       {},
       "1 .2 ..3",
       "..3 .2 1"},
      {"a cycle of three with unknown times, below a root, is cut at its earliest entry",
       {{10, 0, 5}, {11, 13, 0}, {12, 11, 0}, {13, 12, 0}, {14, 10, 6}},
       {},
       "11 .12 ..13 10 .14",
       "..13 .12 11 .14 10"},
      {"a selected process below another selected one is walked once, depth from the top",
       {{4, 0, 100}, {20, 4, 200}, {30, 20, 300}, {31, 20, 310}, {50, 0, 50}},
       {1, 2, 3},
       "20 .30 .31",
       ".30 .31 20"},
      {"selected processes in separate trees, each from depth 0",
       {{4, 0, 100}, {20, 4, 200}, {30, 20, 300}, {50, 0, 50}, {51, 50, 60}},
       {2, 3},
       "50 .51 30",
       ".51 50 30"},
  };
  for (const auto& c : kCases) {
    const TProcessForest forest(c.Entries);
    std::vector<size_t> tops = c.Tops;
    if (tops.empty())
      for (size_t i = 0; i < c.Entries.size(); ++i) tops.push_back(i);
    EXPECT_EQ(Render(c.Entries, forest.Walk(tops, false)), c.ParentsFirst) << c.Case;
    EXPECT_EQ(Render(c.Entries, forest.Walk(tops, true)), c.ChildrenFirst) << c.Case;
  }
}

}  // namespace
}  // namespace kvt
