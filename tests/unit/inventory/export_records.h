#pragma once
// Records whose forms the export tests script, and the inventory that the
// XML tests save: three processes, the last with two modules.
#include <string>
#include <vector>

#include "fake_processes.h"
#include "inventory/system_log.h"
#include "support/errors.h"

namespace kvt {

class TScriptedRecord : public TSystemLogItem {
 public:
  explicit TScriptedRecord(TCollection& owner) : TSystemLogItem(owner, "TScriptedRecord") {}

  bool Active = true;
  std::vector<std::string> Fields;
  std::string StreamBytes;
  std::string StreamFailure;  // raised after StreamBytes were written, when set

  bool IsActive() const override { return Active; }
  void AddSnapshotFields(TStringList& list) override {
    for (const std::string& field : Fields) list.Add(field);
  }
  void AddSectionLines(TStringList& list) override { list.Add("File=" + Filename); }
  void AddLogLines(TStringList& list) override { list.Add("log " + Filename); }
  void AddListEntry(TStringList& list) override { list.Add(Filename); }
  void SaveToStream(TStream& stream, bool) override {
    stream.WriteText(StreamBytes);
    if (!StreamFailure.empty()) throw EConvertError(StreamFailure);
  }
};

class TScriptedList : public TSystemLogCollection {
 public:
  explicit TScriptedList(TInventoryContext& context)
      : TSystemLogCollection(
            context, [](TCollection& owner) { return std::make_unique<TScriptedRecord>(owner); },
            "TScriptedList") {}
  TScriptedRecord& Items(int index) const {
    return static_cast<TScriptedRecord&>(TCollection::Items(index));
  }
  TScriptedRecord& Add(const std::string& filename) {
    auto& record = static_cast<TScriptedRecord&>(TSystemLogCollection::Add());
    record.Filename = filename;
    return record;
  }
};

inline void AddSampleProcesses(FakeOs& os) {
  AddFakeProcess(os, 4, 0, "");
  AddFakeProcess(os, 500, 4, "C:\\Windows\\system32\\services.exe");
  TFakeProcess& explorer = AddFakeProcess(os, 612, 500, "C:\\Windows\\explorer.exe");
  AddFakeModule(explorer, "C:\\Windows\\explorer.exe", 0x1000000, 0x40000);
  AddFakeModule(explorer, "C:\\Windows\\system32\\ntdll.dll", 0x7C900000, 0xB2000);
}

}  // namespace kvt
