// /tree and /killtree over a scripted system: 300 started the rest; 400 was
// given the id of a parent that ended before it started.
#include <gtest/gtest.h>

#include "app/dispatcher.h"
#include "expected_texts.h"
#include "fake_processes.h"
#include "support/format.h"

namespace kvt {
namespace {

class TreeCommandsTest : public ::testing::Test {
 protected:
  TreeCommandsTest() {
    Add(4, 0, "C:\\Windows\\system32\\ntoskrnl.exe", 10);
    Add(300, 4, "C:\\Apps\\shell.exe", 100).CommandLine = "shell.exe /s";
    Add(310, 300, "C:\\Apps\\worker.exe", 110).CommandLine = "worker \"\xD0\xBF 1\"";
    Add(320, 300, "C:\\Apps\\helper.exe", 120);
    Add(311, 310, "C:\\Apps\\worker.exe", 130);
    Add(400, 320, "C:\\Apps\\orphan.exe", 90);  // 320 is a later process with its parent's id
  }
  TFakeProcess& Add(uint32_t id, uint32_t parent, const std::string& path, uint64_t start) {
    TFakeProcess& process = AddFakeProcess(os, id, parent, path);
    process.CreateTime = start;
    return process;
  }
  bool Alive(uint32_t id) const {
    for (const TFakeProcess& process : os.Processes)
      if (process.Id == id) return process.Alive;
    return false;
  }
  const std::string& Run(const std::string& commandLine) {
    os.CommandLine = commandLine;
    os.StdOut.clear();
    EXPECT_EQ(RunProgram(os), 0) << commandLine;
    return os.StdOut;
  }
  static std::string Tail(const std::string& text, const std::string& from) {
    const size_t at = text.find(from);
    return at == std::string::npos ? "(no \"" + from + "\" in)\n" + text : text.substr(at);
  }
  FakeOs os;
};

TEST_F(TreeCommandsTest, TreeIndentsEachProcessUnderItsParentInOrderOfStart) {
  EXPECT_EQ(Tail(Run("kvtProc.exe /tree 300"), "Process tree:"),
            "Process tree:\r\n"
            "300  shell.exe  shell.exe /s\r\n"
            "  310  worker.exe  worker \"? 1\"\r\n"  // a pipe takes the ANSI code page
            "    311  worker.exe\r\n"
            "  320  helper.exe\r\n");
  // Without a selector every root, 400 among them; no command line, nothing after the name.
  EXPECT_NE(Run("kvtProc.exe /tree").find("\r\n400  orphan.exe\r\n"), std::string::npos)
      << os.StdOut;
  // The tree and the details share one read of the system's process information.
  os.Calls.clear();
  Run("kvtProc.exe /details 300");
  const size_t detailsReads = os.CallCount("NtQuerySystemInformation");
  os.Calls.clear();
  Run("kvtProc.exe /tree /details 300");
  EXPECT_EQ(os.CallCount("NtQuerySystemInformation"), detailsReads);
}

TEST_F(TreeCommandsTest, FormsWriteTheRowsInTreeOrderWithTheirDepth) {
  const std::string& csv = Run("kvtProc.exe /csv /tree worker.exe");
  EXPECT_EQ(csv.substr(0, csv.find("\r\n")),
            "PID,PPID,Filename,Path,Description,Version,Company,Size,MD5,SHA256,Depth");
  EXPECT_NE(csv.find("\r\n310,300,worker.exe,C:\\Apps\\worker.exe,,,,,,,0\r\n"
                     "311,310,worker.exe,C:\\Apps\\worker.exe,,,,,,,1\r\n"),
            std::string::npos)
      << csv;
  EXPECT_EQ(csv.find("\r\n311,", csv.find("\r\n311,") + 1), std::string::npos) << "once: " << csv;
  EXPECT_NE(Run("kvtProc.exe /xml /tree 300").find("ProcessID=\"311\" ParentID=\"310\""),
            std::string::npos);
  EXPECT_NE(os.StdOut.find("SHA256=\"\" Depth=\"2\""), std::string::npos) << os.StdOut;
  EXPECT_NE(Run("kvtProc.exe /json /tree 300").find("\"Depth\": 2\r\n"), std::string::npos)
      << os.StdOut;
}

TEST_F(TreeCommandsTest, KillTreeEndsTheDescendantsFirstAndSparesThisProgram) {
  Add(os.CurrentProcessId, 311, "C:\\Tools\\kvtProc.exe", 200);
  const std::string& out = Run("kvtProc.exe /killtree shell.exe");
  const auto line = [](uint32_t pid, const char* name, uint32_t parent, const char* path) {
    return Format("%4u  %-25s  (%4u)  %-20s  %-16s  %-22s  %s\r\n", pid, name, parent, "", "", "",
                  path);
  };
  EXPECT_EQ(Tail(out, "Trying"),
            "Trying to kill processes with filename \"shell.exe\" and their descendants...\r\n"
            "5 matches found:\r\n" +
                std::string(kvt_expected::kProcessHeader) +
                line(100, "kvtProc.exe", 311, "C:\\Tools\\") +
                "Not terminated: it is this program.\r\n" +
                line(311, "worker.exe", 310, "C:\\Apps\\") + "Terminated.\r\n" +
                line(310, "worker.exe", 300, "C:\\Apps\\") + "Terminated.\r\n" +
                line(320, "helper.exe", 300, "C:\\Apps\\") + "Terminated.\r\n" +
                line(300, "shell.exe", 4, "C:\\Apps\\") + "Terminated.\r\n");
  for (uint32_t id : {300u, 310u, 311u, 320u}) EXPECT_FALSE(Alive(id)) << id;
  EXPECT_TRUE(Alive(os.CurrentProcessId));
  EXPECT_TRUE(Alive(400));  // its parent id is 320's, but not its parent
  EXPECT_TRUE(Alive(4));
}

TEST_F(TreeCommandsTest, KillTreeWithoutASelectorOrWithAFormEndsNothing) {
  for (const char* line : {"kvtProc.exe /killtree", "kvtProc.exe /killtree \"<bm>\"",
                           "kvtProc.exe /killtree *"}) {
    os.CommandLine = line;
    os.StdErr.clear();
    EXPECT_EQ(RunProgram(os), 1) << line;
    const std::string said = "nothing was terminated.\r\n";
    EXPECT_EQ(os.StdErr.substr(0, 10), "/killtree ") << line;
    EXPECT_EQ(os.StdErr.substr(os.StdErr.size() - said.size()), said) << line;
  }
  for (const char* line : {"kvtProc.exe /killtree 300 /csv", "kvtProc.exe /json /killtree 300"}) {
    os.CommandLine = line;
    os.StdErr.clear();
    EXPECT_EQ(RunProgram(os), 1) << line;
    EXPECT_EQ(os.StdErr,
              "/killtree cannot be combined with /csv, /xml or /json; nothing was terminated.\r\n");
  }
  for (const TFakeProcess& process : os.Processes) EXPECT_TRUE(process.Alive) << process.Id;
}

}  // namespace
}  // namespace kvt
