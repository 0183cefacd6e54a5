#include <cstring>

#include "os/fake/fake_os.h"
#include "support/text.h"

namespace kvt {
namespace {

// The identifier the platform gives SeDebugPrivilege on every Windows.
constexpr TLuid kDebugLuid = {20, 0};

}  // namespace

bool FakeOs::QueryFullProcessImageNameW(OsHandle process, uint32_t, char* exeName,
                                        uint32_t* size) {
  Record("QueryFullProcessImageNameW");
  if (!FullImageNameBound) return false;
  const THandle* handle = Find(process, THandle::Process);
  if (handle == nullptr ||
      (handle->Access & (kProcessQueryLimitedInformation | kProcessQueryInformation)) == 0) {
    lastError_ = kErrorAccessDenied;
    return false;
  }
  const TFakeProcess* target = FindProcess(handle->ProcessId);
  const std::string path =
      target == nullptr ? std::string()
                        : (target->FullImagePath.empty() ? target->ModulePath : target->FullImagePath);
  if (path.empty() || path.size() >= *size) {
    lastError_ = path.empty() ? kErrorPartialCopy : kErrorInsufficientBuffer;
    return false;
  }
  *size = CopyTextToBuffer(path, exeName, *size);
  return true;
}

bool FakeOs::OpenProcessToken(OsHandle process, uint32_t desiredAccess, OsHandle* token) {
  Record("OpenProcessToken");
  // Another process's token: through a handle with either query right.
  const THandle* handle = nullptr;
  const TFakeProcess* target = TargetOf(process, THandle::Process, &handle);
  const bool queried = handle != nullptr &&
      (handle->Access & (kProcessQueryLimitedInformation | kProcessQueryInformation)) != 0;
  if (process != GetCurrentProcess() && (target == nullptr || !queried || target->TokenDenied)) {
    lastError_ = kErrorAccessDenied;
    return false;
  }
  THandle opened;
  opened.Type = THandle::Token;
  opened.ProcessId = process == GetCurrentProcess() ? CurrentProcessId : handle->ProcessId;
  opened.Access = desiredAccess;
  *token = NewHandle(std::move(opened));
  return true;
}

bool FakeOs::LookupPrivilegeValueW(const char* systemName, const char* name, TLuid* luid) {
  Record("LookupPrivilegeValueW");
  if (systemName != nullptr || name == nullptr || std::strcmp(name, kSeDebugName) != 0) {
    lastError_ = kErrorNoSuchPrivilege;
    return false;
  }
  *luid = kDebugLuid;
  return true;
}

bool FakeOs::AdjustTokenPrivileges(OsHandle token, bool disableAllPrivileges,
                                   const TTokenPrivileges* newState) {
  Record("AdjustTokenPrivileges");
  const THandle* handle = Find(token, THandle::Token);
  if (handle == nullptr || (handle->Access & kTokenAdjustPrivileges) == 0) {
    lastError_ = handle == nullptr ? static_cast<uint32_t>(kErrorInvalidHandle) : kErrorAccessDenied;
    return false;
  }
  const bool switchesOff =
      disableAllPrivileges || (newState->Attributes & kSePrivilegeEnabled) == 0;
  if (switchesOff && DebugPrivilegeStaysOn && debugPrivilegeEnabled_) {
    lastError_ = kErrorAccessDenied;
    return false;
  }
  if (disableAllPrivileges) {
    debugPrivilegeEnabled_ = false;
  } else if (newState->Luid.LowPart == kDebugLuid.LowPart &&
             newState->Luid.HighPart == kDebugLuid.HighPart && DebugPrivilegeHeld) {
    debugPrivilegeEnabled_ = !switchesOff;
  } else {
    // The call succeeds, but a privilege the token lacks is not assigned.
    lastError_ = kErrorNotAllAssigned;
    return true;
  }
  lastError_ = 0;
  return true;
}

}  // namespace kvt
