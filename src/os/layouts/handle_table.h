#pragma once
// The system handle table (NtQuerySystemInformation, class 16 or 64).
#include <cstdint>

#include "os/layouts/reply_field.h"
#include "os/os_native.h"

namespace kvt {

// One layout of the table (little-endian): the information class that
// delivers it, a header that starts with the entry count, and entries of a
// fixed size. The layout depends on the program's pointer width.
struct THandleTableLayout {
  uint32_t InfoClass;
  uint8_t HeaderSize;
  uint8_t CountWidth;
  uint8_t EntrySize;
  TReplyField ProcessId, Handle, ObjectType, Flags, Object, GrantedAccess;
};

// Class 16: a 32-bit count, then entries aligned to the pointer width. The
// process id and the handle value are cut to 16 bits, type and flags to 8.
constexpr THandleTableLayout kClass16Layout32 = {
    kSystemHandleInformation, 4, 4, 16, {0, 2}, {6, 2}, {4, 1}, {5, 1}, {8, 4}, {12, 4}};
constexpr THandleTableLayout kClass16Layout64 = {
    kSystemHandleInformation, 8, 4, 24, {0, 2}, {6, 2}, {4, 1}, {5, 1}, {8, 8}, {16, 4}};
// Class 64: a pointer-sized count and a reserved word, then entries of object
// address, owner and handle value (pointer-sized), access (32 bits), a 16-bit
// back-trace index, the 16-bit type number, 32-bit attributes and a reserved
// word: 28 bytes for the 32-bit program, 40 for the 64-bit one.
constexpr THandleTableLayout kClass64Layout32 = {
    kSystemExtendedHandleInformation, 8, 4, 28, {4, 4}, {8, 4}, {18, 2}, {20, 4}, {0, 4}, {12, 4}};
constexpr THandleTableLayout kClass64Layout64 = {
    kSystemExtendedHandleInformation, 16, 8, 40, {8, 8}, {16, 8}, {30, 2}, {32, 4}, {0, 8}, {24, 4}};

// The layout of information class 16 (the old table, 16-bit process ids and
// handle values) or 64 (the extended one, every field at full width) for a
// program of PointerSize bytes.
constexpr const THandleTableLayout& HandleTableLayout(uint32_t infoClass, uint32_t pointerSize) {
  if (infoClass == kSystemExtendedHandleInformation)
    return pointerSize == 8 ? kClass64Layout64 : kClass64Layout32;
  return pointerSize == 8 ? kClass16Layout64 : kClass16Layout32;
}

}  // namespace kvt
