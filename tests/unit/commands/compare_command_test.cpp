// /compare end to end on the fake system: a document written, the system
// changed, the document compared with it.
#include <gtest/gtest.h>

#include "app/dispatcher.h"
#include "commands/commands.h"
#include "fake_processes.h"

namespace kvt {
namespace {

// Services, this program, two hosts with their modules, and one program.
struct TScene {
  TScene() {
    AddFakeProcess(os, 4, 0, "C:\\Windows\\system32\\services.exe");
    AddFakeProcess(os, 100, 4, "C:\\Tools\\kvtProc.exe");  // this program
    for (const uint32_t id : {612u, 640u}) {
      TFakeProcess& host = AddFakeProcess(os, id, 4, "C:\\Windows\\system32\\svchost.exe");
      AddFakeModule(host, "C:\\Windows\\system32\\svchost.exe", 0x400000, 0x1000);
    }
    AddFakeProcess(os, 700, 4, "C:\\Apps\\old.exe");
    os.File("C:\\Windows\\system32\\svchost.exe").Bytes = "host";
    os.File("C:\\Apps\\old.exe").Bytes = "old";
  }

  int RunKvt(const std::string& commandLine) {
    os.CommandLine = commandLine;
    os.StdOut.clear();
    os.StdErr.clear();
    return RunProgram(os);
  }
  // Writes the document of Form as the baseline File.
  void Save(const std::string& form, const std::string& file) {
    ASSERT_EQ(RunKvt("kvtProc.exe " + form), 0) << os.StdErr;
    os.File(file).Bytes = os.StdOut;
  }
  bool Says(const std::string& line) const { return os.StdOut.find(line + "\r\n") != std::string::npos; }

  FakeOs os;
};

class CompareCommandTest : public ::testing::Test, public TScene {};

TEST_F(CompareCommandTest, EachKindOfChangeInBothDocuments) {
  for (const char* form : {"/xml", "/json"}) {
    SCOPED_TRACE(form);
    TScene fresh;
    FakeOs& os = fresh.os;
    fresh.Save(std::string(form) + " /list /modules", "C:\\base");
    // Id 700 ends and its id goes to another file; a third svchost.exe
    // starts; the file of the hosts changes; one host loads a library.
    os.Processes.back().ModulePath = "C:\\Apps\\new.exe";
    os.Processes.back().ExeFile = "new.exe";
    os.File("C:\\Apps\\new.exe").Bytes = "new";
    AddFakeModule(AddFakeProcess(os, 660, 4, "C:\\Windows\\system32\\svchost.exe"),
                  "C:\\Windows\\system32\\svchost.exe", 0x400000, 0x1000);
    os.File("C:\\Windows\\system32\\svchost.exe").Bytes = "host, built again";
    AddFakeModule(os.Processes[2], "C:\\Windows\\system32\\extra.dll", 0x500000, 0x1000);
    os.CurrentProcessId = 101;  // another run of this program
    os.Processes[1].Id = 101;

    EXPECT_EQ(fresh.RunKvt("kvtProc.exe /compare C:\\base"), kExitDiffers) << os.StdErr;
    EXPECT_TRUE(fresh.Says("+  660     svchost.exe               C:\\Windows\\system32\\svchost.exe")) << os.StdOut;
    EXPECT_TRUE(fresh.Says("+  700     new.exe                   C:\\Apps\\new.exe"));
    EXPECT_TRUE(fresh.Says("-  700     old.exe                   C:\\Apps\\old.exe"));
    EXPECT_TRUE(fresh.Says("+  612     svchost.exe               C:\\Windows\\system32\\extra.dll"));
    EXPECT_NE(os.StdOut.find("C:\\Windows\\system32\\svchost.exe  Filesize: 4 -> 17"), std::string::npos);
    EXPECT_NE(os.StdOut.find("C:\\Windows\\system32\\svchost.exe  SHA256: "), std::string::npos);
    EXPECT_TRUE(fresh.Says("Since 2025-12-12T08:00:00Z on FAKE-PC: 2 processes started, 1 ended, "
                           "1 file changed, 1 module loaded, 0 gone."));
    EXPECT_EQ(os.StdOut.find("kvtProc.exe  "), std::string::npos) << "this program is left out";
  }
}

TEST_F(CompareCommandTest, NothingChangedAndTheBaselinesSelector) {
  Save("/xml /list svchost.exe", "C:\\hosts.xml");
  AddFakeProcess(os, 800, 4, "C:\\Apps\\later.exe");  // not a svchost.exe: not compared
  EXPECT_EQ(RunKvt("kvtProc.exe /compare C:\\hosts.xml"), kExitDone) << os.StdErr;
  EXPECT_TRUE(Says("Processes started (+) and ended (-):\r\nnone"));
  EXPECT_NE(os.StdOut.find("taken by kvtProc 0.1 (/xml /list svchost.exe)"), std::string::npos);
}

TEST_F(CompareCommandTest, TheFormsWriteOneTableOfChanges) {
  Save("/json /list", "C:\\base.json");
  os.Processes.pop_back();
  EXPECT_EQ(RunKvt("kvtProc.exe /csv /compare C:\\base.json"), kExitDiffers);
  EXPECT_EQ(os.StdOut,
            "Change,Kind,PID,Filename,Path,Field,Baseline,Now\r\n"
            "-,Process,700,old.exe,C:\\Apps\\old.exe,,,\r\n");
  EXPECT_EQ(RunKvt("kvtProc.exe /json /compare C:\\base.json"), kExitDiffers);
  EXPECT_NE(os.StdOut.find("\"BaselineMachine\": \"FAKE-PC\""), std::string::npos);
  EXPECT_NE(os.StdOut.find("\"Change\": \"-\",\r\n      \"Kind\": \"Process\",\r\n      \"ProcessID\": 700"),
            std::string::npos) << os.StdOut;
}

TEST_F(CompareCommandTest, ABaselineThatCannotBeComparedWithWritesNothingButWhy) {
  Save("/xml /list", "C:\\good.xml");
  const std::string good = os.File("C:\\good.xml").Bytes;
  Save("/json /list", "C:\\good.json");
  const std::string goodJson = os.File("C:\\good.json").Bytes;
  os.File("C:\\big.xml").ReportedSize = int64_t{257} << 20;
  const struct {
    const char* File;
    std::string Bytes;  // empty: as set up
    const char* Said;
  } cases[] = {
      {"C:\\missing.xml", "", "Cannot open the baseline C:\\missing.xml"},
      {"C:\\cut.xml", good.substr(0, good.size() / 2), "at offset"},
      {"C:\\cut.json", goodJson.substr(0, goodJson.size() / 2), "parse error at line"},
      {"C:\\page.xml", "<html><body/></html>", "its root element is not Vantora"},
      {"C:\\other.json", "{\"name\": \"value\"}", "neither a process list nor an endpoint list"},
      {"C:\\array.json", "[1, 2]", "its root is no object"},
      {"C:\\scalars.json", "{\"TqxProcessList\": [1]}", "a list holds a value"},
      {"C:\\deep.json", "{\"TqxProcessList\": [{\"TqxModuleList\": [{\"TqxModuleList\": []}]}]}",
       "stands where none does"},
      {"C:\\text.txt", "PID,PPID\r\n", "neither XML nor JSON"},
      {"C:\\big.xml", "", "over 256 MiB"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.File);
    if (!c.Bytes.empty()) os.File(c.File).Bytes = c.Bytes;
    EXPECT_EQ(RunKvt(std::string("kvtProc.exe /compare ") + c.File), kExitRefused);
    EXPECT_EQ(os.StdOut, "");
    EXPECT_NE(os.StdErr.find(c.Said), std::string::npos) << os.StdErr;
  }
  EXPECT_EQ(RunKvt("kvtProc.exe /compare"), kExitRefused);
  EXPECT_NE(os.StdErr.find("/compare takes the file"), std::string::npos);
}

}  // namespace
}  // namespace kvt
