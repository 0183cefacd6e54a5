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

}  // namespace kvt
