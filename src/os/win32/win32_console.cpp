// Standard streams and the debugger channel.
#include "os/win32/win32_os.h"

#include "os/win32/win32_support.h"

namespace kvt {
using namespace win32;

namespace {

bool WriteAll(DWORD stdHandle, const char* data, size_t length) {
  HANDLE handle = GetStdHandle(stdHandle);
  while (length > 0) {
    DWORD written = 0;
    if (!WriteFile(handle, data, static_cast<DWORD>(length), &written, nullptr) || written == 0)
      return false;
    data += written;
    length -= written;
  }
  return true;
}

}  // namespace

bool Win32Os::GetConsoleMode(uint32_t stdHandle, uint32_t* mode) {
  DWORD value = 0;
  const BOOL ok = ::GetConsoleMode(GetStdHandle(stdHandle), &value);
  *mode = value;
  return ok != 0;
}

bool Win32Os::WriteConsoleW(uint32_t stdHandle, const std::string& text) {
  const HANDLE handle = GetStdHandle(stdHandle);
  const std::wstring wide = ToWide(text);
  // Consoles take a limited amount per call.
  constexpr size_t kChunk = 8192;
  for (size_t at = 0; at < wide.size();) {
    DWORD written = 0;
    const DWORD wanted = static_cast<DWORD>(std::min(kChunk, wide.size() - at));
    if (!::WriteConsoleW(handle, wide.data() + at, wanted, &written, nullptr) || written == 0)
      return false;
    at += written;
  }
  return true;
}

bool Win32Os::WriteStdOut(const char* data, size_t length) {
  return WriteAll(STD_OUTPUT_HANDLE, data, length);
}

bool Win32Os::WriteStdErr(const char* data, size_t length) {
  return WriteAll(STD_ERROR_HANDLE, data, length);
}

void Win32Os::OutputDebugStringW(const char* text) { ::OutputDebugStringW(ToWide(text).c_str()); }

namespace {

// The event the handler of Ctrl+C sets; one per process, as the handler is.
HANDLE stopEvent = nullptr;

BOOL WINAPI OnConsoleControl(DWORD control) {
  if (control != CTRL_C_EVENT && control != CTRL_BREAK_EVENT) return FALSE;
  SetEvent(stopEvent);
  return TRUE;
}

}  // namespace

bool Win32Os::GetConsoleScreenBufferInfo(uint32_t stdHandle, TConsoleScreen* screen) {
  CONSOLE_SCREEN_BUFFER_INFO info;
  if (!::GetConsoleScreenBufferInfo(GetStdHandle(stdHandle), &info)) return false;
  screen->BufferWidth = info.dwSize.X;
  screen->BufferHeight = info.dwSize.Y;
  screen->WindowTop = info.srWindow.Top;
  screen->WindowHeight = static_cast<int16_t>(info.srWindow.Bottom - info.srWindow.Top + 1);
  screen->CursorX = info.dwCursorPosition.X;
  screen->CursorY = info.dwCursorPosition.Y;
  return true;
}

bool Win32Os::SetConsoleCursorPosition(uint32_t stdHandle, int16_t x, int16_t y) {
  return ::SetConsoleCursorPosition(GetStdHandle(stdHandle), COORD{x, y}) != 0;
}

uint32_t Win32Os::FillConsoleOutputCharacterW(uint32_t stdHandle, uint32_t count, int16_t x,
                                              int16_t y) {
  DWORD written = 0;
  ::FillConsoleOutputCharacterW(GetStdHandle(stdHandle), L' ', count, COORD{x, y}, &written);
  return written;
}

OsHandle Win32Os::SetConsoleCtrlHandler() {
  if (stopEvent == nullptr) {
    stopEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (stopEvent == nullptr) return 0;
    // Without the handler the event still times the pauses, and Ctrl+C ends
    // the program as it ends any other.
    ::SetConsoleCtrlHandler(OnConsoleControl, TRUE);
  }
  return FromHandle(stopEvent);
}

}  // namespace kvt
