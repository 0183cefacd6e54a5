#include "processes/process_details.h"

#include <map>
#include <unordered_map>

#include "native/account_names.h"
#include "native/process_parameters.h"
#include "native/token_facts.h"
#include "os/scoped_handle.h"
#include "processes/process_list.h"
#include "support/version_record.h"

namespace kvt {
namespace {

// The process opened for querying and reading, else (Windows 6.0 and
// later) for the limited query right, which still reaches the token and the
// kernel's command line; 0 when neither is granted.
OsHandle OpenForDetails(Os& os, uint32_t processId, bool limitedRight) {
  const OsHandle full = os.OpenProcess(kProcessQueryInformation | kProcessVmRead, false, processId);
  if (full != 0 || !limitedRight) return full;
  return os.OpenProcess(kProcessQueryLimitedInformation, false, processId);
}

}  // namespace

void TqxProcessList::ReadDetails(const std::vector<TqxProcessItem*>& items) {
  TProcessContext& context = ProcessContext();
  Os& os = context.Native.Sys;
  const TOsVersionInfo& version = context.Native.Version;
  std::unordered_map<uint32_t, const TProcessInformationEntry*> byId;
  if (const auto* information = context.ProcessInformation())
    for (const TProcessInformationEntry& entry : *information)
      byId.emplace(entry.ProcessId, &entry);
  const std::map<uint32_t, std::vector<std::string>>& services = context.ServiceProcesses();
  TAccountNames accounts(os);
  TCommandLineReach reach;
  reach.PointerSize = context.Native.PointerSize;
  reach.ClassSixty = VersionAtLeast(version, 6, 3);
  reach.ProgramWow64 = context.Wow64;
  const bool vista = VersionAtLeast(version, 6, 0);

  for (TqxProcessItem* item : items) {
    TProcessDetails& details = item->Details;
    if (details.Read) continue;
    details.Read = true;
    const auto entry = byId.find(item->ProcessID);
    if (entry != byId.end()) {
      details.HasInformation = true;
      details.Information = *entry->second;
    }
    const auto hosted = services.find(item->ProcessID);
    if (hosted != services.end()) details.Services = hosted->second;
    const TScopedHandle process(os, OpenForDetails(os, item->ProcessID, vista));
    if (process.Get() == 0) {
      // A process that ended meanwhile is no refusal: its facts are just gone.
      const bool denied = os.GetLastError() == kErrorAccessDenied;
      details.CommandLineDenied =
          denied && os.IsBound(TOptionalEntry::NtQueryInformationProcess);
      details.UserDenied = denied;
      details.IntegrityDenied = denied && vista;
      continue;
    }
    const TCommandLineText commandLine = ReadProcessCommandLine(os, process.Get(), reach);
    details.CommandLine = commandLine.Text;
    details.CommandLineDenied = commandLine.Denied;
    const TTokenFacts token = ReadTokenFacts(os, process.Get(), vista);
    details.User = accounts.NameOf(token.User);
    details.Integrity = token.Integrity;
    details.UserDenied = token.Denied;
    details.IntegrityDenied = token.Denied && vista;
  }
}

}  // namespace kvt
