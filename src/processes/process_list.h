#pragma once
// The inventory of running processes: one item per process, merged from the
// process-status id enumeration and the toolhelp snapshot, kept up to date by
// Refresh, narrowed by the selectors.
#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "inventory/system_log.h"
#include "native/handle_replies.h"
#include "processes/handle_list.h"
#include "processes/module_list.h"
#include "processes/process_details.h"
#include "processes/process_context.h"

namespace kvt {

class TqxProcessList;

// Where a module list comes from. Both: the module snapshot and the
// enumeration of module handles, which adds what the snapshot did not report
// (the table /modules shows). SnapshotElseEnumeration: the snapshot alone
// where it could read the process, the enumeration only where it could not;
// the enumeration asks the process for each module's name in turn, which on
// some systems costs as much as the snapshot of every process, so a search of
// every process's modules reads them this way. LoaderElseSnapshot: the
// process's own loader list, walked in its memory, and where it cannot be
// walked as SnapshotElseEnumeration; the snapshot reads the same list field
// by field, a round trip each under Wine, which a search of every process
// cannot afford.
enum class TModuleSources { Both, SnapshotElseEnumeration, LoaderElseSnapshot };

class TqxProcessItem : public TSystemLogItem {
 public:
  explicit TqxProcessItem(TCollection& collection);

  TqxProcessList& Owner() const { return owner_; }

  uint64_t DefaultHeapID = 0;  // pointer-sized on the platform
  uint32_t GUIResourcesGDI = 0;
  uint32_t GUIResourcesUser = 0;
  uint32_t ModuleID = 0;
  TqxModuleList ModuleList;
  TqxHandleCollection HandleList;  // freed before ModuleList
  TProcessDetails Details;          // read by TqxProcessList::ReadDetails
  uint32_t ProcessID = 0;
  uint32_t ParentID = 0;
  int32_t StateIndex = 0;
  uint32_t Threads = 0;
  uint32_t Usage = 0;
  // What the executable's version resource says, filled in by ReadFileFacts.
  std::string FileCompany;
  std::string FileDescription;
  std::string FileVersion;
  std::string FileHint;
  int32_t Tag = 0;
  int32_t Tag2 = 0;
  // Below the top of the tree the forms write it in (tree_order.h).
  int32_t TreeDepth = 0;
  // When the listed process started (FILETIME units, UTC; 0 unknown), for
  // termination.h to know it from a later process given the same id.
  uint64_t StartTime = 0;

  // The executable's digests as the process forms show them: upper-case
  // hexadecimal digits, read on first use (hashing every executable is the
  // costliest work of a run, and most outputs never show a digest). Empty for
  // an empty or unreadable file, "n/a" when reading it failed (in
  // full_information.cpp).
  std::string FileMD5();
  std::string FileSHA256();

  // Reads, on the first call only, what only the executable's file tells:
  // its size and the entries of its version resource, through the run's
  // cache of each file (full_information.cpp). Whatever writes these facts
  // calls it first, so a run reads them for the processes it writes alone.
  // Facts taken by Assign or loaded from a document count as read.
  void ReadFileFacts();

  // The file name without its directory.
  std::string FilenameOnly() const;
  // The directory of Filename, up to and including its last backslash or colon.
  std::string DirectoryPart() const;

  // Replaces ModuleList's content with the modules the process has loaded now
  // (module_list.cpp). False when neither source could read the process: its
  // modules are not known, not absent.
  bool FillModuleList(TModuleSources sources = TModuleSources::Both);
  // Replaces HandleList by the handles of this process in the system table
  // (handle_list.cpp).
  void FillHandleList();
  // Keeps an entry of the system table when it belongs to this process.
  void HandleFeedback(const THandleTableEntry& entry, const std::string& name);

  void Assign(const TCollectionItem& source) override;
  std::string CompleteFilename() override;
  void AddLogLines(TStringList& lines) override;
  void AddListEntry(TStringList& lines) override;
  // The process's facts as attributes, and back (tables/process_table.cpp).
  TXmlElement SaveToXml(TXmlElement parent, bool skipHarmless, bool onlyActive) override;
  bool LoadFromXml(TXmlElement element) override;

  static std::string FormatHeader(const std::string& tmpl);
  // Reads the file facts first: every process template shows them.
  std::string FormatLine(const std::string& tmpl);

 private:
  TqxProcessList& owner_;
  std::string completeFilename_;
  bool fileFactsRead_ = false;
};

class TqxProcessList : public TSystemLogCollection {
 public:
  using TOnProcessEvent = std::function<void(TqxProcessItem& item)>;

  explicit TqxProcessList(TProcessContext& context);

  TqxProcessItem& Items(int index) const {
    return static_cast<TqxProcessItem&>(TCollection::Items(index));
  }
  TProcessContext& ProcessContext() const { return context_; }

  void Refresh();
  // Reads the file facts of every item (TqxProcessItem::ReadFileFacts); the
  // digests follow on first use. Work already done for an item is kept.
  void ReadFullInformation();
  TqxProcessItem& FindOrAddProcess(uint32_t processId, bool& isNew);
  // Replaces the HandleList of every item of Items by its handles, from one
  // read of the system table (handle_list.cpp). Raises EHandleTableError when
  // the table could not be read.
  void FillHandleLists(const std::vector<TqxProcessItem*>& items);
  // Reads the Details of every item of Items that has none yet: the
  // system-wide replies once for all of them (process_details.cpp).
  void ReadDetails(const std::vector<TqxProcessItem*>& items);

  void SelectAll();
  int SelectByProcessID(uint32_t processId);
  // Selects, in collection order, every item whose FilenameOnly matches Pattern:
  // case ignored, wildcards unless a method tag starts the pattern.
  int SelectByFilename(const std::string& pattern);
  void AddToSelection(TqxProcessItem& item) { selection_.push_back(&item); }
  void ClearSelection() { selection_.clear(); }
  int SelectedCount() const { return static_cast<int>(selection_.size()); }
  TqxProcessItem& Selected(int index) const { return *selection_.at(static_cast<size_t>(index)); }
  const std::vector<TqxProcessItem*>& SelectedItems() const { return selection_; }

  void LoadFromLogLines(const TStringList& lines) override;

  bool ShowUnnamedHandles = true;
  bool AlwaysFullInformation = false;
  TOnProcessEvent OnProcessGone;
  TOnProcessEvent OnProcessStarted;

 protected:
  // An item added or freed by anyone but FindOrAddProcess makes the index by
  // process id stale; a freed item leaves the selection with it.
  void Added(TCollectionItem& item) override;
  void Deleting(TCollectionItem& item) override;

 private:
  // Each process's image name as the snapshot pass takes it, by id.
  using TImageNames = std::unordered_map<uint32_t, std::string>;
  // With Images, also reads the names the snapshot pass takes, through the
  // same open of each process (Drives as ListDriveDevices gives them).
  void IdPass(TImageNames* images, const TStringList& drives);
  void SnapshotPass(const TImageNames& images, const TStringList& drives);
  void RemoveUnseen();
  bool SnapshotPassWanted() const;

  // The first item of each process id in collection order, so that a refresh
  // finds each process in constant time. Built again, when stale, by the
  // next lookup and at the start of every Refresh.
  void IndexByProcessId();
  std::unordered_map<uint32_t, TqxProcessItem*> byProcessId_;
  bool indexed_ = false;

  TProcessContext& context_;
  std::vector<TqxProcessItem*> selection_;
};

}  // namespace kvt
