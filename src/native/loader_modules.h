#pragma once
// A process's loaded modules as its own loader lists them, read from its
// memory in load order: one walk through a page cache costs a few reads of
// the process, where a module snapshot costs several for every module.
#include <cstdint>
#include <string>
#include <vector>

#include "native/process_memory.h"
#include "os/os.h"

namespace kvt {

// A module as its loader's entry tells it.
struct TLoadedModule {
  uint64_t Base = 0;
  uint64_t Size = 0;
  std::string FullName;  // as the loader keeps it, at most 32,767 UTF-16 units
};

// The entries a walk takes at most; a list that goes on is not believed.
constexpr uint32_t kMaxLoaderEntries = 4096;

// The modules, in load order, of the loader list of the environment block at
// EnvironmentBlock of a process of Width bytes a pointer, into Modules. False
// when the list could not be walked from its head back to it: a read failed,
// an entry came round a second time, the list went past kMaxLoaderEntries,
// or it holds no module at all (a process whose loader has not yet run).
bool WalkLoaderList(TProcessMemory& memory, uint64_t environmentBlock, uint32_t width,
                    std::vector<TLoadedModule>& modules);

// The modules of Process (opened for querying and reading) from its loader
// list, through a page cache. False where the walk cannot stand for the
// module snapshot: the 32-bit program under WOW64 (ProgramWow64), whose reach
// stops short of 64-bit processes; a WOW64 process to the 64-bit program,
// whose 32-bit modules are in a second list; a kernel that does not tell the
// environment block; or a walk that failed.
bool ReadLoaderModules(Os& os, OsHandle process, bool programWow64,
                       std::vector<TLoadedModule>& modules);

}  // namespace kvt
