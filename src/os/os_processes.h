#pragma once
// Processes and their tokens: opening, ending, starting and waiting for a
// process, its times, width, image name and memory; the token calls that
// switch a privilege and tell who a process runs as.
#include <cstdint>
#include <string>

#include "os/os_types.h"

namespace kvt {

constexpr uint32_t kProcessTerminate = 0x0001;
constexpr uint32_t kProcessVmRead = 0x0010;
constexpr uint32_t kProcessDupHandle = 0x0040;
constexpr uint32_t kProcessQueryInformation = 0x0400;
// What Windows 6.0 and later grant a program that is not elevated.
constexpr uint32_t kProcessQueryLimitedInformation = 0x1000;
constexpr uint32_t kInfinite = 0xFFFFFFFFu;
constexpr uint32_t kWaitObject0 = 0;
constexpr uint32_t kWaitFailed = 0xFFFFFFFFu;
constexpr uint32_t kWaitTimeout = 0x102;
constexpr uint32_t kStillActive = 259;  // the exit code of a process that has not ended

// PROCESS_INFORMATION of a started program.
struct TProcessInformation {
  OsHandle hProcess = 0;
  OsHandle hThread = 0;
  uint32_t dwProcessId = 0;
  uint32_t dwThreadId = 0;
};

// Tokens: the debug privilege, the last errors that tell a denial from other
// failures, and the classes of who a process runs as.
constexpr uint32_t kTokenAdjustPrivileges = 0x0020;
constexpr uint32_t kTokenQuery = 0x0008;
constexpr uint32_t kSePrivilegeEnabled = 0x2;
constexpr const char* kSeDebugName = "SeDebugPrivilege";
constexpr uint32_t kErrorNotAllAssigned = 1300;
constexpr uint32_t kErrorNoSuchPrivilege = 1313;
constexpr uint32_t kTokenUser = 1;
constexpr uint32_t kTokenIntegrityLevel = 25;
constexpr uint32_t kTokenIsAppContainer = 29;

struct TLuid {
  uint32_t LowPart = 0;
  int32_t HighPart = 0;
};

// TOKEN_PRIVILEGES with the one entry the program ever passes.
struct TTokenPrivileges {
  uint32_t PrivilegeCount = 1;
  TLuid Luid;
  uint32_t Attributes = 0;
};

struct OsProcesses {
  virtual ~OsProcesses() = default;

  virtual OsHandle OpenProcess(uint32_t access, bool inherit, uint32_t processId) = 0;
  virtual bool TerminateProcess(OsHandle process, uint32_t exitCode) = 0;
  // The process's times in FILETIME units: its start and end (UTC) and the
  // time it spent in the kernel and in user mode.
  virtual bool GetProcessTimes(OsHandle process, uint64_t* creationTime, uint64_t* exitTime,
                               uint64_t* kernelTime, uint64_t* userTime) = 0;
  virtual bool IsWow64Process(OsHandle process, bool* wow64) = 0;
  // Starts CommandLine (ApplicationName: the program file) with this
  // program's standard input, output and error handed on to it.
  virtual bool CreateProcessW(const char* applicationName, const std::string& commandLine,
                              TProcessInformation* info) = 0;
  virtual uint32_t WaitForSingleObject(OsHandle handle, uint32_t milliseconds) = 0;
  virtual bool GetExitCodeProcess(OsHandle process, uint32_t* exitCode) = 0;
  // Bound by name (false while unbound); Size is the buffer's bytes on the
  // way in and the name's bytes, without its terminator, on the way out.
  virtual bool QueryFullProcessImageNameW(OsHandle process, uint32_t flags, char* exeName,
                                          uint32_t* size) = 0;
  // Takes the address at 64 bits; the 32-bit program fails for one past its reach.
  virtual bool ReadProcessMemory(OsHandle process, uint64_t address, uint8_t* buffer,
                                 uint32_t size, uint32_t* bytesRead) = 0;

  // The token calls are advapi32's. AdjustTokenPrivileges asks for no
  // previous state; it succeeds also when the token lacks the privilege, and
  // GetLastError then tells kErrorNotAllAssigned.
  virtual bool OpenProcessToken(OsHandle process, uint32_t desiredAccess, OsHandle* token) = 0;
  virtual bool LookupPrivilegeValueW(const char* systemName, const char* name, TLuid* luid) = 0;
  virtual bool AdjustTokenPrivileges(OsHandle token, bool disableAllPrivileges,
                                     const TTokenPrivileges* newState) = 0;
  // Fills Buffer as the platform lays it out (os/layouts/token_replies.h): a
  // SID's pointer points into Buffer.
  virtual bool GetTokenInformation(OsHandle token, uint32_t infoClass, uint8_t* buffer,
                                   uint32_t size, uint32_t* returned) = 0;
  // Name and domain in UTF-8, sizes in bytes with the terminator, the size
  // needed when short.
  virtual bool LookupAccountSidW(const uint8_t* sid, char* name, uint32_t* nameSize,
                                 char* domain, uint32_t* domainSize) = 0;
};

}  // namespace kvt
