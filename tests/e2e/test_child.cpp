// A process for kvtProc to find, list and end: it waits until it is killed or
// its time is up (the first argument, in milliseconds; 60 s by default).
#include <windows.h>

#include <cstdlib>

int main(int argc, char** argv) {
  const DWORD milliseconds = argc > 1 ? static_cast<DWORD>(std::atol(argv[1])) : 60000;
  Sleep(milliseconds);
  return 0;
}
