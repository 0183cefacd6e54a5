#pragma once
// The modules loaded into one process: the executable image and its
// libraries, from the toolhelp module snapshot and then the process-status
// library's module enumeration.
#include <cstdint>
#include <string>

#include "inventory/system_log.h"
#include "processes/process_context.h"

namespace kvt {

class TqxProcessItem;

class TqxModuleItem : public TSystemLogItem {
 public:
  explicit TqxModuleItem(TCollection& collection);

  uint32_t ModuleID = 0;
  uint32_t ProcessID = 0;
  uint32_t GlobalCountUsage = 0;
  uint32_t ProcessCountUsage = 0;
  uint64_t ModuleBaseAddr = 0;
  uint64_t ModuleBaseSize = 0;
  uint64_t ModuleHandle = 0;

  // The file name part of Filename, after its last backslash or colon.
  std::string FilenamePart() const;
  // Filename up to and including its last backslash or colon.
  std::string DirectoryPart() const;

  void Assign(const TCollectionItem& source) override;
  std::string CompleteFilename() override;
  // The module's columns as attributes (tables/module_table.cpp).
  TXmlElement SaveToXml(TXmlElement parent, bool skipHarmless, bool onlyActive) override;

  static std::string FormatHeader(const std::string& tmpl);
  std::string FormatLine(const std::string& tmpl);

 private:
  TProcessContext& Context() const;

  std::string completeFilename_;
};

class TqxModuleList : public TSystemLogCollection {
 public:
  TqxModuleList(TqxProcessItem& owner, TProcessContext& context);

  TqxModuleItem& Add() { return static_cast<TqxModuleItem&>(TSystemLogCollection::Add()); }
  TqxModuleItem& Items(int index) const {
    return static_cast<TqxModuleItem&>(TCollection::Items(index));
  }
  TqxProcessItem& OwnerProcess() const { return owner_; }
  TProcessContext& ProcessContext() const { return context_; }

  // The index of the first item whose Filename equals Filename byte for byte, or -1.
  int IndexOfFilename(const std::string& filename) const;

  // Set by the last fill, on Windows 6.0 and later: both sources were refused
  // for want of rights, so the empty list says nothing about the process.
  bool ReadDenied = false;

 private:
  TqxProcessItem& owner_;
  TProcessContext& context_;
};

}  // namespace kvt
