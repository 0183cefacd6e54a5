// Processes and their tokens.
#include "os/win32/win32_os.h"

#include "os/win32/win32_support.h"

#include <cstdint>
#include <string>

namespace kvt {
using namespace win32;

namespace {

using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, BOOL*);

// Wide text into a UTF-8 buffer of Size bytes, without the heap: the
// account look-up runs on a worker that may be abandoned at any point.
// Size becomes the length, or the size needed when it does not fit.
bool WideIntoUtf8(const wchar_t* text, char* buffer, uint32_t* size) {
  const int needed = ::WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (needed <= 0 || static_cast<uint32_t>(needed) > *size) {
    *size = needed > 0 ? static_cast<uint32_t>(needed) : 0;
    return false;
  }
  ::WideCharToMultiByte(CP_UTF8, 0, text, -1, buffer, needed, nullptr, nullptr);
  *size = static_cast<uint32_t>(needed - 1);
  return true;
}

}  // namespace

OsHandle Win32Os::OpenProcess(uint32_t access, bool inherit, uint32_t processId) {
  return FromHandle(::OpenProcess(access, inherit ? TRUE : FALSE, processId));
}

bool Win32Os::TerminateProcess(OsHandle process, uint32_t exitCode) {
  return ::TerminateProcess(ToHandle(process), exitCode) != 0;
}

bool Win32Os::GetProcessTimes(OsHandle process, uint64_t* creationTime, uint64_t* exitTime,
                              uint64_t* kernelTime, uint64_t* userTime) {
  FILETIME times[4];
  if (!::GetProcessTimes(ToHandle(process), &times[0], &times[1], &times[2], &times[3]))
    return false;
  uint64_t* const results[4] = {creationTime, exitTime, kernelTime, userTime};
  for (int i = 0; i < 4; ++i)
    *results[i] = uint64_t{times[i].dwHighDateTime} << 32 | times[i].dwLowDateTime;
  return true;
}

bool Win32Os::IsWow64Process(OsHandle process, bool* wow64) {
  if (isWow64Process_ == nullptr) return false;
  BOOL flag = FALSE;
  const BOOL ok = As<IsWow64ProcessFn>(isWow64Process_)(ToHandle(process), &flag);
  *wow64 = flag != 0;
  return ok != 0;
}

bool Win32Os::CreateProcessW(const char* applicationName, const std::string& commandLine,
                             TProcessInformation* info) {
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  // Handles handed on must be inheritable; the ones this program was given
  // may not be, so inheritable copies go instead.
  const DWORD streams[] = {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE};
  HANDLE* targets[] = {&startup.hStdInput, &startup.hStdOutput, &startup.hStdError};
  for (int i = 0; i < 3; ++i) {
    const HANDLE own = GetStdHandle(streams[i]);
    *targets[i] = own;
    if (own != nullptr && own != INVALID_HANDLE_VALUE)
      ::DuplicateHandle(::GetCurrentProcess(), own, ::GetCurrentProcess(), targets[i], 0, TRUE,
                        DUPLICATE_SAME_ACCESS);
  }
  const std::wstring application = ToWide(applicationName);
  std::wstring line = ToWide(commandLine);  // the call may write into it
  line.push_back(L'\0');
  PROCESS_INFORMATION started = {};
  const BOOL ok = ::CreateProcessW(applicationName != nullptr ? application.c_str() : nullptr,
                                   &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                                   &started);
  for (int i = 0; i < 3; ++i)
    if (*targets[i] != GetStdHandle(streams[i])) ::CloseHandle(*targets[i]);
  if (!ok) return false;
  info->hProcess = FromHandle(started.hProcess);
  info->hThread = FromHandle(started.hThread);
  info->dwProcessId = started.dwProcessId;
  info->dwThreadId = started.dwThreadId;
  return true;
}

uint32_t Win32Os::WaitForSingleObject(OsHandle handle, uint32_t milliseconds) {
  return ::WaitForSingleObject(ToHandle(handle), milliseconds);
}

bool Win32Os::GetExitCodeProcess(OsHandle process, uint32_t* exitCode) {
  DWORD code = 0;
  const BOOL ok = ::GetExitCodeProcess(ToHandle(process), &code);
  *exitCode = code;
  return ok != 0;
}
// Least rights and the debug privilege. The token calls are advapi32's,
// which every Windows of the NT family has.

bool Win32Os::QueryFullProcessImageNameW(OsHandle process, uint32_t flags, char* exeName,
                                         uint32_t* size) {
  if (queryFullProcessImageNameW_ == nullptr || *size == 0) return false;
  using QueryFullProcessImageNameWFn = BOOL(WINAPI*)(HANDLE, DWORD, LPWSTR, PDWORD);
  exeName[0] = '\0';
  bool named = false;
  const uint32_t copied = CallForText(
      [&](wchar_t* wide, DWORD room) -> DWORD {
        DWORD units = room;
        named = As<QueryFullProcessImageNameWFn>(queryFullProcessImageNameW_)(
                    ToHandle(process), flags, wide, &units) != 0;
        return named ? units : 0;
      },
      UnitsFor(*size), exeName, *size);
  if (!named) return false;
  *size = copied;
  return true;
}

bool Win32Os::OpenProcessToken(OsHandle process, uint32_t desiredAccess, OsHandle* token) {
  HANDLE opened = nullptr;
  if (::OpenProcessToken(ToHandle(process), desiredAccess, &opened) == 0) return false;
  *token = FromHandle(opened);
  return true;
}

bool Win32Os::LookupPrivilegeValueW(const char* systemName, const char* name, TLuid* luid) {
  const std::wstring system = ToWide(systemName);
  LUID value = {};
  if (::LookupPrivilegeValueW(systemName != nullptr ? system.c_str() : nullptr,
                              ToWide(name).c_str(), &value) == 0)
    return false;
  luid->LowPart = value.LowPart;
  luid->HighPart = value.HighPart;
  return true;
}

bool Win32Os::AdjustTokenPrivileges(OsHandle token, bool disableAllPrivileges,
                                    const TTokenPrivileges* newState) {
  TOKEN_PRIVILEGES state = {};
  state.PrivilegeCount = 1;
  state.Privileges[0].Luid.LowPart = newState->Luid.LowPart;
  state.Privileges[0].Luid.HighPart = newState->Luid.HighPart;
  state.Privileges[0].Attributes = newState->Attributes;
  return ::AdjustTokenPrivileges(ToHandle(token), disableAllPrivileges ? TRUE : FALSE, &state,
                                 0, nullptr, nullptr) != 0;
}
bool Win32Os::ReadProcessMemory(OsHandle process, uint64_t address, uint8_t* buffer,
                                uint32_t size, uint32_t* bytesRead) {
  *bytesRead = 0;
  if (address > UINTPTR_MAX || UINTPTR_MAX - address < size) {
    ::SetLastError(ERROR_PARTIAL_COPY);
    return false;
  }
  SIZE_T read = 0;
  const BOOL ok = ::ReadProcessMemory(ToHandle(process),
                                      reinterpret_cast<LPCVOID>(static_cast<uintptr_t>(address)),
                                      buffer, size, &read);
  *bytesRead = static_cast<uint32_t>(read);
  return ok != 0;
}

bool Win32Os::GetTokenInformation(OsHandle token, uint32_t infoClass, uint8_t* buffer,
                                  uint32_t size, uint32_t* returned) {
  DWORD length = 0;
  const BOOL ok = ::GetTokenInformation(ToHandle(token),
                                        static_cast<TOKEN_INFORMATION_CLASS>(infoClass), buffer,
                                        size, &length);
  *returned = length;
  return ok != 0;
}

bool Win32Os::LookupAccountSidW(const uint8_t* sid, char* name, uint32_t* nameSize, char* domain,
                                uint32_t* domainSize) {
  wchar_t wideName[256];
  wchar_t wideDomain[256];
  DWORD nameUnits = ARRAYSIZE(wideName);
  DWORD domainUnits = ARRAYSIZE(wideDomain);
  SID_NAME_USE use;
  if (!::LookupAccountSidW(nullptr, const_cast<uint8_t*>(sid), wideName, &nameUnits, wideDomain,
                           &domainUnits, &use))
    return false;
  const bool nameFits = WideIntoUtf8(wideName, name, nameSize);
  return WideIntoUtf8(wideDomain, domain, domainSize) && nameFits;
}

}  // namespace kvt
