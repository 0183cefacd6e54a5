#pragma once
// Standard streams and the debugger channel. A write returns false when it
// failed. GetConsoleMode tells whether standard output is a console, where
// WriteConsoleW shows text as it is; bytes written to it go elsewhere as they are.
#include <cstddef>
#include <cstdint>
#include <string>

#include "os/os_types.h"

namespace kvt {

constexpr uint32_t kStdOutputHandle = static_cast<uint32_t>(-11);

// A console's screen buffer: its size, the window onto it and the cursor, in
// character cells.
struct TConsoleScreen {
  int16_t BufferWidth = 0, BufferHeight = 0;
  int16_t WindowTop = 0, WindowHeight = 0;
  int16_t CursorX = 0, CursorY = 0;
};

struct OsConsole {
  virtual ~OsConsole() = default;

  virtual bool GetConsoleMode(uint32_t stdHandle, uint32_t* mode) = 0;
  virtual bool WriteConsoleW(uint32_t stdHandle, const std::string& text) = 0;
  virtual bool WriteStdOut(const char* data, size_t length) = 0;
  virtual bool WriteStdErr(const char* data, size_t length) = 0;
  virtual void OutputDebugStringW(const char* text) = 0;
  virtual bool GetConsoleScreenBufferInfo(uint32_t stdHandle, TConsoleScreen* screen) = 0;
  virtual bool SetConsoleCursorPosition(uint32_t stdHandle, int16_t x, int16_t y) = 0;
  // Blanks Count cells from (X, Y) on; the count blanked.
  virtual uint32_t FillConsoleOutputCharacterW(uint32_t stdHandle, uint32_t count, int16_t x,
                                               int16_t y) = 0;
  // Installs the program's handler of Ctrl+C and Ctrl+Break, which sets the
  // event it gives (manual reset) instead of ending the program; 0 when no
  // event could be made. A pause is a wait on it with WaitForSingleObject,
  // which Ctrl+C ends early.
  virtual OsHandle SetConsoleCtrlHandler() = 0;
};

}  // namespace kvt
