// /top on the scripted system: frames of CPU shares, their forms, and the
// bounds of /interval and /for.
#include <gtest/gtest.h>

#include "app/dispatcher.h"
#include "fake_processes.h"

namespace kvt {
namespace {

// A busy web server and an idle helper; each pause of the scripted clock
// gives the server half of one of the two processors.
class TopCommandTest : public ::testing::Test {
 protected:
  TopCommandTest() {
    os.Version.dwMajorVersion = 10;
    os.Version.dwBuildNumber = 19045;
    AddFakeProcess(os, 700, 4, "C:\\Apps\\web.exe").CreateTime = 1;
    AddFakeProcess(os, 701, 4, "C:\\Apps\\idle.exe").CreateTime = 2;
    os.OnPause = [this] {
      os.Processes[0].UserTime += 5000000;  // 0.5 s of each second
      os.Processes[0].ReadBytes += 2048;
    };
  }
  int Run(const std::string& arguments) {
    os.CommandLine = "kvtProc64.exe " + arguments;
    os.StdOut.clear();
    os.StdErr.clear();
    os.Pauses = 0;
    return RunProgram(os);
  }
  size_t Count(const std::string& text) const {
    size_t count = 0;
    for (size_t at = os.StdOut.find(text); at != std::string::npos; at = os.StdOut.find(text, at + 1))
      ++count;
    return count;
  }
  FakeOs os;
};

TEST_F(TopCommandTest, AFrameSortedByCpuWithItsTotal) {
  EXPECT_EQ(Run("/top"), 0);
  const size_t head = os.StdOut.find(
      "Processes by CPU:\r\nPID    Filename                   CPU %  CPU time      Working set  "
      "Private bytes  Read/s      Write/s     Threads  Handles\r\n");
  ASSERT_NE(head, std::string::npos) << os.StdOut;
  const size_t web = os.StdOut.find("700    web.exe                    25.0   0:00:00.500", head);
  const size_t idle = os.StdOut.find("701    idle.exe                   0.0", head);
  EXPECT_NE(web, std::string::npos) << os.StdOut;
  EXPECT_LT(web, idle);
  EXPECT_NE(os.StdOut.find("2048        0"), std::string::npos) << os.StdOut;
  EXPECT_NE(os.StdOut.find("\r\nTotal: 25.0 % of the CPU busy, 2 processes\r\n"), std::string::npos);
  EXPECT_EQ(os.Pauses, 1);

  EXPECT_EQ(Run("/top idle.exe /interval 500 /for 3"), 0);
  EXPECT_EQ(os.Pauses, 6);
  EXPECT_EQ(Count("Processes by CPU:"), 6u);
  EXPECT_EQ(Count("web.exe"), 0u);
  // Ctrl+C in the third pause ends the run at once, as a success.
  os.StopAfterPauses = 3;
  EXPECT_EQ(Run("/top /for 10"), 0);
  EXPECT_EQ(Count("Processes by CPU:"), 2u);
}

TEST_F(TopCommandTest, OnAConsoleEachFrameTakesThePlaceOfTheOneBefore) {
  os.StdOutIsConsole = true;
  os.Screen.CursorY = 4;
  os.Screen.WindowHeight = 6;  // room for one row
  AddFakeProcess(os, 702, 4, "C:\\Apps\\more.exe");
  EXPECT_EQ(Run("/top /for 2"), 0);
  EXPECT_EQ(os.CallCount("SetConsoleCursorPosition"), 2u);
  // The banner's four lines, then each frame of six lines in the same place.
  EXPECT_EQ(os.Screen.CursorY, 4 + 4 + 6);
  EXPECT_EQ(os.Console.find("idle.exe"), std::string::npos);  // web.exe's row alone
}

TEST_F(TopCommandTest, FormsStreamTheFrames) {
  EXPECT_EQ(Run("/csv /top /for 2"), 0);
  EXPECT_EQ(os.StdOut.rfind("Time,PID,Filename,CpuPercent,CpuSeconds,WorkingSet,PrivateBytes,"
                            "ReadPerSecond,WritePerSecond,Threads,Handles\r\n", 0),
            0u);
  EXPECT_EQ(Count(",700,web.exe,25.0,"), 2u);
  EXPECT_EQ(Count("Time,"), 1u);

  EXPECT_EQ(Run("/json /top /for 2"), 0);
  EXPECT_EQ(Count("\r\n"), 2u);  // a document per line
  EXPECT_EQ(os.StdOut.rfind("{\"Time\": \"2025-12-12T08:00:0", 0), 0u) << os.StdOut;
  EXPECT_NE(os.StdOut.find("\"ProcessID\": 700, \"Filename\": \"web.exe\", \"CpuPercent\": 25.0,"),
            std::string::npos)
      << os.StdOut;

  EXPECT_EQ(Run("/xml /top"), 0);
  EXPECT_NE(os.StdOut.find("<TqxTopFrame Time=\"2025-12-12T08:00:0"), std::string::npos) << os.StdOut;
  EXPECT_NE(os.StdOut.find("<TqxTopItem Time="), std::string::npos);
}

TEST_F(TopCommandTest, BoundsAndRunningAlone) {
  const struct {
    const char* Arguments;
    const char* Refusal;
  } cases[] = {
      {"/top /interval 99", "/interval takes milliseconds from 100 to 60000, not \"99\".\r\n"},
      {"/top /interval 60001", "/interval takes milliseconds from 100 to 60000, not \"60001\".\r\n"},
      {"/top /for 0", "/for takes seconds from 1 to 86400, not \"0\".\r\n"},
      {"/top /for 86401", "/for takes seconds from 1 to 86400, not \"86401\".\r\n"},
      {"/top /list", "/top runs alone: give no other command with it; nothing was done.\r\n"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Run(c.Arguments), 1) << c.Arguments;
    EXPECT_EQ(os.StdErr, c.Refusal);
    EXPECT_EQ(os.StdOut, "");
    EXPECT_EQ(os.Pauses, 0);
  }
}

}  // namespace
}  // namespace kvt
