#include "support/version_record.h"

namespace kvt {

TOsVersionInfo ReadVersionRecord(Os& os) {
  TOsVersionInfo version;
  version.dwOSVersionInfoSize = sizeof(TOsVersionInfo);
  if (!os.GetVersionExA(&version)) {
    version = TOsVersionInfo{};
    version.dwOSVersionInfoSize = sizeof(TOsVersionInfo);
  }
  return version;
}

bool VersionAtLeast(const TOsVersionInfo& version, uint32_t major, uint32_t minor) {
  return version.dwMajorVersion > major ||
         (version.dwMajorVersion == major && version.dwMinorVersion >= minor);
}

}  // namespace kvt
