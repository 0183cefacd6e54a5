// /tree and /killtree on a test child that starts two children and a grandchild.
#include <gtest/gtest.h>
#include <windows.h>
#include <tlhelp32.h>

#include <algorithm>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "e2e_support.h"

namespace kvt_e2e {
namespace {

const std::string kTreeChild = "kvt_tree_child.exe";

// The processes of a tree child's tree, opened so that their ids stay
// theirs; ended when the test is over, whatever it did.
class TProcessTree {
 public:
  // Waits for Count processes below and including Top, by the parent ids of
  // the system's snapshot: 10 s at the most.
  TProcessTree(DWORD top, size_t count) {
    for (int attempt = 0; attempt < 100 && parents_.size() < count; ++attempt) {
      if (attempt > 0) Sleep(100);
      Collect(top);
    }
    for (const auto& process : parents_)
      handles_.push_back(OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, process.first));
  }
  ~TProcessTree() {
    for (HANDLE process : handles_) {
      if (process == nullptr) continue;
      TerminateProcess(process, 0);
      CloseHandle(process);
    }
  }
  TProcessTree(const TProcessTree&) = delete;
  TProcessTree& operator=(const TProcessTree&) = delete;

  // Each process of the tree by id, with its parent's.
  const std::map<DWORD, DWORD>& Parents() const { return parents_; }
  bool AllEnded() const {
    for (HANDLE process : handles_)
      if (process == nullptr || WaitForSingleObject(process, 5000) != WAIT_OBJECT_0) return false;
    return true;
  }

 private:
  void Collect(DWORD top) {
    std::map<DWORD, DWORD> all;
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry))
      all[entry.th32ProcessID] = entry.th32ParentProcessID;
    CloseHandle(snapshot);
    parents_.clear();
    parents_[top] = all[top];
    for (bool grown = true; grown;) {
      grown = false;
      for (const auto& process : all)
        if (parents_.count(process.second) > 0 && process.first != top &&
            parents_.emplace(process.first, process.second).second)
          grown = true;
    }
  }

  std::map<DWORD, DWORD> parents_;
  std::vector<HANDLE> handles_;
};

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  for (size_t start = 0; start < text.size();) {
    const size_t end = text.find("\r\n", start);
    if (end == std::string::npos) break;
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

TEST(Tree, EachChildIsIndentedUnderItsParent) {
  TChildProcess top(kTreeChild, "2");
  const TProcessTree tree(top.Pid(), 4);
  ASSERT_EQ(tree.Parents().size(), 4u);
  const TRunResult run = RunKvtProc("/tree " + std::to_string(top.Pid()));
  ASSERT_EQ(run.ExitCode, 0u) << run.Err;
  const std::vector<std::string> lines = Lines(run.Out);
  const auto title = std::find(lines.begin(), lines.end(), "Process tree:");
  ASSERT_EQ(lines.end() - title, 5) << run.Out;
  // Each line: two blanks a level, the id, two blanks and the file name.
  std::map<DWORD, std::pair<size_t, size_t>> shown;  // id: line, depth
  for (size_t i = 1; i < 5; ++i) {
    const std::string& line = title[static_cast<std::ptrdiff_t>(i)];
    const size_t indent = line.find_first_not_of(' ');
    std::istringstream fields(line.substr(indent));
    DWORD pid = 0;
    std::string name;
    fields >> pid >> name;
    EXPECT_EQ(name, kTreeChild) << line;
    EXPECT_EQ(indent % 2, 0u) << line;
    shown[pid] = {i, indent / 2};
  }
  ASSERT_EQ(shown.size(), 4u) << run.Out;
  EXPECT_EQ(shown[top.Pid()], std::make_pair(size_t{1}, size_t{0})) << run.Out;
  // Its command line follows the name.
  EXPECT_EQ(title[1], std::to_string(top.Pid()) + "  " + kTreeChild + "  \"" + top.Path() + "\" 2");
  for (const auto& process : tree.Parents()) {
    if (process.first == top.Pid()) continue;
    const auto& child = shown[process.first];
    const auto& parent = shown[process.second];
    EXPECT_GT(child.first, parent.first) << process.first << " comes after its parent\n" << run.Out;
    EXPECT_EQ(child.second, parent.second + 1) << process.first << "\n" << run.Out;
  }
}

TEST(Tree, KillTreeEndsTheChildrenAndTheGrandchildBeforeTheParent) {
  TChildProcess top(kTreeChild, "2");
  const TProcessTree tree(top.Pid(), 4);
  ASSERT_EQ(tree.Parents().size(), 4u);
  const std::string pid = std::to_string(top.Pid());
  const TRunResult run = RunKvtProc("/killtree " + pid);
  EXPECT_EQ(run.ExitCode, 0u) << run.Err;
  const std::vector<std::string> lines = Lines(run.Out);
  const auto head = std::find(lines.begin(), lines.end(),
                              "Trying to kill process with PID " + pid + " and its descendants...");
  ASSERT_EQ(lines.end() - head, 11) << run.Out;  // the count, the header, two lines a process
  EXPECT_EQ(head[1], "4 matches found:");
  for (std::ptrdiff_t i = 3; i < 11; i += 2) EXPECT_EQ(head[i + 1], "Terminated.") << run.Out;
  // The parent comes last.
  EXPECT_EQ(head[9].find(std::string(4 - std::min<size_t>(4, pid.size()), ' ') + pid + "  "), 0u)
      << run.Out;
  EXPECT_TRUE(tree.AllEnded());
}

}  // namespace
}  // namespace kvt_e2e
