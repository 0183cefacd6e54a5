// The real system's optional entry points: those bound when the program
// starts, and which of them every part has.
#include "os/win32/win32_os.h"

#include "os/win32/win32_support.h"

namespace kvt {
using namespace win32;

Win32Os::Win32Os() {
  // A load result below 32 counts as failure, as for the old loader.
  HMODULE psapi = LoadLibraryA("psapi.dll");
  if (reinterpret_cast<uintptr_t>(psapi) >= 32)
    getProcessImageFileNameW_ = Lookup(psapi, "GetProcessImageFileNameW");
  HMODULE kernel = GetModuleHandleA("kernel32.dll");
  isWow64Process_ = Lookup(kernel, "IsWow64Process");
  // Redirection applies to a 32-bit program on a 64-bit Windows alone; the
  // 64-bit program and a 32-bit Windows would only make calls that change
  // nothing. Both or neither: a redirection switched off must be switched on again.
  bool wow64 = false;
  const bool underWow64 = Win32Os::IsWow64Process(Win32Os::GetCurrentProcess(), &wow64) && wow64;
  void* disable = underWow64 ? Lookup(kernel, "Wow64DisableWow64FsRedirection") : nullptr;
  void* revert = underWow64 ? Lookup(kernel, "Wow64RevertWow64FsRedirection") : nullptr;
  if (disable != nullptr && revert != nullptr) {
    wow64DisableFsRedirection_ = disable;
    wow64RevertFsRedirection_ = revert;
  }
  // Only looked up, never loaded: every process of the platform has ntdll.dll.
  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  ntQuerySystemInformation_ = Lookup(ntdll, "NtQuerySystemInformation");
  ntQueryObject_ = Lookup(ntdll, "NtQueryObject");
  ntQueryInformationFile_ = Lookup(ntdll, "NtQueryInformationFile");
  queryFullProcessImageNameW_ = Lookup(kernel, "QueryFullProcessImageNameW");
  ntQueryInformationProcess_ = Lookup(ntdll, "NtQueryInformationProcess");
  enumServicesStatusExW_ = Lookup(GetModuleHandleA("advapi32.dll"), "EnumServicesStatusExW");
}

bool Win32Os::IsBound(TOptionalEntry entry) {
  switch (entry) {
    case TOptionalEntry::GetProcessImageFileNameW:
      return getProcessImageFileNameW_ != nullptr;
    case TOptionalEntry::NtQuerySystemInformation:
      return ntQuerySystemInformation_ != nullptr;
    case TOptionalEntry::NtQueryObject:
      return ntQueryObject_ != nullptr;
    case TOptionalEntry::NtQueryInformationFile:
      return ntQueryInformationFile_ != nullptr;
    case TOptionalEntry::EnumProcessModulesEx:
      return BindProcessStatus() && enumProcessModulesEx_ != nullptr;
    case TOptionalEntry::Wow64FsRedirection:
      return wow64DisableFsRedirection_ != nullptr;
    case TOptionalEntry::WinVerifyTrust:
      BindTrust();
      return winVerifyTrust_ != nullptr;
    case TOptionalEntry::CertGetNameStringW:
      BindTrust();
      return certGetNameStringW_ != nullptr;
    case TOptionalEntry::CatalogAdmin:
      BindTrust();
      return catAdminAcquireContext_ != nullptr;
    case TOptionalEntry::CatalogAdmin2:
      BindTrust();
      return catAdminAcquireContext2_ != nullptr;
    case TOptionalEntry::QueryFullProcessImageNameW:
      return queryFullProcessImageNameW_ != nullptr;
    case TOptionalEntry::NtQueryInformationProcess:
      return ntQueryInformationProcess_ != nullptr;
    case TOptionalEntry::EnumServicesStatusExW:
      return enumServicesStatusExW_ != nullptr;
  }
  return false;
}

}  // namespace kvt
