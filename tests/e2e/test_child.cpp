// A process for kvtProc to find, list and end: it waits until it is killed or
// its time is up (the first argument, in milliseconds; 60 s by default). A
// second argument names a library it loads first, for its module list.
#include <windows.h>

#include <cstdlib>

int main(int argc, char** argv) {
  const DWORD milliseconds = argc > 1 ? static_cast<DWORD>(std::atol(argv[1])) : 60000;
  if (argc > 2 && LoadLibraryA(argv[2]) == nullptr) return 1;
  Sleep(milliseconds);
  return 0;
}
