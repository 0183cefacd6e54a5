#include "native/loader_modules.h"

#include <unordered_set>

#include "os/layouts/loader_list.h"

namespace kvt {

bool WalkLoaderList(TProcessMemory& memory, uint64_t environmentBlock, uint32_t width,
                    std::vector<TLoadedModule>& modules) {
  const TLoaderListLayout& layout = LoaderListLayout(width);
  const auto word = static_cast<uint8_t>(width);
  modules.clear();
  const uint64_t loaderData =
      memory.Value(environmentBlock + layout.LoaderDataInEnvironmentBlock, word);
  if (loaderData == 0) return false;
  // The list is circular: the last entry leads back to the head.
  const uint64_t head = loaderData + layout.LoadOrderInLoaderData;
  std::unordered_set<uint64_t> seen;
  uint8_t entry[kLoaderList64.EntrySize] = {};
  for (uint64_t next = memory.Value(head, word); next != head;) {
    if (next == 0 || modules.size() == kMaxLoaderEntries || !seen.insert(next).second ||
        !memory.Read(next, entry, layout.EntrySize))
      return false;
    TLoadedModule module;
    module.Base = FieldAt(entry, layout.DllBase);
    module.Size = FieldAt(entry, layout.SizeOfImage);
    if (!ReadCountedString(memory, next + layout.FullDllName, width, module.FullName))
      return false;
    modules.push_back(std::move(module));
    next = FieldAt(entry, layout.NextEntry);
  }
  return !modules.empty();
}

bool ReadLoaderModules(Os& os, OsHandle process, bool programWow64,
                       std::vector<TLoadedModule>& modules) {
  modules.clear();
  const uint32_t width = os.PointerSize();
  if (!os.IsBound(TOptionalEntry::NtQueryInformationProcess) || (width == 4 && programWow64))
    return false;
  TProcessReader reader(os, process);
  if (width == 8) {
    bool told = false;
    const uint64_t block32 = reader.Address(kProcessWow64Information, 8, 0, 8, &told);
    if (!told || block32 != 0) return false;
  }
  const uint64_t block = reader.EnvironmentBlock(width);
  if (block == 0) return false;
  TPagedMemory pages(reader);
  return WalkLoaderList(pages, block, width, modules);
}

}  // namespace kvt
