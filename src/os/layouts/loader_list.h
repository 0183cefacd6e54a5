#pragma once
// Where a process's loader keeps the list of its loaded modules: the
// environment block points to the loader's data, which holds the head of a
// circular list in load order; each entry starts with its links (the next
// entry's address first) and holds the module's base, its size and its full
// name as a counted string (os/layouts/object_replies.h).
#include <cstdint>

#include "os/layouts/reply_field.h"

namespace kvt {

struct TLoaderListLayout {
  uint16_t LoaderDataInEnvironmentBlock;
  uint8_t LoadOrderInLoaderData;  // the head: its first pointer is the first entry's address
  uint8_t EntrySize;              // the part of an entry read, up to the end of FullDllName
  TReplyField NextEntry, DllBase, SizeOfImage;
  uint8_t FullDllName;
};
constexpr TLoaderListLayout kLoaderList32 = {0x0C, 0x0C, 0x2C, {0, 4}, {0x18, 4}, {0x20, 4}, 0x24};
constexpr TLoaderListLayout kLoaderList64 = {0x18, 0x10, 0x58, {0, 8}, {0x30, 8}, {0x40, 4}, 0x48};
// Every field lies inside the part of an entry that is read.
constexpr bool InsideEntry(const TLoaderListLayout& layout, TReplyField field) {
  return field.Offset + field.Width <= layout.EntrySize;
}
static_assert(InsideEntry(kLoaderList32, kLoaderList32.NextEntry) &&
                  InsideEntry(kLoaderList32, kLoaderList32.DllBase) &&
                  InsideEntry(kLoaderList32, kLoaderList32.SizeOfImage) &&
                  kLoaderList32.FullDllName + 8 <= kLoaderList32.EntrySize,
              "32-bit entry");
static_assert(InsideEntry(kLoaderList64, kLoaderList64.NextEntry) &&
                  InsideEntry(kLoaderList64, kLoaderList64.DllBase) &&
                  InsideEntry(kLoaderList64, kLoaderList64.SizeOfImage) &&
                  kLoaderList64.FullDllName + 16 <= kLoaderList64.EntrySize &&
                  kLoaderList32.EntrySize <= kLoaderList64.EntrySize,
              "64-bit entry");
// For a process of Width bytes a pointer.
constexpr const TLoaderListLayout& LoaderListLayout(uint32_t width) {
  return width == 8 ? kLoaderList64 : kLoaderList32;
}

}  // namespace kvt
