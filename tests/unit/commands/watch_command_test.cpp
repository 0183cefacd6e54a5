// /watch on the scripted system: starts and ends as the reads see them.
#include <gtest/gtest.h>

#include "app/dispatcher.h"
#include "fake_processes.h"

namespace kvt {
namespace {

constexpr uint64_t kMillisecond = 10000;

// A web server and a shell run at the start; in the second pause the shell
// starts a tool, which ends in the fourth with exit code 7; in the fifth the
// web server ends and another process takes its id.
class WatchCommandTest : public ::testing::Test {
 protected:
  WatchCommandTest() {
    os.Version.dwMajorVersion = 10;
    os.Version.dwBuildNumber = 19045;
    os.CommandLineClassAnswered = true;
    os.Accounts["S-1-5-21-1000-2000-3000-1001"] = "EXAMPLE\\ann";
    os.OnPause = [this] {
      if (os.Pauses == 1) {
        TFakeProcess& tool = AddFakeProcess(os, 900, 600, "C:\\Apps\\tool.exe");
        tool.CreateTime = os.SystemTime;
        tool.CommandLine = "tool.exe --fast";
      } else if (os.Pauses == 3) {
        TFakeProcess& tool = *os.FindProcess(900);
        tool.Alive = false;
        tool.ExitCode = 7;
        tool.ExitTime = tool.CreateTime + 500 * kMillisecond;
      } else if (os.Pauses == 4) {
        os.FindProcess(700)->Alive = false;
        AddFakeProcess(os, 700, 600, "C:\\Apps\\other.exe").CreateTime = os.SystemTime;
      }
    };
  }
  // Every run starts from the two processes.
  int Run(const std::string& arguments) {
    os.Processes.clear();
    AddFakeProcess(os, 700, 4, "C:\\Apps\\web.exe").CreateTime = 1;
    AddFakeProcess(os, 600, 4, "C:\\Windows\\cmd.exe").CreateTime = 2;
    os.CommandLine = "kvtProc64.exe " + arguments;
    os.StdOut.clear();
    os.StdErr.clear();
    os.Pauses = 0;
    return RunProgram(os);
  }
  bool Shows(const std::string& text) const { return os.StdOut.find(text) != std::string::npos; }
  FakeOs os;
};

TEST_F(WatchCommandTest, StartsAndEndsAsTheyAreSeen) {
  EXPECT_EQ(Run("/watch /for 2"), 0);
  EXPECT_EQ(os.Pauses, 8);  // every 250 ms
  EXPECT_TRUE(Shows("\r\nWatching for processes that start or end; Ctrl+C ends.\r\n"));
  EXPECT_TRUE(Shows("08:00:00.500  Started  900    tool.exe                   parent 600 cmd.exe  "
                    "user EXAMPLE\\ann  command line tool.exe --fast\r\n"))
      << os.StdOut;
  EXPECT_TRUE(Shows("08:00:01.000  Ended    900    tool.exe                   exit code 7  ran "
                    "0:00:00.500\r\n"))
      << os.StdOut;
  // The same id for another process: the one end and the other start.
  EXPECT_TRUE(Shows("Ended    700    web.exe"));
  EXPECT_TRUE(Shows("Started  700    other.exe"));
  EXPECT_FALSE(Shows("Started  600")) << "running at the start";
  EXPECT_EQ(os.OpenHandleCount(), 1u);  // the stop event, kept as the platform keeps it
}

TEST_F(WatchCommandTest, TheSelectorAndTheForms) {
  EXPECT_EQ(Run("/watch tool.exe /for 2"), 0);
  EXPECT_TRUE(Shows("Started  900"));
  EXPECT_TRUE(Shows("Ended    900"));
  EXPECT_FALSE(Shows("700"));

  EXPECT_EQ(Run("/csv /watch tool.exe /for 2"), 0);
  EXPECT_EQ(os.StdOut,
            "Time,Event,PID,Filename,ParentPID,ParentFilename,User,CommandLine,ExitCode,RunSeconds\r\n"
            "2025-12-12T08:00:02Z,Started,900,tool.exe,600,cmd.exe,EXAMPLE\\ann,tool.exe --fast,,\r\n"
            "2025-12-12T08:00:03Z,Ended,900,tool.exe,,,,,7,0.500\r\n");

  EXPECT_EQ(Run("/json /watch tool.exe /for 2"), 0);
  EXPECT_TRUE(Shows("\"ExitCode\": 7, \"RunSeconds\": 0.500}\r\n")) << os.StdOut;
  EXPECT_TRUE(Shows("\"ParentID\": 600, \"ParentFilename\": \"cmd.exe\", ")) << os.StdOut;

  EXPECT_EQ(Run("/xml /watch"), 1);
  EXPECT_EQ(os.StdErr, "/xml writes one document at the end: give /watch a /for; nothing was done.\r\n");
  EXPECT_EQ(Run("/xml /watch /for 1"), 0);
  EXPECT_TRUE(Shows("<TqxWatchEvent Time=")) << os.StdOut;
}

}  // namespace
}  // namespace kvt
