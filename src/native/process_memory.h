#pragma once
// Reads of another process's memory: straight, each one a round trip to the
// kernel, or through a cache of whole pages for a walk that reads many small
// fields lying close together, where round trips, not bytes, are the cost.
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "os/os.h"

namespace kvt {

class TProcessMemory {
 public:
  virtual ~TProcessMemory() = default;
  // Size bytes at Address of the process into Bytes; false when not all were read.
  virtual bool Read(uint64_t address, uint8_t* bytes, uint32_t size) = 0;
  // A value of Width bytes (1 to 8) at Address; 0 when unreadable.
  uint64_t Value(uint64_t address, uint8_t width);
};

// The reads of one process's memory and the kernel's answers about it; it
// remembers whether the rights refused one, for the refusal to be told.
class TProcessReader : public TProcessMemory {
 public:
  TProcessReader(Os& os, OsHandle process) : os_(os), process_(process) {}

  bool Read(uint64_t address, uint8_t* bytes, uint32_t size) override;

  // A pointer-sized answer of the kernel at Offset of its reply; 0 when it
  // gives none. Told, where given, says whether the kernel answered at all.
  uint64_t Address(uint32_t infoClass, uint32_t size, uint32_t offset, uint32_t pointerSize,
                   bool* told = nullptr);
  // The environment block of a process reached at Width (the program's),
  // from the basic information; 0 when it is not told.
  uint64_t EnvironmentBlock(uint32_t width);

  bool Denied() const { return denied_; }

 private:
  Os& os_;
  OsHandle process_;
  bool denied_ = false;
};

// Reads through aligned pages of Source, each read once and kept for the
// walk; a page that could not be read is remembered as such.
class TPagedMemory : public TProcessMemory {
 public:
  static constexpr uint32_t kPageLength = 0x1000;
  // Pages kept at most (1 MiB); past it the cache starts again empty.
  static constexpr size_t kMaxPages = 256;

  explicit TPagedMemory(TProcessMemory& source) : source_(source) {}

  bool Read(uint64_t address, uint8_t* bytes, uint32_t size) override;

 private:
  const std::vector<uint8_t>& Page(uint64_t page);

  TProcessMemory& source_;
  std::unordered_map<uint64_t, std::vector<uint8_t>> pages_;  // empty: unreadable
};

// The text of the counted string at Address of a process of Width bytes a
// pointer, read as far as its 16-bit length says; false when the string or
// its text could not be read. An empty string is read.
bool ReadCountedString(TProcessMemory& memory, uint64_t address, uint32_t width,
                       std::string& text);

}  // namespace kvt
