// A process that holds a named event and an open file for kvtProc to list:
// kvt_handle_child <event name> <file path>. It waits until it is ended.
#include <windows.h>

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  HANDLE event = CreateEventA(nullptr, TRUE, FALSE, argv[1]);
  HANDLE file =
      CreateFileA(argv[2], GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, OPEN_EXISTING, 0, nullptr);
  if (event == nullptr || file == INVALID_HANDLE_VALUE) return 3;
  Sleep(60000);
  return 0;
}
