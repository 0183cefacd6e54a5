// A process for kvtProc to find, list and end: it waits until it is killed or
// its time is up (the first argument, in milliseconds; 60 s by default). A
// second argument names a library it loads first, for its module list; a
// third a file it holds open, for its handle list. Names may be in any script.
// With "busy" first it keeps one processor busy instead, for a minute at most;
// with "exit" first it waits the milliseconds that follow and ends with the
// exit code after them.
#include <windows.h>
#include <shellapi.h>

#include <cwchar>

int main() {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (argv == nullptr) return 1;
  if (argc > 3 && std::wcscmp(argv[1], L"exit") == 0) {
    Sleep(static_cast<DWORD>(std::wcstol(argv[2], nullptr, 10)));
    return static_cast<int>(std::wcstol(argv[3], nullptr, 10));
  }
  if (argc > 1 && std::wcscmp(argv[1], L"busy") == 0) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < 60000) {
    }
    return 0;
  }
  const DWORD milliseconds = argc > 1 ? static_cast<DWORD>(std::wcstol(argv[1], nullptr, 10)) : 60000;
  if (argc > 2 && LoadLibraryW(argv[2]) == nullptr) return 1;
  if (argc > 3 && CreateFileW(argv[3], GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr) == INVALID_HANDLE_VALUE)
    return 1;
  Sleep(milliseconds);
  return 0;
}
