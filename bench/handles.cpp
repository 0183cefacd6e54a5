// /handles and /find on a large scripted system: thousands of processes
// sharing a system handle table of a hundred thousand entries. Prints, for
// each command line given, the best wall time of three whole runs and the
// platform calls that drive its cost: table reads, process opens, handle
// copies, name queries, closes and the guarded worker's runs and threads;
// a run over every process also prints those calls per handle, beyond those
// the inventory of processes makes by itself (a /list run's).
//
//   kvt_bench_handles <processes> <entries> <major.minor> <arguments>...
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iterator>
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
    kvt::TFakeModule image;
    image.Path = name;
    image.Base = 0x400000;
    image.Size = 0x10000;
    process.Modules.push_back(image);
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
  std::printf("%-24s %8s %6s %6s %7s %7s %7s %7s %7s %8s\n", "arguments", "seconds", "reads",
              "opens", "copies", "queries", "closes", "worker", "threads", "lines");
  constexpr int kRuns = 3;
  // Calls made per handle, whoever makes them.
  const char* const kPerHandle[] = {"OpenProcess", "DuplicateHandle", "NtQueryObject",
                                    "NtQueryObject/type", "CloseHandle", "RunOnWorkerThread",
                                    "CreateWorkerThread"};
  size_t inventory[std::size(kPerHandle)] = {};
  {
    kvt::FakeOs os;
    Script(os, processes, entries, major, minor);
    os.CommandLine = "kvtProc.exe /list";
    kvt::RunProgram(os);
    for (size_t k = 0; k < std::size(kPerHandle); ++k) inventory[k] = os.CallCount(kPerHandle[k]);
  }
  for (int i = 4; i < argc; ++i) {
    double best = 0;
    size_t counts[std::size(kPerHandle)] = {};
    size_t tableReads = 0, lines = 0;
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
      for (size_t k = 0; k < std::size(kPerHandle); ++k) counts[k] = os.CallCount(kPerHandle[k]);
      tableReads = os.CallCount("NtQuerySystemInformation");
      lines = static_cast<size_t>(std::count(os.StdOut.begin(), os.StdOut.end(), '\n'));
    }
    std::printf("%-24s %8.3f %6zu %6zu %7zu %7zu %7zu %7zu %7zu %8zu%s\n", argv[i], best,
                tableReads, counts[0], counts[1], counts[2] + counts[3], counts[4], counts[5],
                counts[6], lines, exitCode == 0 ? "" : "  (failed)");
    const std::string arguments = argv[i];
    if (arguments.find(' ') == std::string::npos || arguments.rfind("/find", 0) == 0) {
      std::printf("  per handle:");
      for (size_t k = 0; k < std::size(kPerHandle); ++k)
        std::printf(" %s %.3f", kPerHandle[k],
                    static_cast<double>(counts[k] - inventory[k]) / entries);
      std::printf("\n");
    }
  }
  return 0;
}
