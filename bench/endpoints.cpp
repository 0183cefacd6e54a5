// /net on a large scripted system: thousands of processes holding tens of
// thousands of TCP and UDP endpoints over IPv4 and IPv6, a few of them of no
// listed process. Prints, for each command line given, the best wall time of
// three whole runs, its ratio to a /list run's made alongside, the calls of
// the endpoint tables and the lines written.
//
//   kvt_bench_endpoints <processes> <endpoints> <arguments>...
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/dispatcher.h"
#include "os/fake/fake_os.h"

namespace {

constexpr uint32_t kFirstId = 1000;

void Script(kvt::FakeOs& os, uint32_t processes, uint32_t endpoints) {
  os.RecordCalls = false;
  os.Version.dwMajorVersion = 10;
  os.Version.dwMinorVersion = 0;
  os.Version.dwBuildNumber = 19045;
  for (uint32_t i = 0; i < processes; ++i) {
    kvt::TFakeProcess process;
    process.Id = kFirstId + 4 * i;
    process.ParentId = kFirstId;
    char name[64];
    std::snprintf(name, sizeof name, "C:\\Apps\\p%05u.exe", i);
    process.ModulePath = name;
    process.ExeFile = std::string(name).substr(8);
    os.Processes.push_back(process);
  }
  const kvt::TEndpointProtocol protocols[] = {kvt::TEndpointProtocol::Tcp, kvt::TEndpointProtocol::Tcp6,
                                              kvt::TEndpointProtocol::Udp, kvt::TEndpointProtocol::Udp6};
  for (uint32_t i = 0; i < endpoints; ++i) {
    kvt::TEndpoint endpoint;
    endpoint.Protocol = protocols[i % 4];
    const bool ipv6 = i % 2 == 1;
    endpoint.LocalAddress.Width = ipv6 ? 16 : 4;
    endpoint.LocalAddress.Bytes[0] = ipv6 ? 0x20 : 10;
    endpoint.LocalAddress.Bytes[ipv6 ? 15 : 3] = static_cast<uint8_t>(i);
    endpoint.LocalPort = static_cast<uint16_t>(1024 + i % 60000);
    endpoint.RemoteAddress = endpoint.LocalAddress;
    endpoint.RemotePort = i % 10 == 0 ? 443 : static_cast<uint16_t>(30000 + i % 30000);
    endpoint.State = i % 8 == 0 ? 2 : 5;
    // One in a hundred has no listed owner.
    endpoint.ProcessId = i % 100 == 99 ? 0 : kFirstId + 4 * (i % processes);
    endpoint.CreateTime = 133000000000000000ull + i;
    endpoint.ServiceTag = i % 16 == 0 ? 7 : 0;
    os.Endpoints.push_back(endpoint);
  }
}

struct TMeasure {
  double Seconds = 0;
  size_t TableCalls = 0, Lines = 0;
  int ExitCode = 0;
};

TMeasure Measure(uint32_t processes, uint32_t endpoints, const std::string& arguments) {
  constexpr int kRuns = 3;
  TMeasure best;
  for (int run = 0; run < kRuns; ++run) {
    kvt::FakeOs os;
    Script(os, processes, endpoints);
    os.CommandLine = "kvtProc64.exe " + arguments;
    const auto start = std::chrono::steady_clock::now();
    const int exitCode = kvt::RunProgram(os);
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    if (run == 0 || elapsed.count() < best.Seconds) best.Seconds = elapsed.count();
    best.ExitCode = exitCode;
    best.TableCalls = os.CallCount("GetExtendedTcpTable") + os.CallCount("GetExtendedUdpTable");
    best.Lines = static_cast<size_t>(std::count(os.StdOut.begin(), os.StdOut.end(), '\n'));
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: %s <processes> <endpoints> <arguments>...\n", argv[0]);
    return 2;
  }
  const auto processes = static_cast<uint32_t>(std::atoi(argv[1]));
  const auto endpoints = static_cast<uint32_t>(std::atoi(argv[2]));
  std::printf("%u processes, %u endpoints\n", processes, endpoints);
  std::printf("%-20s %8s %8s %12s %8s\n", "arguments", "seconds", "x /list", "table calls",
              "lines");
  const TMeasure list = Measure(processes, endpoints, "/list");
  std::printf("%-20s %8.3f %8.2f %12zu %8zu\n", "/list", list.Seconds, 1.0, list.TableCalls,
              list.Lines);
  for (int i = 3; i < argc; ++i) {
    const TMeasure net = Measure(processes, endpoints, argv[i]);
    std::printf("%-20s %8.3f %8.2f %12zu %8zu%s\n", argv[i], net.Seconds,
                net.Seconds / list.Seconds, net.TableCalls, net.Lines,
                net.ExitCode == 0 ? "" : "  (failed)");
  }
  return 0;
}
