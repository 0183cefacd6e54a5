// The test child guarded as Windows 6.0 and later guard the processes of
// other users from a program that is not elevated: its own descriptor denies
// everyone the rights to query it and to read its memory, and allows the
// rest; with the second argument "terminate" it denies termination too. Then
// it waits until it is ended or its time is up (the first argument, in
// milliseconds; 60 s by default).
#include <windows.h>
#include <aclapi.h>

#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
  const DWORD milliseconds = argc > 1 ? static_cast<DWORD>(std::strtoul(argv[1], nullptr, 10)) : 60000;
  const bool refusesTermination = argc > 2 && std::strcmp(argv[2], "terminate") == 0;
  const DWORD denied =
      PROCESS_QUERY_INFORMATION | PROCESS_VM_READ | (refusesTermination ? PROCESS_TERMINATE : 0);
  const DWORD allowed = (STANDARD_RIGHTS_REQUIRED | SYNCHRONIZE | 0xFFFF) & ~denied;
  SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
  PSID everyone = nullptr;
  if (!AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone))
    return 1;
  // The denial first: the first entry that names a right decides it.
  alignas(DWORD) BYTE buffer[256];
  PACL acl = reinterpret_cast<PACL>(buffer);
  if (!InitializeAcl(acl, sizeof buffer, ACL_REVISION) ||
      !AddAccessDeniedAce(acl, ACL_REVISION, denied, everyone) ||
      !AddAccessAllowedAce(acl, ACL_REVISION, allowed, everyone) ||
      SetSecurityInfo(GetCurrentProcess(), SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                      nullptr, acl, nullptr) != ERROR_SUCCESS)
    return 2;
  FreeSid(everyone);
  Sleep(milliseconds);
  return 0;
}
