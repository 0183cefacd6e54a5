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

}  // namespace kvt
