#include "processes/process_context.h"

#include "files/location_sources.h"

namespace kvt {
namespace {

bool QueryWow64(Os& os) {
  bool wow64 = false;
  return os.IsWow64Process(os.GetCurrentProcess(), &wow64) && wow64;
}

}  // namespace

TProcessContext::TProcessContext(Os& os)
    : TInventoryContext(os), Wow64(QueryWow64(os)), Locations(BuildLocationTable(os)) {
  Version.dwOSVersionInfoSize = sizeof(TOsVersionInfo);
  if (!os.GetVersionExA(&Version)) {
    Version = TOsVersionInfo{};
    Version.dwOSVersionInfoSize = sizeof(TOsVersionInfo);
  }
}

bool TProcessContext::IsNT4OrLater() const {
  return Version.dwPlatformId == kVerPlatformWin32Nt && Version.dwMajorVersion > 3;
}

}  // namespace kvt
