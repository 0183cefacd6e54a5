#include "native/object_types.h"
#include "support/version_record.h"

#include <iterator>
#include <vector>

#include "native/handle_replies.h"
#include "native/native_api.h"
#include "native/object_names.h"
#include "support/format.h"
#include "support/utf8.h"

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

// Types whose objects the kernel never names: asking would cost a copy and
// a query for every one of them, and they are many.
const char* const kUnnamedTypes[] = {
    "Process", "Thread", "Token", "TpWorkerFactory", "EtwRegistration",
    "IoCompletionReserve", "UserApcReserve", "WaitCompletionPacket", "IRTimer",
};

// How each Windows family numbers the entries of the list of every type's
// name, newest first: the first family the version reaches decides. From 8.1
// on each entry states its number; 7 and 8 keep 0 and 1 unused and number the
// list from 2; 2000 to Vista from 1, the Type type first (as the fixed tables
// of 5.0 and 5.1 show).
struct TTypeNumbering {
  uint32_t Major, Minor;
  bool FromTypeIndex;
  uint16_t First;
};
constexpr TTypeNumbering kTypeNumberings[] = {
    {6, 3, true, 0},
    {6, 1, false, 2},
    {0, 0, false, 1},
};

// The list of every type's name: read with room for about a hundred types,
// then once with the size the kernel reported, or twice the room when it
// reported none; at most this many reads, and never more than the cap.
constexpr uint32_t kFirstTypeListSize = 16u << 10;
constexpr int kMaxTypeListReads = 4;
constexpr uint32_t kMaxTypeListSize = 1u << 20;

std::vector<uint8_t> ReadTypeList(Os& os) {
  uint32_t size = kFirstTypeListSize;
  for (int read = 0; read < kMaxTypeListReads && size <= kMaxTypeListSize; ++read) {
    std::vector<uint8_t> reply(size);
    uint32_t needed = 0;
    const uint32_t status = os.NtQueryObject(0, kObjectTypesInformation, reply.data(), size, &needed);
    if (status == kStatusSuccess) return reply;
    if (status != kStatusInfoLengthMismatch) break;
    size = needed > size ? needed : 2 * size;
  }
  return {};
}

void ReadAllTypeNames(TNativeApi& native) {
  native.AllTypeNamesRead = true;
  if (!native.Sys.IsBound(TOptionalEntry::NtQueryObject)) return;
  const std::vector<uint8_t> reply = ReadTypeList(native.Sys);
  for (const TListedObjectType& type :
       ObjectTypesFromReply(reply.data(), reply.size(), native.PointerSize)) {
    const uint16_t number = ListedObjectTypeNumber(native.Version, type.Position, type.TypeIndex);
    if (!type.Name.empty()) native.KernelTypeNames.emplace(number, Utf16ToUtf8(type.Name));
  }
}

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
  if (VersionAtLeast(version, 5, 2)) return THandleTableKind::Extended;
  return THandleTableKind::None;
}

std::string ObjectTypeText(const TNativeApi& native, uint16_t number) {
  if (HandleTableKindOf(native.Version) != THandleTableKind::Extended)
    return GetObjectTypeName(native.Version, number);
  const auto known = native.KernelTypeNames.find(number);
  if (known != native.KernelTypeNames.end()) return known->second;
  // Said as the fixed tables say a number they have no name for: a bare
  // number would read as a name, and a guess could be a neighbour's.
  return Format("Unknown[$%02X]", static_cast<unsigned>(number));
}

std::string GetObjectTypeName(const TOsVersionInfo& version, uint16_t number) {
  if (IsVersion(version, 5, 0)) return FromTable(kTypes50, number);
  if (IsVersion(version, 5, 1)) return FromTable(kTypes51, number);
  return std::to_string(number);
}

TObjectTypeKind ObjectTypeKindOf(const TNativeApi& native, uint16_t number) {
  std::string name;
  if (HandleTableKindOf(native.Version) == THandleTableKind::Extended) {
    const auto known = native.KernelTypeNames.find(number);
    if (known != native.KernelTypeNames.end()) name = known->second;
  } else if (IsVersion(native.Version, 5, 0) || IsVersion(native.Version, 5, 1)) {
    if (IsFileObjectType(native.Version, number)) return TObjectTypeKind::File;
    // Past the table the text is a stand-in, not a name.
    const size_t count = IsVersion(native.Version, 5, 0) ? std::size(kTypes50) : std::size(kTypes51);
    if (number < count) name = GetObjectTypeName(native.Version, number);
  }
  if (name.empty()) return TObjectTypeKind::Unknown;
  if (name == "File") return TObjectTypeKind::File;
  for (const char* unnamed : kUnnamedTypes)
    if (name == unnamed) return TObjectTypeKind::Unnamed;
  return TObjectTypeKind::Named;
}

bool ObjectTypeNameLearnable(const TNativeApi& native, uint16_t number) {
  return HandleTableKindOf(native.Version) == THandleTableKind::Extended &&
         native.KernelTypeNames.count(number) == 0 && native.UnnamedTypeNumbers.count(number) == 0;
}

void LearnObjectTypeName(TNativeApi& native, uint16_t number, OsHandle copy) {
  if (copy != 0) {
    // One handle of a type tells its name for the whole run.
    const std::string name = QueryObjectTypeName(native.Sys, copy);
    if (!name.empty()) {
      native.KernelTypeNames.emplace(number, name);
      return;
    }
  }
  if (!native.AllTypeNamesRead) ReadAllTypeNames(native);
  // Without a copy the type is still learnt from the next handle of it that
  // can be copied; a copy that could not tell it is not asked again.
  if (copy != 0 && native.KernelTypeNames.count(number) == 0)
    native.UnnamedTypeNumbers.insert(number);
}

uint16_t ListedObjectTypeNumber(const TOsVersionInfo& version, size_t position,
                                uint8_t typeIndex) {
  for (const TTypeNumbering& family : kTypeNumberings) {
    if (!VersionAtLeast(version, family.Major, family.Minor)) continue;
    if (family.FromTypeIndex) return typeIndex;
    return static_cast<uint16_t>(family.First + position);
  }
  return static_cast<uint16_t>(position);
}

bool IsFileObjectType(const TOsVersionInfo& version, uint16_t number) {
  return (IsVersion(version, 5, 0) && number == kFileType50) ||
         (IsVersion(version, 5, 1) && number == kFileType51);
}

}  // namespace kvt
