#pragma once
// Standard streams and the debugger channel. A write returns false when it
// failed. GetConsoleMode tells whether standard output is a console, where
// WriteConsoleW shows text as it is; bytes written to it go elsewhere as they are.
#include <cstddef>
#include <cstdint>
#include <string>

namespace kvt {

constexpr uint32_t kStdOutputHandle = static_cast<uint32_t>(-11);

struct OsConsole {
  virtual ~OsConsole() = default;

  virtual bool GetConsoleMode(uint32_t stdHandle, uint32_t* mode) = 0;
  virtual bool WriteConsoleW(uint32_t stdHandle, const std::string& text) = 0;
  virtual bool WriteStdOut(const char* data, size_t length) = 0;
  virtual bool WriteStdErr(const char* data, size_t length) = 0;
  virtual void OutputDebugStringW(const char* text) = 0;
};

}  // namespace kvt
