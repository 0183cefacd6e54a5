#include "native/object_types.h"

#include <iterator>

#include "native/native_api.h"

namespace kvt {
namespace {

// Texts as the tool has always printed them, spellings included.
const char* const kTypes50[] = {
    /*  0 */ "", "Type", "Directory", "SymbolicLink", "Token",
    /*  5 */ "Process", "Thread", "Job", "Event", "EventPair",
    /* 10 */ "Mutant", "Callback", "Semaphore", "Timer", "Profile",
    /* 15 */ "WindowStation", "Desktop", "Section", "Key", "Port",
    /* 20 */ "WaitablePort", "Adapter", "Controller", "DEvice", "Driver",
    /* 25 */ "IoCompletion", "File", "WmiGuid",
};
const char* const kTypes51[] = {
    /*  0 */ "", "", "Directory", "SymbolicLink", "Token",
    /*  5 */ "Process", "Thread", "Job", "Unknown[$08]", "Event",
    /* 10 */ "EventPair", "Mutant", "Callback", "Semaphore", "Timer",
    /* 15 */ "Profile", "KeyedEvent", "WindowStation", "Desktop", "Section",
    /* 20 */ "Key", "Port", "WaitablePort", "Adapter", "Controller",
    /* 25 */ "Device", "Driver", "IoCompletion", "File", "WmiGuid",
};
static_assert(std::size(kTypes50) == 28, "types 0 to 27 on 5.0");
static_assert(std::size(kTypes51) == 30, "types 0 to 29 on 5.1");

constexpr uint16_t kFileType50 = 26;
constexpr uint16_t kFileType51 = 28;

bool IsVersion(const TOsVersionInfo& version, uint32_t major, uint32_t minor) {
  return version.dwMajorVersion == major && version.dwMinorVersion == minor;
}

template <size_t N>
std::string FromTable(const char* const (&table)[N], uint16_t number) {
  if (number < N) return table[number];
  return "Unknown [" + std::to_string(number) + "]";
}

}  // namespace

THandleTableKind HandleTableKindOf(const TOsVersionInfo& version) {
  const uint32_t major = version.dwMajorVersion;
  const uint32_t minor = version.dwMinorVersion;
  const bool nt4 = major == 4 && minor == 0 && version.dwBuildNumber == 1381;
  if (nt4 || (major == 5 && minor <= 1)) return THandleTableKind::Classic;
  if (major > 5 || (major == 5 && minor >= 2)) return THandleTableKind::Extended;
  return THandleTableKind::None;
}

std::string ObjectTypeText(const TNativeApi& native, uint16_t number) {
  if (HandleTableKindOf(native.Version) == THandleTableKind::Extended) {
    const auto known = native.KernelTypeNames.find(number);
    if (known != native.KernelTypeNames.end()) return known->second;
  }
  return GetObjectTypeName(native.Version, number);
}

std::string GetObjectTypeName(const TOsVersionInfo& version, uint16_t number) {
  if (IsVersion(version, 5, 0)) return FromTable(kTypes50, number);
  if (IsVersion(version, 5, 1)) return FromTable(kTypes51, number);
  return std::to_string(number);
}

bool IsFileObjectType(const TOsVersionInfo& version, uint16_t number) {
  return (IsVersion(version, 5, 0) && number == kFileType50) ||
         (IsVersion(version, 5, 1) && number == kFileType51);
}

}  // namespace kvt
