// The program itself: version, own process, command line, environment,
// the last error and local time.
#include "os/win32/win32_os.h"

#include "os/win32/win32_support.h"

#include <cstring>
#include <cwchar>
#include <vector>

namespace kvt {
using namespace win32;

namespace {

static_assert(sizeof(OSVERSIONINFOA) == sizeof(TOsVersionInfo), "OSVERSIONINFOA layout");

}  // namespace

bool Win32Os::GetVersionExA(TOsVersionInfo* info) {
  OSVERSIONINFOA version;
  std::memcpy(&version, static_cast<const void*>(info), sizeof version);
  const bool ok = ::GetVersionExA(&version) != 0;
  std::memcpy(static_cast<void*>(info), &version, sizeof version);
  return ok;
}

OsHandle Win32Os::GetCurrentProcess() { return FromHandle(::GetCurrentProcess()); }
uint32_t Win32Os::GetCurrentProcessId() { return ::GetCurrentProcessId(); }
std::string Win32Os::GetCommandLineW() {
  const wchar_t* line = ::GetCommandLineW();
  return ToUtf8(line, std::wcslen(line));
}

std::string Win32Os::GetOwnModuleFileName() {
  std::vector<wchar_t> buffer(kMaxWideText);
  const DWORD length = ::GetModuleFileNameW(nullptr, buffer.data(), kMaxWideText);
  return length < kMaxWideText ? ToUtf8(buffer.data(), length) : std::string();
}

std::string Win32Os::GetComputerNameW() {
  wchar_t name[MAX_COMPUTERNAME_LENGTH + 1];
  DWORD length = MAX_COMPUTERNAME_LENGTH + 1;
  return ::GetComputerNameW(name, &length) ? ToUtf8(name, length) : std::string();
}

uint32_t Win32Os::PointerSize() { return sizeof(void*); }

bool Win32Os::CloseHandle(OsHandle handle) { return ::CloseHandle(ToHandle(handle)) != 0; }

uint32_t Win32Os::GetLastError() { return ::GetLastError(); }

uint32_t Win32Os::GetEnvironmentVariableW(const char* name, char* buffer, uint32_t size) {
  std::vector<wchar_t> value(kMaxWideText);
  const DWORD units = ::GetEnvironmentVariableW(ToWide(name).c_str(), value.data(), kMaxWideText);
  if (units == 0 || units >= kMaxWideText) return 0;
  const std::string text = ToUtf8(value.data(), units);
  if (text.size() >= size) return static_cast<uint32_t>(text.size() + 1);
  return CopyTextToBuffer(text, buffer, size);
}

bool Win32Os::SetEnvironmentVariableW(const char* name, const char* value) {
  const std::wstring wideValue = ToWide(value);
  return ::SetEnvironmentVariableW(ToWide(name).c_str(),
                                   value != nullptr ? wideValue.c_str() : nullptr) != 0;
}
bool Win32Os::FileTimeToLocalFileTime(uint64_t fileTime, uint64_t* localFileTime) {
  // The rules of that moment's time zone, summer time included, where the
  // system has the call for it (bound by name: Windows 2000 and later);
  // else today's bias, as the old call applies it.
  using SystemTimeToTzSpecificLocalTimeFn =
      BOOL(WINAPI*)(const TIME_ZONE_INFORMATION*, const SYSTEMTIME*, SYSTEMTIME*);
  static void* const toZoneTime =
      Lookup(GetModuleHandleA("kernel32.dll"), "SystemTimeToTzSpecificLocalTime");
  const FILETIME utc = {static_cast<DWORD>(fileTime), static_cast<DWORD>(fileTime >> 32)};
  SYSTEMTIME utcTime;
  SYSTEMTIME localTime;
  FILETIME local;
  const bool converted =
      toZoneTime == nullptr
          ? ::FileTimeToLocalFileTime(&utc, &local) != 0
          : ::FileTimeToSystemTime(&utc, &utcTime) &&
                As<SystemTimeToTzSpecificLocalTimeFn>(toZoneTime)(nullptr, &utcTime, &localTime) &&
                ::SystemTimeToFileTime(&localTime, &local);
  if (!converted) return false;
  *localFileTime = uint64_t{local.dwHighDateTime} << 32 | local.dwLowDateTime;
  return true;
}

uint64_t Win32Os::GetSystemTimeAsFileTime() {
  FILETIME now;
  ::GetSystemTimeAsFileTime(&now);
  return static_cast<uint64_t>(now.dwHighDateTime) << 32 | now.dwLowDateTime;
}

bool Win32Os::QueryPerformanceCounter(uint64_t* count) {
  LARGE_INTEGER value;
  if (!::QueryPerformanceCounter(&value)) return false;
  *count = static_cast<uint64_t>(value.QuadPart);
  return true;
}

bool Win32Os::QueryPerformanceFrequency(uint64_t* frequency) {
  LARGE_INTEGER value;
  if (!::QueryPerformanceFrequency(&value) || value.QuadPart <= 0) return false;
  *frequency = static_cast<uint64_t>(value.QuadPart);
  return true;
}

uint32_t Win32Os::GetNumberOfProcessors() {
  SYSTEM_INFO info;
  ::GetSystemInfo(&info);
  return info.dwNumberOfProcessors;
}

}  // namespace kvt
