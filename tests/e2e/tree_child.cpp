// A process that starts a tree below itself, for /tree and /killtree: with
// the argument N it starts N children of its own file, with the arguments
// N-1 down to 0, so that 2 gives two children and a grandchild. Then it
// waits until it is ended or a minute is up.
#include <windows.h>
#include <shellapi.h>

#include <cwchar>
#include <string>

int main() {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (argv == nullptr) return 1;
  const long count = argc > 1 ? std::wcstol(argv[1], nullptr, 10) : 0;
  if (count > 4) return 1;  // a tree of at most 16 processes
  wchar_t path[MAX_PATH] = {};
  if (GetModuleFileNameW(nullptr, path, MAX_PATH) == 0) return 1;
  for (long i = count - 1; i >= 0; --i) {
    std::wstring line = L"\"" + std::wstring(path) + L"\" " + std::to_wstring(i);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &info))
      return 1;
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
  }
  Sleep(60000);
  return 0;
}
