// /net, /listening and /port: the endpoints of each selected process, of no
// listed process, and in the forms.
#include <gtest/gtest.h>

#include "app/dispatcher.h"
#include "fake_processes.h"

namespace kvt {
namespace {

TEndpoint Tcp(uint32_t pid, uint16_t localPort, uint16_t remotePort, uint32_t state) {
  TEndpoint endpoint;
  endpoint.ProcessId = pid;
  endpoint.LocalAddress = {{127, 0, 0, 1}, 4, 0};
  endpoint.LocalPort = localPort;
  endpoint.RemoteAddress = {{10, 0, 0, 2}, 4, 0};
  endpoint.RemotePort = remotePort;
  endpoint.State = state;
  return endpoint;
}

TEndpoint Udp6(uint32_t pid, uint16_t localPort) {
  TEndpoint endpoint;
  endpoint.Protocol = TEndpointProtocol::Udp6;
  endpoint.ProcessId = pid;
  endpoint.LocalAddress.Width = 16;
  endpoint.LocalAddress.Bytes[15] = 1;
  endpoint.LocalPort = localPort;
  return endpoint;
}

// A web server (700) listening on 8080 with one client, a resolver (4, the
// System process) on UDP, and a listener Wine's way, with no owner.
class NetCommandTest : public ::testing::Test {
 protected:
  NetCommandTest() {
    AddFakeProcess(os, 4, 0, "System");
    AddFakeProcess(os, 700, 4, "C:\\Apps\\web.exe");
    AddFakeProcess(os, 701, 4, "C:\\Apps\\idle.exe");
    os.Endpoints = {Tcp(700, 8080, 0, 2), Tcp(700, 8080, 50000, 5), Udp6(4, 53), Tcp(0, 9000, 0, 2)};
    os.Endpoints[1].CreateTime = 116444736000000000ull + 10000000ull * 86400;  // 1970-01-02
    os.Services = {{"W3Svc", 700}};
  }
  int Run(const std::string& arguments) {
    os.CommandLine = "kvtProc64.exe " + arguments;
    os.StdOut.clear();
    os.StdErr.clear();
    return RunProgram(os);
  }
  bool Shows(const std::string& text) const { return os.StdOut.find(text) != std::string::npos; }
  FakeOs os;
};

const char* const kHeader =
    "Proto   Local address            Remote address           State         Created              "
    "Service\r\n";

TEST_F(NetCommandTest, ABlockPerProcessWithEndpointsThenThoseOfNoListedProcess) {
  EXPECT_EQ(Run("/net"), 0);
  EXPECT_TRUE(Shows(std::string("\r\nEndpoints:\r\n") + kHeader +
                    "TCP     127.0.0.1:8080           *:*                      LISTENING                          "
                    "W3Svc\r\n"
                    "TCP     127.0.0.1:8080           10.0.0.2:50000           ESTABLISHED   1970-01-02 00:00:00  "
                    "W3Svc\r\n"))
      << os.StdOut;
  EXPECT_TRUE(Shows("UDPv6   [::1]:53                 *:*\r\n")) << os.StdOut;
  EXPECT_FALSE(Shows("idle.exe"));
  EXPECT_TRUE(Shows(std::string("\r\nEndpoints of no listed process:\r\n") + kHeader +
                    "TCP     127.0.0.1:9000           *:*                      LISTENING\r\n"))
      << os.StdOut;
  // The process lines come in selection order: System's block first.
  EXPECT_LT(os.StdOut.find("System"), os.StdOut.find("web.exe"));

  // A selector names processes: no block of the others.
  EXPECT_EQ(Run("/net web.exe"), 0);
  EXPECT_TRUE(Shows("50000"));
  EXPECT_FALSE(Shows("[::1]:53"));
  EXPECT_FALSE(Shows("no listed process"));
  EXPECT_EQ(Run("/net 701"), 0);
  EXPECT_TRUE(Shows("\r\nNo endpoints.\r\n")) << os.StdOut;
  // One call of each table that fits its first room.
  os.Calls.clear();
  EXPECT_EQ(Run("/net"), 0);
  EXPECT_EQ(os.CallCount("GetExtendedTcpTable"), 2u);
  EXPECT_EQ(os.CallCount("GetExtendedUdpTable"), 2u);
}

TEST_F(NetCommandTest, ListeningAndPortKeepSomeEndpoints) {
  EXPECT_EQ(Run("/listening"), 0);
  EXPECT_FALSE(Shows("ESTABLISHED"));
  EXPECT_TRUE(Shows("[::1]:53"));
  EXPECT_TRUE(Shows("127.0.0.1:9000"));
  // By remote port, with a selector after it.
  EXPECT_EQ(Run("/port 50000 web.exe"), 0);
  EXPECT_TRUE(Shows("ESTABLISHED"));
  EXPECT_FALSE(Shows("LISTENING"));
  EXPECT_EQ(Run("/port 9000"), 0);
  EXPECT_TRUE(Shows("127.0.0.1:9000"));
  EXPECT_FALSE(Shows("web.exe"));

  for (const char* word : {"0", "65536", "http", "0x50", "+80", ""}) {
    EXPECT_EQ(Run(std::string("/port ") + word), 1) << word;
    EXPECT_EQ(os.StdOut, "") << word;
    EXPECT_NE(os.StdErr.find("/port takes a port number from 1 to 65535"), std::string::npos)
        << os.StdErr;
  }
}

TEST_F(NetCommandTest, TheFormsHoldTheSameRows) {
  EXPECT_EQ(Run("/csv /port 8080"), 0);
  EXPECT_EQ(os.StdOut,
            "PID,Filename,Protocol,LocalAddress,LocalPort,RemoteAddress,RemotePort,State,Created,"
            "Service\r\n"
            "700,web.exe,TCP,127.0.0.1,8080,10.0.0.2,0,LISTENING,,W3Svc\r\n"
            "700,web.exe,TCP,127.0.0.1,8080,10.0.0.2,50000,ESTABLISHED,1970-01-02T00:00:00Z,W3Svc\r\n");

  // Inside each process with endpoints, and those of none beside the processes;
  // ports and ids as numbers, the remote port of UDP unknown.
  EXPECT_EQ(Run("/json /net"), 0);
  EXPECT_FALSE(Shows("idle.exe"));
  EXPECT_TRUE(Shows("          \"Protocol\": \"UDPv6\",\r\n"
                    "          \"LocalAddress\": \"::1\",\r\n"
                    "          \"LocalPort\": 53,\r\n"
                    "          \"RemoteAddress\": \"\",\r\n"
                    "          \"RemotePort\": null,\r\n"))
      << os.StdOut;
  EXPECT_TRUE(Shows("\"RemotePort\": 50000,"));
  EXPECT_TRUE(Shows("  ],\r\n  \"TqxEndpointList\": [\r\n    {\r\n      \"ProcessID\": 0,\r\n"))
      << os.StdOut;
}

TEST_F(NetCommandTest, SystemsThatDoNotTellOwnersOrCannotBeRead) {
  os.ExtendedEndpointTablesBound = false;
  EXPECT_EQ(Run("/net"), 0);
  EXPECT_EQ(os.StdErr,
            "This Windows does not tell which process owns an endpoint; /net lists none.\r\n");
  EXPECT_FALSE(Shows("Endpoints"));

  os.ExtendedEndpointTablesBound = true;
  os.OnEndpointTableRead = [this] { os.Endpoints.resize(os.Endpoints.size() + 500, Tcp(700, 1, 2, 5)); };
  EXPECT_EQ(Run("/csv /net"), 1);
  EXPECT_EQ(os.StdOut, "");
  EXPECT_NE(os.StdErr.find("kept growing"), std::string::npos) << os.StdErr;
}

}  // namespace
}  // namespace kvt
