// /handles on a large scripted system: thousands of processes sharing a
// system handle table of a hundred thousand entries. Prints, for each
// command line given, the best wall time of three whole runs and the platform
// calls that drive its cost: table reads and name queries.
//
//   kvt_bench_handles <processes> <entries> <major.minor> <arguments>...
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/dispatcher.h"
#include "os/fake/fake_os.h"

namespace {

constexpr uint32_t kFirstId = 1000;
// Type numbers of Windows XP: Event, Mutant, Section, Key; every fiftieth
// handle is a File, named on the guarded worker. Newer versions learn the
// names from the kernel, which here gives the same numbering.
constexpr uint16_t kTypes[] = {9, 11, 19, 20};
constexpr uint16_t kXpFile = 28;

void Script(kvt::FakeOs& os, uint32_t processes, uint32_t entries, uint32_t major,
            uint32_t minor) {
  os.RecordCalls = false;
  os.Version.dwMajorVersion = major;
  os.Version.dwMinorVersion = minor;
  os.Version.dwBuildNumber = major >= 10 ? 19045 : 2600;
  os.ObjectTypeNames = {{9, u"Event"}, {11, u"Mutant"}, {19, u"Section"}, {20, u"Key"},
                        {kXpFile, u"File"}};
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
  for (uint32_t i = 0; i < entries; ++i) {
    kvt::TFakeHandle entry;
    entry.ProcessId = kFirstId + 4 * (i % processes);
    entry.Handle = 4 + 4 * (i / processes);
    entry.ObjectType = i % 50 == 49 ? kXpFile : kTypes[i % 4];
    entry.Object = 0x80000000u + 0x40u * i;
    entry.GrantedAccess = 0x1F0003;
    const std::string name = "\\BaseNamedObjects\\object" + std::to_string(i);
    entry.Name.assign(name.begin(), name.end());
    entry.FileName = entry.Name;
    os.HandleTable.push_back(entry);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 5) {
    std::fprintf(stderr, "usage: %s <processes> <entries> <major.minor> <arguments>...\n", argv[0]);
    return 2;
  }
  const auto processes = static_cast<uint32_t>(std::atoi(argv[1]));
  const auto entries = static_cast<uint32_t>(std::atoi(argv[2]));
  unsigned major = 0, minor = 0;
  std::sscanf(argv[3], "%u.%u", &major, &minor);
  std::printf("%u processes, %u handles, Windows %u.%u\n", processes, entries, major, minor);
  std::printf("%-36s %10s %12s %12s %10s\n", "arguments", "seconds", "name queries",
              "table reads", "lines");
  constexpr int kRuns = 3;
  for (int i = 4; i < argc; ++i) {
    double best = 0;
    size_t nameQueries = 0, tableReads = 0, lines = 0;
    int exitCode = 0;
    for (int run = 0; run < kRuns; ++run) {
      kvt::FakeOs os;
      Script(os, processes, entries, major, minor);
      os.CommandLine = std::string("kvtProc.exe ") + argv[i];
      const auto start = std::chrono::steady_clock::now();
      exitCode = kvt::RunProgram(os);
      const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
      if (run == 0 || elapsed.count() < best) best = elapsed.count();
      // The counts are the same in every run.
      nameQueries = os.CallCount("NtQueryObject");
      tableReads = os.CallCount("NtQuerySystemInformation");
      lines = static_cast<size_t>(std::count(os.StdOut.begin(), os.StdOut.end(), '\n'));
    }
    std::printf("%-36s %10.3f %12zu %12zu %10zu%s\n", argv[i], best, nameQueries, tableReads,
                lines, exitCode == 0 ? "" : "  (failed)");
  }
  return 0;
}
