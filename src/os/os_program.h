#pragma once
// The program itself: the system's version, its own process, command line,
// module and environment, the entry points it may lack, its pointer width,
// the last error and the closing of a handle.
#include <cstdint>
#include <string>

#include "os/os_types.h"

namespace kvt {

constexpr uint32_t kVerPlatformWin32Nt = 2;

// OSVERSIONINFOA, 148 bytes.
struct TOsVersionInfo {
  uint32_t dwOSVersionInfoSize = 0;
  uint32_t dwMajorVersion = 0;
  uint32_t dwMinorVersion = 0;
  uint32_t dwBuildNumber = 0;
  uint32_t dwPlatformId = 0;
  char szCSDVersion[128] = {};
};
static_assert(sizeof(TOsVersionInfo) == 148, "OSVERSIONINFOA layout");

// Entry points that are looked up by name and may be missing on a given system.
enum class TOptionalEntry {
  GetProcessImageFileNameW,
  NtQuerySystemInformation,
  NtQueryObject,
  NtQueryInformationFile,
  EnumProcessModulesEx,
  // Wow64DisableWow64FsRedirection and Wow64RevertWow64FsRedirection, bound together.
  Wow64FsRedirection,
  // Signatures. WinVerifyTrust with WTHelperProvDataFromStateData and
  // WTHelperGetProvSignerFromChain; CertGetNameStringW; the catalog
  // administrator of every Windows since 2000 (CryptCATAdminAcquireContext,
  // CalcHashFromFileHandle, EnumCatalogFromHash, CryptCATCatalogInfoFromContext
  // and the two releases); its SHA-256 forms (AcquireContext2 and
  // CalcHashFromFileHandle2, both or neither). Each group is bound together.
  WinVerifyTrust,
  CertGetNameStringW,
  CatalogAdmin,
  CatalogAdmin2,
  // kernel32 of Windows 6.0 and later.
  QueryFullProcessImageNameW,
  NtQueryInformationProcess,
  // advapi32 of Windows 2000 and later.
  EnumServicesStatusExW,
};

struct OsProgram {
  virtual ~OsProgram() = default;

  virtual bool GetVersionExA(TOsVersionInfo* info) = 0;
  virtual OsHandle GetCurrentProcess() = 0;
  virtual uint32_t GetCurrentProcessId() = 0;
  virtual std::string GetCommandLineW() = 0;
  // GetModuleFileNameW for the program's own module.
  virtual std::string GetOwnModuleFileName() = 0;
  // This machine's NetBIOS name; empty when the system does not tell it.
  virtual std::string GetComputerNameW() = 0;
  virtual bool IsBound(TOptionalEntry entry) = 0;
  // The width of this program's pointers in bytes, 4 or 8: the platform's
  // structures behind the seam are laid out for it.
  virtual uint32_t PointerSize() = 0;
  virtual bool CloseHandle(OsHandle handle) = 0;
  // The calling thread's, as left by the last call of the seam that failed
  // or says so.
  virtual uint32_t GetLastError() = 0;
  // This process's environment, which the programs it starts inherit; names
  // and values are UTF-8, sizes bytes. Get returns the value's length, the size needed
  // (terminator included) when Size is too small, or 0 when Name is not set;
  // Set with a null Value removes Name.
  virtual uint32_t GetEnvironmentVariableW(const char* name, char* buffer, uint32_t size) = 0;
  virtual bool SetEnvironmentVariableW(const char* name, const char* value) = 0;
  // Converts in the time zone of that moment's rules.
  virtual bool FileTimeToLocalFileTime(uint64_t fileTime, uint64_t* localFileTime) = 0;
  // Now, as a FILETIME (UTC).
  virtual uint64_t GetSystemTimeAsFileTime() = 0;
  // The performance counter and its counts per second: the clock that
  // measures intervals.
  virtual bool QueryPerformanceCounter(uint64_t* count) = 0;
  virtual bool QueryPerformanceFrequency(uint64_t* frequency) = 0;
  // GetSystemInfo's dwNumberOfProcessors.
  virtual uint32_t GetNumberOfProcessors() = 0;
};

}  // namespace kvt
