#include "app/dispatcher.h"
#include "os/win32/win32_os.h"

int main() {
  kvt::Win32Os os;
  return kvt::RunProgram(os);
}
