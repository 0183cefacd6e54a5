// How the work of a listing grows with the number of processes, on the
// scripted system: for 1,025, 2,049 and 4,097 processes, half of them each
// running an executable of its own and the other half sharing 100, every file
// 1 MiB with a version resource. Prints the time of Refresh plus
// ReadFullInformation, of the text /list and of the CSV /list (each a whole
// run of the program, best of three), with the bytes each read from
// executables, and the time per process relative to the smallest size.
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>

#include "app/dispatcher.h"
#include "os/fake/fake_os.h"
#include "processes/process_list.h"
#include "version_resource_builder.h"

namespace {

constexpr uint32_t kSizes[] = {1025, 2049, 4097};
constexpr uint32_t kSharedExecutables = 100;
constexpr uint64_t kFileSize = 1u << 20;
constexpr int kRuns = 3;

std::string ExecutableOf(uint32_t process) {
  char path[64];
  if (process % 2 == 0)
    std::snprintf(path, sizeof path, "C:\\Apps\\own%05u.exe", process);
  else
    std::snprintf(path, sizeof path, "C:\\Shared\\shared%03u.exe",
                  process / 2 % kSharedExecutables);
  return path;
}

void Script(kvt::FakeOs& os, uint32_t processes) {
  os.RecordCalls = false;
  const std::string image = kvt::PeFileWithStrings({{"CompanyName", "Example Systems"},
                                                    {"FileDescription", "A scaled process"},
                                                    {"FileVersion", "1.0.0.1"}});
  for (uint32_t i = 0; i < processes; ++i) {
    kvt::TFakeProcess process;
    process.Id = 1000 + 4 * i;
    process.ParentId = 1000;
    process.ModulePath = ExecutableOf(i);
    process.ExeFile = process.ModulePath.substr(process.ModulePath.find_last_of('\\') + 1);
    os.Processes.push_back(process);
    kvt::TFakeFile& file = os.File(process.ModulePath);
    if (file.Bytes.empty()) {
      file.Bytes = image;
      file.ZeroTail = kFileSize - image.size();
    }
  }
}

struct TMeasure {
  double Seconds = 0;
  uint64_t BytesRead = 0;
};

// The best of three runs of Work on a freshly scripted system.
TMeasure Measure(uint32_t processes, const std::function<void(kvt::FakeOs&)>& work) {
  TMeasure best;
  for (int run = 0; run < kRuns; ++run) {
    kvt::FakeOs os;
    Script(os, processes);
    const auto start = std::chrono::steady_clock::now();
    work(os);
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    if (run == 0 || elapsed.count() < best.Seconds) best = {elapsed.count(), os.BytesRead};
  }
  return best;
}

void RunProgram(kvt::FakeOs& os, const char* arguments) {
  os.CommandLine = std::string("kvtProc.exe ") + arguments;
  kvt::RunProgram(os);
}

}  // namespace

int main() {
  std::printf("%9s %22s %22s %22s %14s %14s\n", "processes", "Refresh+Full s (x/p)",
              "/list s (x/p)", "/csv /list s (x/p)", "/list bytes", "/csv bytes");
  double perProcess[3] = {0, 0, 0};
  for (const uint32_t processes : kSizes) {
    const TMeasure inventory = Measure(processes, [](kvt::FakeOs& os) {
      kvt::TProcessContext context(os);
      kvt::TqxProcessList list(context);
      list.AlwaysFullInformation = true;
      list.Refresh();
      list.ReadFullInformation();
    });
    const TMeasure text = Measure(processes, [](kvt::FakeOs& os) { RunProgram(os, "/list"); });
    const TMeasure csv = Measure(processes, [](kvt::FakeOs& os) { RunProgram(os, "/csv /list"); });
    const double measures[3] = {inventory.Seconds, text.Seconds, csv.Seconds};
    char cells[3][32];
    for (int i = 0; i < 3; ++i) {
      const double each = measures[i] / processes;
      if (perProcess[i] == 0) perProcess[i] = each;
      std::snprintf(cells[i], sizeof cells[i], "%.3f (%.2f)", measures[i], each / perProcess[i]);
    }
    std::printf("%9u %22s %22s %22s %14llu %14llu\n", processes, cells[0], cells[1], cells[2],
                static_cast<unsigned long long>(text.BytesRead),
                static_cast<unsigned long long>(csv.BytesRead));
  }
  std::printf("(x/p: time per process relative to %u processes)\n", kSizes[0]);
  return 0;
}
