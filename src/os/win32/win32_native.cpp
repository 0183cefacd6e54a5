// The native interface of ntdll.dll and the copying of handles.
#include "os/win32/win32_os.h"

#include "os/win32/win32_support.h"

#include <winternl.h>

namespace kvt {
using namespace win32;

namespace {

using NtQuerySystemInformationFn = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
using NtQueryObjectFn = LONG(WINAPI*)(HANDLE, ULONG, PVOID, ULONG, PULONG);
using NtQueryInformationFileFn = LONG(WINAPI*)(HANDLE, PVOID, PVOID, ULONG, ULONG);
using NtQueryInformationProcessFn = LONG(WINAPI*)(HANDLE, ULONG, PVOID, ULONG, PULONG);

}  // namespace

uint32_t Win32Os::NtQuerySystemInformation(uint32_t infoClass, uint8_t* buffer, uint32_t size,
                                           uint32_t* needed) {
  if (ntQuerySystemInformation_ == nullptr) return kStatusNotImplemented;
  ULONG length = 0;
  const LONG status =
      As<NtQuerySystemInformationFn>(ntQuerySystemInformation_)(infoClass, buffer, size, &length);
  *needed = length;
  return static_cast<uint32_t>(status);
}

uint32_t Win32Os::NtQueryObject(OsHandle handle, uint32_t infoClass, uint8_t* buffer,
                                uint32_t size, uint32_t* needed) {
  if (ntQueryObject_ == nullptr) return kStatusNotImplemented;
  // Runs on the guarded worker too: nothing here may allocate or lock.
  ULONG length = 0;
  const LONG status =
      As<NtQueryObjectFn>(ntQueryObject_)(ToHandle(handle), infoClass, buffer, size, &length);
  *needed = length;
  return static_cast<uint32_t>(status);
}

uint32_t Win32Os::NtQueryInformationFile(OsHandle file, TIoStatusBlock* ioStatus,
                                         uint8_t* buffer, uint32_t size, uint32_t infoClass) {
  if (ntQueryInformationFile_ == nullptr) return kStatusNotImplemented;
  // The platform's block is pointer-sized; it lives on the worker's stack.
  IO_STATUS_BLOCK block = {};
  const LONG status = As<NtQueryInformationFileFn>(ntQueryInformationFile_)(
      ToHandle(file), &block, buffer, size, infoClass);
  ioStatus->Status = static_cast<uint32_t>(block.Status);
  ioStatus->Information = block.Information;
  return static_cast<uint32_t>(status);
}

bool Win32Os::DuplicateHandle(OsHandle sourceProcess, OsHandle source, OsHandle targetProcess,
                              OsHandle* target, uint32_t access, bool inherit, uint32_t options) {
  HANDLE copy = nullptr;
  const BOOL ok = ::DuplicateHandle(ToHandle(sourceProcess), ToHandle(source),
                                    ToHandle(targetProcess), &copy, access,
                                    inherit ? TRUE : FALSE, options);
  *target = ok ? FromHandle(copy) : 0;
  return ok != 0;
}
uint32_t Win32Os::NtQueryInformationProcess(OsHandle process, uint32_t infoClass,
                                            uint8_t* buffer, uint32_t size, uint32_t* returned) {
  if (ntQueryInformationProcess_ == nullptr) return kStatusNotImplemented;
  ULONG length = 0;
  const LONG status = As<NtQueryInformationProcessFn>(ntQueryInformationProcess_)(
      ToHandle(process), infoClass, buffer, size, &length);
  *returned = length;
  return static_cast<uint32_t>(status);
}

}  // namespace kvt
