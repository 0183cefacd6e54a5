// /compare on a large scripted system: thousands of processes with their
// modules against a baseline of the same size that this program wrote, one
// in ten processes since replaced by another. Prints, for each rendering of
// the baseline, the best wall time of three whole runs of /compare and its
// ratio to the run that wrote the baseline, measured alongside.
//
//   kvt_bench_compare <processes> <modules per process>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/dispatcher.h"
#include "os/fake/fake_os.h"

namespace {

constexpr uint32_t kFirstId = 1000;

void Script(kvt::FakeOs& os, uint32_t processes, uint32_t modules, bool later) {
  os.RecordCalls = false;
  os.Version.dwMajorVersion = 10;
  os.Version.dwBuildNumber = 19045;
  for (uint32_t i = 0; i < processes; ++i) {
    kvt::TFakeProcess process;
    // Later, one in ten ids belongs to a process of another file.
    const bool replaced = later && i % 10 == 0;
    process.Id = kFirstId + 4 * i;
    process.ParentId = kFirstId;
    char name[64];
    std::snprintf(name, sizeof name, "C:\\Apps\\%s%05u.exe", replaced ? "q" : "p", i % 500);
    process.ModulePath = name;
    process.ExeFile = std::string(name).substr(8);
    os.File(name).Bytes = std::string(64, 'p');
    for (uint32_t m = 0; m < modules; ++m) {
      kvt::TFakeModule module;
      std::snprintf(name, sizeof name, "C:\\Windows\\system32\\lib%03u.dll", (i + m) % 200);
      module.Path = m == 0 ? process.ModulePath : name;
      module.Base = 0x10000000ull + 0x100000ull * m;
      module.Size = 0x1000;
      process.Modules.push_back(module);
    }
    os.Processes.push_back(process);
  }
}

struct TMeasure {
  double Seconds = 0;
  int ExitCode = 0;
  std::string Out;
};

TMeasure Measure(uint32_t processes, uint32_t modules, bool later, const std::string& arguments,
                 const std::string& baseline) {
  constexpr int kRuns = 3;
  TMeasure best;
  for (int run = 0; run < kRuns; ++run) {
    kvt::FakeOs os;
    Script(os, processes, modules, later);
    if (!baseline.empty()) os.File("C:\\base").Bytes = baseline;
    os.CommandLine = "kvtProc64.exe " + arguments;
    const auto start = std::chrono::steady_clock::now();
    const int exitCode = kvt::RunProgram(os);
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    if (run == 0 || elapsed.count() < best.Seconds) best.Seconds = elapsed.count();
    best.ExitCode = exitCode;
    best.Out = os.StdOut;
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s <processes> <modules per process>\n", argv[0]);
    return 2;
  }
  const auto processes = static_cast<uint32_t>(std::atoi(argv[1]));
  const auto modules = static_cast<uint32_t>(std::atoi(argv[2]));
  std::printf("%u processes, %u modules each\n", processes, modules);
  std::printf("%-28s %8s %10s %6s\n", "arguments", "seconds", "x baseline", "exit");
  for (const char* form : {"/xml", "/json"}) {
    const std::string writing = std::string(form) + " /list /modules";
    const TMeasure base = Measure(processes, modules, false, writing, "");
    std::printf("%-28s %8.3f %10.2f %6d  (%zu bytes)\n", writing.c_str(), base.Seconds, 1.0,
                base.ExitCode, base.Out.size());
    const TMeasure same = Measure(processes, modules, false, "/compare C:\\base", base.Out);
    std::printf("%-28s %8.3f %10.2f %6d\n", "/compare, nothing changed", same.Seconds,
                same.Seconds / base.Seconds, same.ExitCode);
    const TMeasure changed = Measure(processes, modules, true, "/compare C:\\base", base.Out);
    std::printf("%-28s %8.3f %10.2f %6d\n", "/compare, 1 in 10 replaced", changed.Seconds,
                changed.Seconds / base.Seconds, changed.ExitCode);
  }
  return 0;
}
