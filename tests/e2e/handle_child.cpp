// A process that holds a named event, an open file and an unnamed event for
// kvtProc to list, and may load a library:
// kvt_handle_child <event name> <file path> <report path> [library path].
// It reads the system's extended handle table itself and writes, for each of
// the three handles in that order, its value and granted access as the table
// shows them ("<hex value> <hex access>" a line) to the report, then the
// library's base address ("<hex base> 0") when it loaded one, then waits
// until it is ended.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

// An entry of the extended table at this program's width.
struct TTableEntry {
  PVOID Object;
  ULONG_PTR ProcessId;
  ULONG_PTR Handle;
  ULONG GrantedAccess;
  USHORT BackTraceIndex;
  USHORT ObjectType;
  ULONG Attributes;
  ULONG Reserved;
};

using TQuery = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);

std::vector<ULONG_PTR> ReadTable() {
  const auto query = reinterpret_cast<TQuery>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
  std::vector<ULONG_PTR> table(1 << 16);
  for (int tries = 0; query != nullptr && tries < 8; ++tries) {
    ULONG needed = 0;
    const ULONG bytes = static_cast<ULONG>(table.size() * sizeof(ULONG_PTR));
    if (query(64, table.data(), bytes, &needed) == 0) return table;
    table.resize(2 * table.size() + needed / sizeof(ULONG_PTR));
  }
  return {};
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) return 2;
  const HMODULE library = argc > 4 ? LoadLibraryA(argv[4]) : nullptr;
  if (argc > 4 && library == nullptr) return 6;
  const HANDLE handles[] = {
      CreateEventA(nullptr, TRUE, FALSE, argv[1]),
      CreateFileA(argv[2], GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, OPEN_EXISTING, 0, nullptr),
      CreateEventA(nullptr, FALSE, FALSE, nullptr)};
  for (HANDLE handle : handles)
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return 3;
  const std::vector<ULONG_PTR> table = ReadTable();
  if (table.empty()) return 4;
  const ULONG_PTR count =
      std::min<ULONG_PTR>(table[0], (table.size() - 2) * sizeof(ULONG_PTR) / sizeof(TTableEntry));
  const auto* entries = reinterpret_cast<const TTableEntry*>(&table[2]);
  // Written under another name and renamed when whole: whoever waits for the
  // report never reads half of it.
  const std::string partial = std::string(argv[3]) + ".part";
  std::FILE* report = std::fopen(partial.c_str(), "w");
  if (report == nullptr) return 5;
  for (HANDLE handle : handles) {
    for (ULONG_PTR i = 0; i < count; ++i) {
      if (entries[i].ProcessId != GetCurrentProcessId() ||
          entries[i].Handle != reinterpret_cast<ULONG_PTR>(handle))
        continue;
      std::fprintf(report, "%llx %lx\n", static_cast<unsigned long long>(entries[i].Handle),
                   entries[i].GrantedAccess);
    }
  }
  if (library != nullptr)
    std::fprintf(report, "%llx 0\n",
                 static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(library)));
  std::fclose(report);
  if (!MoveFileA(partial.c_str(), argv[3])) return 7;
  Sleep(60000);
  return 0;
}
