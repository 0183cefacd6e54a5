// /watch and /top on a large scripted system: 4,097 processes read every
// interval. Prints, for each command line given, the best wall time of three
// whole runs divided by the reads each made (a tick: the read of the process
// information and its comparison with the one before), and the peak memory
// of this program after the runs, to show that it does not grow with ticks.
//
//   kvt_bench_ticks <processes> <arguments>...
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/dispatcher.h"
#include "os/fake/fake_os.h"

namespace {

void Script(kvt::FakeOs& os, uint32_t processes) {
  os.RecordCalls = false;
  os.Version.dwMajorVersion = 10;
  os.Version.dwBuildNumber = 19045;
  for (uint32_t i = 0; i < processes; ++i) {
    kvt::TFakeProcess process;
    process.Id = 1000 + 4 * i;
    process.ParentId = 1000;
    process.CreateTime = 1 + i;
    char name[64];
    std::snprintf(name, sizeof name, "C:\\Apps\\p%05u.exe", i);
    process.ModulePath = name;
    process.ExeFile = std::string(name).substr(8);
    os.Processes.push_back(process);
  }
  // Every process gains a little CPU time in each pause.
  os.OnPause = [&os] {
    for (kvt::TFakeProcess& process : os.Processes) process.UserTime += 1000;
  };
}

long PeakKilobytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s <processes> <arguments>...\n", argv[0]);
    return 2;
  }
  const auto processes = static_cast<uint32_t>(std::atoi(argv[1]));
  std::printf("%u processes\n%-40s %8s %8s %12s %10s\n", processes, "arguments", "seconds",
              "reads", "ms per read", "peak KiB");
  for (int i = 2; i < argc; ++i) {
    double best = 0;
    int reads = 0;
    for (int run = 0; run < 3; ++run) {
      kvt::FakeOs os;
      Script(os, processes);
      os.CommandLine = std::string("kvtProc64.exe ") + argv[i];
      const auto start = std::chrono::steady_clock::now();
      kvt::RunProgram(os);
      const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
      if (run == 0 || elapsed.count() < best) best = elapsed.count();
      reads = os.Pauses;
    }
    std::printf("%-40s %8.3f %8d %12.3f %10ld\n", argv[i], best, reads,
                reads > 0 ? 1000 * best / reads : 0.0, PeakKilobytes());
  }
  return 0;
}
