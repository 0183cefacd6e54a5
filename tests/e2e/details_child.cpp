// A process whose details kvtProc reads: it starts three threads that wait,
// touches 24 MiB, then writes the thread count and working set it sees for
// itself to the file its first argument names, and waits for a minute. Its
// other arguments are only there to be read back.
#include <windows.h>
#include <psapi.h>
#include <shellapi.h>
#include <tlhelp32.h>

#include <cstdio>
#include <string>

namespace {

DWORD WINAPI WaitForever(LPVOID) {
  Sleep(INFINITE);
  return 0;
}

DWORD OwnThreadCount() {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  PROCESSENTRY32W entry = {};
  entry.dwSize = sizeof entry;
  DWORD threads = 0;
  for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry))
    if (entry.th32ProcessID == GetCurrentProcessId()) threads = entry.cntThreads;
  CloseHandle(snapshot);
  return threads;
}

}  // namespace

int main() {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (argv == nullptr || argc < 2) return 1;
  for (int i = 0; i < 3; ++i) CreateThread(nullptr, 0, WaitForever, nullptr, 0, nullptr);
  const SIZE_T size = 24u << 20;
  auto* memory = static_cast<volatile char*>(
      VirtualAlloc(nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
  for (SIZE_T at = 0; memory != nullptr && at < size; at += 4096) memory[at] = 1;
  PROCESS_MEMORY_COUNTERS counters = {};
  counters.cb = sizeof counters;
  GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
  // Written under another name first, so that the reader never sees half of it.
  const std::wstring path = argv[1];
  const std::wstring partial = path + L".part";
  FILE* file = _wfopen(partial.c_str(), L"wb");
  if (file == nullptr) return 1;
  std::fprintf(file, "%lu %llu\n", OwnThreadCount(),
               static_cast<unsigned long long>(counters.WorkingSetSize));
  std::fclose(file);
  MoveFileExW(partial.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
  Sleep(60000);
  return 0;
}
