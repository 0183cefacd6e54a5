#include "processes/find.h"

#include <string>
#include <unordered_map>
#include <unordered_set>

#include "matching/match_text.h"
#include "native/handle_enumerator.h"
#include "native/object_types.h"
#include "processes/drive_paths.h"
#include "processes/process_list.h"

namespace kvt {
namespace {

constexpr const char* kModuleKind = "Module";
// The kernel's alias of the drive letters: "\??\C:\..." is already in drive form.
constexpr const char* kDosDevicesPrefix = "\\??\\";

// A File handle's name as people write paths: in drive form where it has a
// drive, else as the kernel gives it (network and device names). Drives as
// ListDriveDevices gives them, Separator ":". A device name counts only as a
// whole path element: \Device\HarddiskVolume1 is no prefix of ...Volume10.
std::string FileNameInDriveForm(const TStringList& drives, const std::string& name) {
  const size_t prefix = std::char_traits<char>::length(kDosDevicesPrefix);
  if (name.compare(0, prefix, kDosDevicesPrefix) == 0 && name.size() >= prefix + 2 &&
      name[prefix + 1] == ':')
    return name.substr(prefix);
  for (const std::string& entry : drives) {
    const size_t equals = entry.find('=');
    const std::string device = entry.substr(equals + 1);
    if (name.compare(0, device.size(), device) == 0 &&
        (name.size() == device.size() || name[device.size()] == '\\'))
      return entry.substr(0, equals) + name.substr(device.size());
  }
  return name;
}

// Each process's hits until they are put in the order of the processes.
struct THitsOfProcess {
  std::vector<TqxFindItem> Handles;
  std::vector<TqxFindItem> Modules;
};

class TFinder {
 public:
  TFinder(TqxProcessList& list, const std::string& pattern)
      : list_(list),
        os_(list.ProcessContext().Sys),
        matcher_(TTextMatcher::Tagged(os_, pattern, true, cmSubstring)) {}

  bool Matches(const std::string& name) const { return matcher_.Matches(name); }

  void SearchHandles(const std::vector<TqxProcessItem*>& items,
                     std::unordered_map<uint32_t, THitsOfProcess>& hits,
                     std::unordered_set<uint32_t>& unsearched) {
    TNativeApi& native = list_.ProcessContext().Native;
    TStringList drives;
    ListDriveDevices(os_, drives, ":");
    std::unordered_map<uint32_t, const TqxProcessItem*> byProcessId;
    TqxHandleEnumerator enumerator(native);
    for (const TqxProcessItem* item : items) {
      byProcessId.emplace(item->ProcessID, item);
      enumerator.WantedProcessIds.insert(item->ProcessID);
    }
    enumerator.OnHandle = [&](const THandleTableEntry& entry, const std::string& name) {
      if (name.empty()) return;
      // The old table's 16-bit process ids match only processes below 65536.
      const auto found = byProcessId.find(static_cast<uint32_t>(entry.ProcessId));
      if (found == byProcessId.end() || found->second->ProcessID != entry.ProcessId) return;
      // A File handle's name is told as people write paths, where it has a drive.
      const bool file = ObjectTypeKindOf(native, entry.ObjectType) == TObjectTypeKind::File;
      const std::string shown = file ? FileNameInDriveForm(drives, name) : name;
      if (!Matches(shown)) return;
      TqxFindItem hit;
      hit.ProcessID = found->second->ProcessID;
      hit.Filename = found->second->FilenameOnly();
      hit.Kind = ObjectTypeText(native, entry.ObjectType);
      hit.Handle = entry.Handle;
      hit.Name = shown;
      hits[hit.ProcessID].Handles.push_back(hit);
    };
    if (!enumerator.Enumerate()) throw EHandleTableError();
    for (const uint64_t processId : enumerator.UnreachableProcessIds())
      unsearched.insert(static_cast<uint32_t>(processId));
  }

  void SearchModules(TqxProcessItem& item, THitsOfProcess& hits,
                     std::unordered_set<uint32_t>& unsearched) {
    if (!item.FillModuleList(TModuleSources::LoaderElseSnapshot))
      unsearched.insert(item.ProcessID);
    for (int i = 0; i < item.ModuleList.Count(); ++i) {
      TqxModuleItem& module = item.ModuleList.Items(i);
      const std::string path = module.CompleteFilename();
      if (!Matches(path)) continue;
      TqxFindItem hit;
      hit.ProcessID = item.ProcessID;
      hit.Filename = item.FilenameOnly();
      hit.Kind = kModuleKind;
      hit.Handle = module.ModuleBaseAddr;
      hit.Name = path;
      hits.Modules.push_back(hit);
    }
  }

 private:
  TqxProcessList& list_;
  Os& os_;
  const TTextMatcher matcher_;
};

}  // namespace

TFindResult FindByName(TqxProcessList& list, const std::vector<TqxProcessItem*>& items,
                       const std::string& pattern) {
  // An expression that cannot be used says so before the search begins.
  TFinder finder(list, pattern);
  TFindResult result;
  if (items.empty()) return result;  // the table is not read for nobody
  std::unordered_map<uint32_t, THitsOfProcess> hits;
  std::unordered_set<uint32_t> unsearched;
  finder.SearchHandles(items, hits, unsearched);
  for (TqxProcessItem* item : items) finder.SearchModules(*item, hits[item->ProcessID], unsearched);
  for (const TqxProcessItem* item : items) {
    THitsOfProcess& own = hits[item->ProcessID];
    for (auto* group : {&own.Handles, &own.Modules})
      result.Hits.insert(result.Hits.end(), group->begin(), group->end());
    own = THitsOfProcess();  // a process listed twice is told once
  }
  result.UnsearchedCount = static_cast<int>(unsearched.size());
  return result;
}

}  // namespace kvt
