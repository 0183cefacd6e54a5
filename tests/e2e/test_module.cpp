// A library that only the test children load, so that a module list holds a
// module no program of the system loads by itself.
#include <windows.h>

extern "C" __declspec(dllexport) int KvtTestModuleMarker() { return 42; }
