// A process's loader list is its own memory, which it may have spoiled: any
// pointers must give a walk that ends, within its cap, and the page cache
// must read what the reads it stands for would. The first byte picks the
// width; the rest is the process's memory from its environment block on,
// in whole pages as the platform maps them.
#include <cstdint>
#include <cstring>
#include <vector>

#include "native/loader_modules.h"

namespace {

constexpr uint64_t kBase = 0x7FFD0000;

class TImageMemory : public kvt::TProcessMemory {
 public:
  explicit TImageMemory(std::vector<uint8_t> image) : image_(std::move(image)) {}

  bool Read(uint64_t address, uint8_t* bytes, uint32_t size) override {
    if (address < kBase || address - kBase > image_.size() ||
        image_.size() - (address - kBase) < size)
      return false;
    std::memcpy(bytes, image_.data() + (address - kBase), size);
    return true;
  }

 private:
  std::vector<uint8_t> image_;
};

bool Same(const std::vector<kvt::TLoadedModule>& a, const std::vector<kvt::TLoadedModule>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (a[i].Base != b[i].Base || a[i].Size != b[i].Size || a[i].FullName != b[i].FullName)
      return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const uint32_t width = data[0] & 1 ? 8 : 4;
  constexpr size_t kPage = kvt::TPagedMemory::kPageLength;
  std::vector<uint8_t> image(data + 1, data + size);
  image.resize((image.size() + kPage - 1) / kPage * kPage, 0);
  TImageMemory memory(image);
  kvt::TPagedMemory paged(memory);
  std::vector<kvt::TLoadedModule> direct, cached;
  const bool walked = kvt::WalkLoaderList(memory, kBase, width, direct);
  if (walked != kvt::WalkLoaderList(paged, kBase, width, cached) || !Same(direct, cached))
    __builtin_trap();
  if (direct.size() > kvt::kMaxLoaderEntries) __builtin_trap();
  return 0;
}
