// /net and /port under Wine: the endpoints of a child that listens, connects
// and binds, as the system's own tables show them to this program.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <cstdio>
#include <fstream>
#include <set>
#include <tuple>

#include "e2e_support.h"

namespace kvt_e2e {
namespace {

struct TNetChild {
  TNetChild() : report("C:\\kvtE2E_net_" + std::to_string(GetCurrentProcessId()) + ".report") {
    DeleteFileA(report.c_str());
    child = std::make_unique<TChildProcess>("kvt_net_child.exe", report);
    // A child started through the emulator on a busy machine may take seconds.
    for (int i = 0; i < 300 && GetFileAttributesA(report.c_str()) == INVALID_FILE_ATTRIBUTES; ++i)
      Sleep(50);
    std::ifstream in(report);
    in >> listening >> client >> udp6;
  }
  ~TNetChild() {
    child.reset();
    DeleteFileA(report.c_str());
  }
  std::string Pid() const { return std::to_string(child->Pid()); }
  std::string report;
  std::unique_ptr<TChildProcess> child;
  unsigned listening = 0, client = 0, udp6 = 0;
};

std::string Row(const char* proto, const std::string& local, const std::string& remote,
                const char* state) {
  char row[256];
  std::snprintf(row, sizeof row, "%-6s  %-23s  %-23s  %s", proto, local.c_str(), remote.c_str(),
                state);
  std::string text = row;
  text.erase(text.find_last_not_of(' ') + 1);  // as the program writes a row without a state
  return text;
}

std::string Loopback(unsigned port) { return "127.0.0.1:" + std::to_string(port); }

// The rows of a form: protocol, addresses, ports and state.
using TFormRow = std::tuple<std::string, std::string, std::string, std::string, std::string, std::string>;

TEST(Net, AChildsConnectionAndWhoHoldsItsPort) {
  const TNetChild net;
  ASSERT_NE(net.client, 0u) << "the child could not connect";
  const std::string connection =
      Row("TCP", Loopback(net.client), Loopback(net.listening), "ESTABLISHED");

  const TRunResult own = RunKvtProc("/net " + net.Pid());
  EXPECT_EQ(own.ExitCode, 0u) << own.Err;
  const std::string head = "\r\n" + ProcessLine(net.child->Pid(), GetCurrentProcessId(),
                                                 net.child->Path()) + "\r\nEndpoints:\r\n";
  const size_t block = own.Out.find(head);
  ASSERT_NE(block, std::string::npos) << own.Out;
  EXPECT_NE(own.Out.find(connection + "\r\n", block), std::string::npos) << own.Out;

  // Wine names no owner of a listening or accepted socket: those stand among
  // the endpoints of no listed process. Every row holds the port.
  const TRunResult port = RunKvtProc("/port " + std::to_string(net.listening));
  EXPECT_EQ(port.ExitCode, 0u) << port.Err;
  EXPECT_NE(port.Out.find(connection + "\r\n"), std::string::npos) << port.Out;
  EXPECT_NE(port.Out.find(Row("TCP", Loopback(net.listening), "*:*", "LISTENING")),
            std::string::npos)
      << port.Out;
  for (size_t row = port.Out.find("\r\nTCP"); row != std::string::npos;
       row = port.Out.find("\r\nTCP", row + 2)) {
    const std::string line = port.Out.substr(row + 2, port.Out.find("\r\n", row + 2) - row - 2);
    EXPECT_NE(line.find(":" + std::to_string(net.listening) + " "), std::string::npos) << line;
  }

  const TRunResult bad = RunKvtProc("/port 65536");
  EXPECT_EQ(bad.ExitCode, 1u);
  EXPECT_EQ(bad.Err, "/port takes a port number from 1 to 65535, not \"65536\".\r\n");
}

TEST(Net, TheFormsHoldTheSameRows) {
  const TNetChild net;
  ASSERT_NE(net.client, 0u) << "the child could not connect";
  const TRunResult csv = RunKvtProc("/csv /net " + net.Pid());
  ASSERT_EQ(csv.ExitCode, 0u) << csv.Err;
  const std::vector<std::string> titles = CsvFields(csv.Out, 0);
  ASSERT_EQ(titles.size(), 10u) << csv.Out;
  std::set<TFormRow> csvRows;
  for (size_t row = csv.Out.find("\r\n") + 2; row < csv.Out.size(); row = csv.Out.find("\r\n", row) + 2) {
    const std::vector<std::string> f = CsvFields(csv.Out, row);
    ASSERT_EQ(f.size(), 10u);
    EXPECT_EQ(f[0], net.Pid());
    EXPECT_EQ(f[1], "kvt_net_child.exe");
    csvRows.insert({f[2], f[3], f[4], f[5], f[6], f[7]});
  }
  EXPECT_EQ(csvRows.count({"TCP", "127.0.0.1", std::to_string(net.client), "127.0.0.1",
                           std::to_string(net.listening), "ESTABLISHED"}),
            1u);

  const TRunResult json = RunKvtProc("/json /net " + net.Pid());
  ASSERT_EQ(json.ExitCode, 0u) << json.Err;
  const nlohmann::json document = nlohmann::json::parse(json.Out);
  ASSERT_EQ(document.at("TqxProcessList").size(), 1u) << json.Out;
  std::set<TFormRow> jsonRows;
  for (const nlohmann::json& e : document.at("TqxProcessList")[0].at("TqxEndpointList")) {
    const nlohmann::json& remotePort = e.at("RemotePort");
    jsonRows.insert({e.at("Protocol").get<std::string>(), e.at("LocalAddress").get<std::string>(),
                     std::to_string(e.at("LocalPort").get<int>()),
                     e.at("RemoteAddress").get<std::string>(),
                     remotePort.is_null() ? "" : std::to_string(remotePort.get<int>()),
                     e.at("State").get<std::string>()});
  }
  EXPECT_EQ(jsonRows, csvRows);
}

TEST(Net, AUdpSocketOnIpv6) {
  const TNetChild net;
  if (net.udp6 == 0) GTEST_SKIP() << "no IPv6 on this machine";
  // Under the child, or where the system gives no owner, among the
  // endpoints of no listed process.
  const TRunResult run = RunKvtProc("/net");
  EXPECT_EQ(run.ExitCode, 0u) << run.Err;
  EXPECT_NE(run.Out.find("\r\n" + Row("UDPv6", "[::1]:" + std::to_string(net.udp6), "*:*", "")),
            std::string::npos)
      << run.Out;
}

}  // namespace
}  // namespace kvt_e2e
