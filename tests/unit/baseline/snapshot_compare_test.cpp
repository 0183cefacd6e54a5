#include "baseline/snapshot_compare.h"

#include <gtest/gtest.h>

namespace kvt {
namespace {

TSnapshotProcess Process(uint32_t id, const std::string& path, const std::string& commandLine = "") {
  TSnapshotProcess process;
  process.ProcessId = id;
  process.Path = path;
  process.HasDetails = !commandLine.empty();
  process.CommandLine = commandLine;
  return process;
}

// Each change as "+ 12 C:\x.exe".
std::vector<std::string> Lines(const std::vector<TChange>& changes) {
  std::vector<std::string> lines;
  for (const TChange& change : changes)
    lines.push_back(std::string(1, change.Sign) + " " + std::to_string(change.ProcessId) + " " +
                    change.Path + (change.Field.empty() ? "" : " " + change.Field) +
                    (change.Sign == '~' ? " " + change.Baseline + ">" + change.Now : "") +
                    (change.Kind == TChangeKind::Endpoint ? " " + change.Baseline + change.Now : ""));
  return lines;
}

TEST(SnapshotCompare, ProcessesAreMatchedByWhatTheyAreNotByTheirIds) {
  const std::string host = "C:\\W\\svchost.exe";
  const struct {
    const char* Case;
    std::vector<TSnapshotProcess> Then, Now;
    std::vector<std::string> Changes;
  } cases[] = {
      {"an id given again to another file", {Process(8, "C:\\a.exe")}, {Process(8, "C:\\b.exe")},
       {"+ 8 C:\\b.exe", "- 8 C:\\a.exe"}},
      {"the same file under another id and case", {Process(8, "C:\\a.exe")}, {Process(9, "c:\\A.EXE")}, {}},
      {"three hosts then, four now", {Process(1, host), Process(2, host), Process(3, host)},
       {Process(1, host), Process(2, host), Process(3, host), Process(4, host)}, {"+ 4 " + host}},
      {"one host ended, another took its id", {Process(1, host), Process(2, host)}, {Process(2, host)},
       {"- 1 " + host}},
      {"ended whose id lives on elsewhere", {Process(1, host), Process(2, host)},
       {Process(1, host), Process(7, host)}, {}},
      {"the command line tells hosts apart", {Process(1, host, "-k a"), Process(2, host, "-k b")},
       {Process(1, host, "-k a"), Process(3, host, "-k a")},
       {"+ 3 " + host, "- 2 " + host}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Case);
    TSnapshot then, now;
    then.Processes = c.Then;
    now.Processes = c.Now;
    EXPECT_EQ(Lines(CompareSnapshots(then, now, TComparedKinds())), c.Changes);
  }
}

TEST(SnapshotCompare, FilesModulesAndListeningEndpointsOfProcessesInBoth) {
  TSnapshot then, now;
  then.Processes = {Process(1, "C:\\s.exe"), Process(2, "C:\\gone.exe")};
  now.Processes = {Process(5, "C:\\s.exe")};
  then.Processes[0].File.Take("SHA256", "AA");
  then.Processes[0].File.Take("FileVersion", "1.0");
  now.Processes[0].File.Take("SHA256", "BB");
  now.Processes[0].File.Take("FileVersion", "1.0");
  now.Processes[0].File.Take("Signature", "Signed");  // not read then: not compared
  then.Processes[0].Modules = {{"C:\\s.exe", {}}, {"C:\\old.dll", {}}};
  now.Processes[0].Modules = {{"C:\\s.exe", {}}, {"C:\\new.dll", {}}};
  // A process whose modules could not be read now loses none.
  then.Processes[1].Modules = {{"C:\\gone.dll", {}}};
  then.Processes[0].Listening = {{"TCP", "0.0.0.0", "80"}};
  now.Processes[0].Listening = {{"TCP", "0.0.0.0", "80"}, {"UDP", "::", "53"}};
  then.UnownedListening = {{"TCP", "127.0.0.1", "9"}};
  TComparedKinds kinds;
  kinds.Modules = kinds.Endpoints = true;
  EXPECT_EQ(Lines(CompareSnapshots(then, now, kinds)),
            (std::vector<std::string>{"- 2 C:\\gone.exe", "~ 5 C:\\s.exe SHA256 AA>BB",
                                      "+ 5 C:\\new.dll", "- 1 C:\\old.dll",
                                      "+ 5 C:\\s.exe Endpoint UDP [::]:53",
                                      "- 0  Endpoint TCP 127.0.0.1:9"}));
}

}  // namespace
}  // namespace kvt
