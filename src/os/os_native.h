#pragma once
// The native interface of ntdll.dll, bound by name when the program starts:
// the information classes asked for, the status codes relied on, and the
// copying of another process's handle. The Nt calls return the status; an
// unbound entry gives kStatusNotImplemented. The replies' layouts are under
// os/layouts/.
#include <cstdint>

#include "os/os_types.h"

namespace kvt {

constexpr uint32_t kSystemProcessInformation = 5;
constexpr uint32_t kSystemHandleInformation = 16;
constexpr uint32_t kSystemExtendedHandleInformation = 64;
constexpr uint32_t kObjectNameInformation = 1;
constexpr uint32_t kObjectTypeInformation = 2;
// NtQueryObject's class for the names of all object types at once.
constexpr uint32_t kObjectTypesInformation = 3;
constexpr uint32_t kFileNameInformation = 9;
// A process's basic information, the address of the 32-bit block of a WOW64
// process, and its command line (Windows 8.1 and later).
constexpr uint32_t kProcessBasicInformation = 0;
constexpr uint32_t kProcessWow64Information = 26;
constexpr uint32_t kProcessCommandLineInformation = 60;
constexpr uint32_t kStatusSuccess = 0;
constexpr uint32_t kStatusUnsuccessful = 0xC0000001u;
constexpr uint32_t kStatusNotImplemented = 0xC0000002u;
constexpr uint32_t kStatusInfoLengthMismatch = 0xC0000004u;
constexpr uint32_t kStatusAccessDenied = 0xC0000022u;
// The option that keeps a duplicated handle's access.
constexpr uint32_t kDuplicateSameAccess = 0x2;

// IO_STATUS_BLOCK: the status and a pointer-sized count.
struct TIoStatusBlock {
  uint32_t Status = 0;
  uint64_t Information = 0;
};

struct OsNative {
  virtual ~OsNative() = default;

  virtual uint32_t NtQuerySystemInformation(uint32_t infoClass, uint8_t* buffer, uint32_t size,
                                            uint32_t* needed) = 0;
  virtual uint32_t NtQueryObject(OsHandle handle, uint32_t infoClass, uint8_t* buffer,
                                 uint32_t size, uint32_t* needed) = 0;
  virtual uint32_t NtQueryInformationFile(OsHandle file, TIoStatusBlock* ioStatus,
                                          uint8_t* buffer, uint32_t size,
                                          uint32_t infoClass) = 0;
  virtual uint32_t NtQueryInformationProcess(OsHandle process, uint32_t infoClass,
                                             uint8_t* buffer, uint32_t size,
                                             uint32_t* returned) = 0;
  virtual bool DuplicateHandle(OsHandle sourceProcess, OsHandle source, OsHandle targetProcess,
                               OsHandle* target, uint32_t access, bool inherit,
                               uint32_t options) = 0;
};

}  // namespace kvt
