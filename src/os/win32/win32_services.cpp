// The service manager.
#include "os/win32/win32_os.h"

#include "os/win32/win32_support.h"

#include <cwchar>
#include <string>
#include <vector>

namespace kvt {
using namespace win32;

namespace {

using EnumServicesStatusExWFn = BOOL(WINAPI*)(SC_HANDLE, SC_ENUM_TYPE, DWORD, DWORD, LPBYTE,
                                              DWORD, LPDWORD, LPDWORD, LPDWORD, LPCWSTR);

}  // namespace

OsHandle Win32Os::OpenSCManagerW(uint32_t desiredAccess) {
  return FromHandle(::OpenSCManagerW(nullptr, nullptr, desiredAccess));
}

bool Win32Os::CloseServiceHandle(OsHandle scManager) {
  return ::CloseServiceHandle(ToPointer<SC_HANDLE>(scManager)) != 0;
}

bool Win32Os::EnumServicesStatusExW(OsHandle scManager, uint32_t serviceType,
                                    uint32_t serviceState, uint32_t bufferSize,
                                    uint32_t* bytesNeeded, uint32_t* resumeHandle,
                                    std::vector<TServiceProcess>& services) {
  if (enumServicesStatusExW_ == nullptr) return false;
  // ENUM_SERVICE_STATUS_PROCESSW entries, whose names point into the reply.
  std::vector<ENUM_SERVICE_STATUS_PROCESSW> reply(bufferSize / sizeof(ENUM_SERVICE_STATUS_PROCESSW) +
                                                  1);
  DWORD needed = 0;
  DWORD count = 0;
  DWORD resume = *resumeHandle;
  const BOOL ok = As<EnumServicesStatusExWFn>(enumServicesStatusExW_)(
      ToPointer<SC_HANDLE>(scManager), SC_ENUM_PROCESS_INFO, serviceType, serviceState,
      reinterpret_cast<LPBYTE>(reply.data()), bufferSize, &needed, &count, &resume, nullptr);
  const DWORD error = ::GetLastError();
  *bytesNeeded = needed;
  *resumeHandle = resume;
  for (DWORD i = 0; i < count && i < reply.size(); ++i) {
    const wchar_t* name = reply[i].lpServiceName;
    services.push_back({name == nullptr ? std::string() : ToUtf8(name, std::wcslen(name)),
                        reply[i].ServiceStatusProcess.dwProcessId});
  }
  ::SetLastError(error);
  return ok != 0;
}

}  // namespace kvt
