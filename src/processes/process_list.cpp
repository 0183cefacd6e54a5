#include "processes/process_list.h"

#include <algorithm>
#include <vector>

#include "files/path_normaliser.h"
#include "matching/match_text.h"
#include "os/scoped_handle.h"
#include "processes/drive_paths.h"
#include "support/format.h"
#include "support/path_parts.h"
#include "support/text.h"

namespace kvt {
namespace {

constexpr uint32_t kIdArrayEntries = 4097;  // the id pass sees at most this many processes
constexpr uint32_t kQueryAndRead = kProcessQueryInformation | kProcessVmRead;
constexpr const char* kSystemItemName = "[System]";

}  // namespace

TqxProcessItem::TqxProcessItem(TCollection& collection)
    : TSystemLogItem(collection, "TqxProcessItem"),
      ModuleList(*this, static_cast<TqxProcessList&>(collection).ProcessContext()),
      HandleList(static_cast<TqxProcessList&>(collection).ProcessContext().Native),
      owner_(static_cast<TqxProcessList&>(collection)) {}

std::string TqxProcessItem::FilenameOnly() const {
  if (Filename.find('\\') == std::string::npos) return Filename;
  return SplitPath(Filename).Name;
}

std::string TqxProcessItem::DirectoryPart() const {
  return SplitPath(Filename).Directory;
}

void TqxProcessItem::Assign(const TCollectionItem& source) {
  const auto* other = dynamic_cast<const TqxProcessItem*>(&source);
  if (other == nullptr) {
    TSystemLogItem::Assign(source);
    return;
  }
  DefaultHeapID = other->DefaultHeapID;
  Filename = other->Filename;
  GUIResourcesGDI = other->GUIResourcesGDI;
  GUIResourcesUser = other->GUIResourcesUser;
  ModuleID = other->ModuleID;
  ProcessID = other->ProcessID;
  ParentID = other->ParentID;
  StateIndex = other->StateIndex;
  Tag = other->Tag;
  Threads = other->Threads;
  Usage = other->Usage;
  FileCompany = other->FileCompany;
  FileDescription = other->FileDescription;
  AssignDigests(*other);
  FileVersion = other->FileVersion;
  FileHint = other->FileHint;
  fileFactsRead_ = other->fileFactsRead_;
  Details = other->Details;
  StartTime = other->StartTime;
}

std::string TqxProcessItem::CompleteFilename() {
  TProcessContext& context = owner_.ProcessContext();
  return CachedCompleteFilename(completeFilename_, context.CompleteNames, context.Sys,
                                context.Locations(), Filename);
}

void TqxProcessItem::AddLogLines(TStringList& lines) {
  ReadFileFacts();
  lines.Add(Format("PID: %4d (%4d) %s", static_cast<int32_t>(ProcessID),
                   static_cast<int32_t>(ParentID), Filename.c_str()));
  if (StoredFilesize() > 0)
    lines.Add(Format(" size: %lld", static_cast<long long>(StoredFilesize())));
  const std::string digest = FileMD5();
  if (!digest.empty() && digest != kEmptyInputDigest)
    lines.Add(Format("  MD5: %s", digest.c_str()));
}

void TqxProcessItem::AddListEntry(TStringList& lines) {
  TSystemLogItem::AddListEntry(lines);
  lines.Add(CompleteFilename());
}

TqxProcessList::TqxProcessList(TProcessContext& context)
    : TSystemLogCollection(
          context,
          [](TCollection& owner) { return std::make_unique<TqxProcessItem>(owner); },
          "TqxProcessList"),
      context_(context) {}

void TqxProcessList::IndexByProcessId() {
  byProcessId_.clear();
  for (int i = 0; i < Count(); ++i) byProcessId_.emplace(Items(i).ProcessID, &Items(i));
  indexed_ = true;
}

TqxProcessItem& TqxProcessList::FindOrAddProcess(uint32_t processId, bool& isNew) {
  if (!indexed_) IndexByProcessId();
  const auto found = byProcessId_.find(processId);
  isNew = found == byProcessId_.end();
  if (!isNew) return *found->second;
  auto& item = static_cast<TqxProcessItem&>(Add());
  item.ProcessID = processId;
  // The new item is the only change since the index was built.
  byProcessId_.emplace(processId, &item);
  indexed_ = true;
  return item;
}

void TqxProcessList::Refresh() {
  // Ids may have been written since the last lookup.
  IndexByProcessId();
  for (int i = 0; i < Count(); ++i) Items(i).StateIndex = 1;
  const bool snapshotWanted = SnapshotPassWanted();
  // The drives' device names, asked for once for the whole refresh.
  TStringList drives;
  if (snapshotWanted && context_.Sys.IsBound(TOptionalEntry::GetProcessImageFileNameW))
    ListDriveDevices(context_.Sys, drives, ":");
  TImageNames images;
  IdPass(snapshotWanted ? &images : nullptr, drives);
  if (snapshotWanted) {
    try {
      SnapshotPass(images, drives);
    } catch (const std::exception& error) {
      // The refresh goes on without the snapshot's view; a debugger may want to know.
      context_.Sys.OutputDebugStringW(error.what());
    }
  }
  RemoveUnseen();
}

void TqxProcessList::IdPass(TImageNames* images, const TStringList& drives) {
  Os& os = context_.Sys;
  const bool leastRight = context_.IsNT6OrLater();
  std::vector<uint32_t> ids(kIdArrayEntries);
  uint32_t bytesReturned = 0;
  const uint32_t bytes = kIdArrayEntries * sizeof(uint32_t);
  if (!os.EnumProcesses(ids.data(), bytes, &bytesReturned)) return;
  const uint32_t count = std::min(bytesReturned, bytes) / sizeof(uint32_t);
  std::vector<char> nameBuffer(kMaxNameUtf8);
  for (uint32_t i = 0; i < count; ++i) {
    const uint32_t id = ids[i];
    if (id == 0) continue;
    const TScopedHandle process(os, os.OpenProcess(kQueryAndRead, false, id));
    std::string path;
    if (process.Get() != 0 &&
        os.GetModuleFileNameExW(process.Get(), 0, nameBuffer.data(), kMaxNameUtf8) != 0)
      path = TextUpToZero(nameBuffer.data(), nameBuffer.size());
    // Windows 6.0 and later name most processes of other users to the least right only.
    const bool askedLeastRight = path.empty() && leastRight;
    if (askedLeastRight) path = QueryFullImageName(os, id);
    if (images != nullptr) {
      // The snapshot pass's name of the process, by GetProcessImageName's
      // rule, through this one open.
      std::string image =
          process.Get() != 0 ? ReadProcessImageName(os, process.Get(), drives) : std::string();
      if (image.empty() && leastRight)
        image = askedLeastRight ? path : QueryFullImageName(os, id);
      (*images)[id] = image;
    }
    if (process.Get() == 0 && path.empty()) continue;
    bool isNew = false;
    TqxProcessItem* item;
    if (!path.empty()) {
      item = &FindOrAddProcess(id, isNew);
      item->Filename = path;
      item->ProcessID = id;
    } else {
      // Every process whose image cannot be named is folded into one item.
      item = &FindOrAddProcess(0, isNew);
      item->Filename = kSystemItemName;
      item->ProcessID = 0;
    }
    item->DefaultHeapID = 0;
    item->ModuleID = 0;
    item->ParentID = 0;
    item->Threads = 0;
    item->Usage = 0;
    item->StateIndex = 0;
    if (isNew && OnProcessStarted) OnProcessStarted(*item);
  }
}

bool TqxProcessList::SnapshotPassWanted() const {
  // The id pass alone lacks parents and thread counts; the snapshot is also the
  // only view of the processes the id pass cannot open.
  return !context_.IsNT4OrLater() || AlwaysFullInformation ||
         (context_.IsNT4OrLater() && context_.Wow64);
}

void TqxProcessList::SnapshotPass(const TImageNames& images, const TStringList& drives) {
  Os& os = context_.Sys;
  const OsHandle snapshot = os.CreateToolhelp32Snapshot(kTh32csSnapProcess, 0);
  if (snapshot == kInvalidHandleValue) return;
  const TScopedHandle closer(os, snapshot);
  TProcessEntry entry;
  bool delivered = os.Process32First(snapshot, &entry);
  while (delivered) {
    bool isNew = false;
    TqxProcessItem& item = FindOrAddProcess(entry.th32ProcessID, isNew);
    if (item.Filename.empty()) item.Filename = TextUpToZero(entry.szExeFile, sizeof entry.szExeFile);
    // A process the id pass saw is not opened again; one started since is.
    const auto known = images.find(entry.th32ProcessID);
    const std::string image =
        known != images.end()
            ? known->second
            : GetProcessImageName(os, entry.th32ProcessID, drives, context_.IsNT6OrLater());
    item.DefaultHeapID = entry.th32DefaultHeapID;
    item.ModuleID = entry.th32ModuleID;
    item.ParentID = entry.th32ParentProcessID;
    item.Threads = entry.cntThreads;
    item.Usage = entry.cntUsage;
    item.StateIndex = 0;
    if (image.size() > item.Filename.size() && image.compare(1, 2, ":\\") == 0)
      item.Filename = image;
    delivered = os.Process32Next(snapshot, &entry);
    if (isNew && OnProcessStarted) OnProcessStarted(item);
  }
}

void TqxProcessList::RemoveUnseen() {
  for (int i = Count() - 1; i >= 0; --i) {
    TqxProcessItem& item = Items(i);
    if (item.StateIndex != 1) continue;
    if (OnProcessGone) OnProcessGone(item);
    Delete(i);
  }
}

void TqxProcessList::SelectAll() {
  selection_.clear();
  for (int i = 0; i < Count(); ++i) AddToSelection(Items(i));
}

int TqxProcessList::SelectByProcessID(uint32_t processId) {
  selection_.clear();
  for (int i = 0; i < Count(); ++i) {
    if (Items(i).ProcessID == processId) {
      AddToSelection(Items(i));
      break;
    }
  }
  return SelectedCount();
}

int TqxProcessList::SelectByFilename(const std::string& pattern) {
  ClearSelection();
  const TTextMatcher matcher = TTextMatcher::Tagged(context_.Sys, pattern, true, cmWildcard);
  for (int i = 0; i < Count(); ++i)
    if (matcher.Matches(Items(i).FilenameOnly())) AddToSelection(Items(i));
  return SelectedCount();
}

void TqxProcessList::LoadFromLogLines(const TStringList& lines) {
  for (const std::string& line : lines) {
    if (line.compare(0, 4, "PID:") != 0) continue;
    std::string rest = line;
    const size_t bracket = rest.find(')');
    if (bracket != std::string::npos) rest.erase(0, bracket + 1);
    auto& item = static_cast<TqxProcessItem&>(Add());
    item.Filename = TrimControlAndBlanks(rest);
  }
}

void TqxProcessList::Added(TCollectionItem&) { indexed_ = false; }

void TqxProcessList::Deleting(TCollectionItem& item) {
  indexed_ = false;
  selection_.erase(std::remove(selection_.begin(), selection_.end(), &item), selection_.end());
}

}  // namespace kvt
