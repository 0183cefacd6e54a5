#pragma once
// Shorthands for scripting processes on a FakeOs.
#include <string>

#include "os/fake/fake_os.h"

namespace kvt {

inline TFakeProcess& AddFakeProcess(FakeOs& os, uint32_t id, uint32_t parent,
                                    const std::string& path) {
  TFakeProcess process;
  process.Id = id;
  process.ParentId = parent;
  process.ModulePath = path;
  const size_t slash = path.find_last_of('\\');
  process.ExeFile = slash == std::string::npos ? path : path.substr(slash + 1);
  os.Processes.push_back(process);
  return os.Processes.back();
}

// A process of another user as Windows 6.0 and later show it to a program
// that is not elevated: it opens for the limited query right and the rest,
// but not for querying or reading it, and its module snapshot is refused.
inline TFakeProcess& DenyQueryAndRead(TFakeProcess& process) {
  process.AllowedAccess &= ~(kProcessQueryInformation | kProcessVmRead);
  process.ModuleSnapshotFails = true;
  process.ModuleSnapshotError = kErrorAccessDenied;
  return process;
}

inline TFakeModule& AddFakeModule(TFakeProcess& process, const std::string& path, uint64_t base,
                                  uint64_t size) {
  TFakeModule module;
  module.Path = path;
  module.Base = base;
  module.Size = size;
  process.Modules.push_back(module);
  return process.Modules.back();
}

inline TFakeHandle& AddFakeHandle(FakeOs& os, uint32_t processId, uint64_t handle,
                                  uint16_t objectType, const std::u16string& name) {
  TFakeHandle entry;
  entry.ProcessId = processId;
  entry.Handle = handle;
  entry.ObjectType = objectType;
  entry.Name = name;
  os.HandleTable.push_back(entry);
  return os.HandleTable.back();
}

}  // namespace kvt
