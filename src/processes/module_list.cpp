#include "processes/module_list.h"

#include <algorithm>
#include <vector>

#include "files/path_normaliser.h"
#include "native/loader_modules.h"
#include "os/scoped_handle.h"
#include "processes/process_list.h"
#include "support/path_parts.h"
#include "support/text.h"
#include "support/utf8.h"

namespace kvt {
namespace {

constexpr uint32_t kModuleHandleEntries = 4097;  // handles beyond these are not looked at
constexpr uint32_t kQueryAndRead = kProcessQueryInformation | kProcessVmRead;

// What a source made of the process: a refusal for want of rights is told
// apart from other failures, which are said only as "not read".
enum class TModuleSource { Read, Denied, Failed };

TModuleSource Refusal(Os& os) {
  return os.GetLastError() == kErrorAccessDenied ? TModuleSource::Denied : TModuleSource::Failed;
}

// The module's name as the process-status call gives it, whole, read into
// Room (kMaxNameUtf8 bytes, kept for one module after another); empty when
// it cannot be read.
std::string ModuleFileName(Os& os, OsHandle process, OsHandle module, std::vector<char>& room) {
  if (os.GetModuleFileNameExW(process, module, room.data(), kMaxNameUtf8) == 0) return {};
  return TextUpToZero(room.data(), room.size());
}

// The snapshot's record holds kMaxPathUnits units of a path: one that long
// may have been cut, and is asked for again by the module's handle.
std::string WholeSnapshotPath(Os& os, uint32_t processId, const TModuleEntry& entry) {
  std::string path = TextUpToZero(entry.szExePath, sizeof entry.szExePath);
  if (Utf8ToUtf16(path.data(), path.size()).size() < kMaxPathUnits) return path;
  const TScopedHandle process(os, os.OpenProcess(kQueryAndRead, false, processId));
  if (process.Get() == 0) return path;
  std::vector<char> room(kMaxNameUtf8);
  std::string whole = ModuleFileName(os, process.Get(), entry.hModule, room);
  return whole.size() > path.size() ? whole : path;
}

TModuleSource AddSnapshotModules(TqxModuleList& list, Os& os, uint32_t processId) {
  // For id 0 the platform would snapshot the calling process, this program,
  // and list its modules under the idle process or "[System]".
  if (processId == 0) return TModuleSource::Failed;
  // The 64-bit program asks for the 32-bit modules of WOW64 processes too;
  // the 32-bit one keeps the flags every Windows knows.
  const uint32_t flags = kTh32csSnapModule | (os.PointerSize() == 8 ? kTh32csSnapModule32 : 0);
  const OsHandle snapshot = os.CreateToolhelp32Snapshot(flags, processId);
  if (snapshot == kInvalidHandleValue || snapshot == 0) return Refusal(os);
  const TScopedHandle closer(os, snapshot);
  TModuleEntry entry;
  for (bool delivered = os.Module32First(snapshot, &entry); delivered;
       delivered = os.Module32Next(snapshot, &entry)) {
    TqxModuleItem& item = list.Add();
    item.ModuleID = entry.th32ModuleID;
    item.ProcessID = entry.th32ProcessID;
    item.GlobalCountUsage = entry.GlblcntUsage;
    item.ProcessCountUsage = entry.ProccntUsage;
    item.ModuleBaseAddr = entry.modBaseAddr;
    item.ModuleBaseSize = entry.modBaseSize;
    item.ModuleHandle = entry.hModule;
    item.Filename = WholeSnapshotPath(os, processId, entry);
  }
  return TModuleSource::Read;
}

// Adds the modules the snapshot did not report; the test is exact, so a name
// that differs only in case is listed again.
TModuleSource AddEnumeratedModules(TqxModuleList& list, Os& os, uint32_t processId) {
  const OsHandle process = os.OpenProcess(kQueryAndRead, false, processId);
  if (process == 0) return Refusal(os);
  const TScopedHandle closer(os, process);
  std::vector<OsHandle> modules(kModuleHandleEntries);
  uint32_t needed = 0;
  // The Ex form, where there is one, lists the 32-bit modules of a WOW64
  // process to the 64-bit program as well; for a 32-bit one it is the same call.
  const bool listed =
      os.IsBound(TOptionalEntry::EnumProcessModulesEx)
          ? os.EnumProcessModulesEx(process, modules.data(), kModuleHandleEntries, &needed,
                                    kListModulesAll)
          : os.EnumProcessModules(process, modules.data(), kModuleHandleEntries, &needed);
  if (!listed || needed == 0) return TModuleSource::Failed;
  const uint32_t count = std::min<uint32_t>(needed, kModuleHandleEntries);
  std::vector<char> room(kMaxNameUtf8);
  for (uint32_t i = 0; i < count; ++i) {
    const std::string filename = ModuleFileName(os, process, modules[i], room);
    if (filename.empty() || list.IndexOfFilename(filename) != -1) continue;
    TqxModuleItem& item = list.Add();
    item.ModuleHandle = modules[i];
    item.Filename = filename;
  }
  return TModuleSource::Read;
}

// The modules of the process's own loader list, with the base, size and
// full name the snapshot takes from the same entries; false, nothing added,
// where the walk cannot stand for the snapshot.
bool AddLoaderModules(TqxModuleList& list, TProcessContext& context, uint32_t processId) {
  if (processId == 0) return false;  // the idle process has no memory of its own
  Os& os = context.Sys;
  const TScopedHandle process(os, os.OpenProcess(kQueryAndRead, false, processId));
  std::vector<TLoadedModule> modules;
  if (process.Get() == 0 || !ReadLoaderModules(os, process.Get(), context.Wow64, modules))
    return false;
  for (const TLoadedModule& module : modules) {
    TqxModuleItem& item = list.Add();
    item.ProcessID = processId;
    item.ModuleBaseAddr = module.Base;
    item.ModuleBaseSize = module.Size;
    item.ModuleHandle = module.Base;
    item.Filename = module.FullName;
  }
  return true;
}

}  // namespace

TqxModuleItem::TqxModuleItem(TCollection& collection)
    : TSystemLogItem(collection, "TqxModuleItem") {}

TProcessContext& TqxModuleItem::Context() const {
  return static_cast<TqxModuleList&>(Collection()).ProcessContext();
}

std::string TqxModuleItem::FilenamePart() const { return SplitPath(Filename).Name; }

std::string TqxModuleItem::DirectoryPart() const {
  return SplitPath(Filename).Directory;
}

void TqxModuleItem::Assign(const TCollectionItem& source) {
  const auto* other = dynamic_cast<const TqxModuleItem*>(&source);
  if (other == nullptr) {
    TSystemLogItem::Assign(source);
    return;
  }
  ModuleID = other->ModuleID;
  ProcessID = other->ProcessID;
  GlobalCountUsage = other->GlobalCountUsage;
  ProcessCountUsage = other->ProcessCountUsage;
  ModuleBaseAddr = other->ModuleBaseAddr;
  ModuleBaseSize = other->ModuleBaseSize;
  ModuleHandle = other->ModuleHandle;
  Filename = other->Filename;
}

std::string TqxModuleItem::CompleteFilename() {
  TProcessContext& context = Context();
  return CachedCompleteFilename(completeFilename_, context.CompleteNames, context.Sys,
                                context.Locations(), Filename);
}

TqxModuleList::TqxModuleList(TqxProcessItem& owner, TProcessContext& context)
    : TSystemLogCollection(
          context, [](TCollection& list) { return std::make_unique<TqxModuleItem>(list); },
          "TqxModuleList"),
      owner_(owner),
      context_(context) {}

int TqxModuleList::IndexOfFilename(const std::string& filename) const {
  for (int i = 0; i < Count(); ++i)
    if (Items(i).Filename == filename) return i;
  return -1;
}

bool TqxProcessItem::FillModuleList(TModuleSources sources) {
  TProcessContext& context = Owner().ProcessContext();
  Os& os = context.Sys;
  ModuleList.Clear();
  ModuleList.ReadDenied = false;
  if (sources == TModuleSources::LoaderElseSnapshot &&
      AddLoaderModules(ModuleList, context, ProcessID))
    return true;
  const TModuleSource snapshot = AddSnapshotModules(ModuleList, os, ProcessID);
  TModuleSource enumerated = TModuleSource::Failed;
  if (sources == TModuleSources::Both || snapshot != TModuleSource::Read)
    enumerated = AddEnumeratedModules(ModuleList, os, ProcessID);
  ModuleList.ReadDenied = context.IsNT6OrLater() && snapshot == TModuleSource::Denied &&
                          enumerated == TModuleSource::Denied;
  return snapshot == TModuleSource::Read || enumerated == TModuleSource::Read;
}

}  // namespace kvt
