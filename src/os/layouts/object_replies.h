#pragma once
// The replies that name an object, its type, every type and a file
// (NtQueryObject classes 1, 2 and 3, NtQueryInformationFile class 9), and the
// counted string (UNICODE_STRING) they and the process blocks hold.
#include <cstdint>

#include "os/layouts/reply_field.h"

namespace kvt {

// A 16-bit length in bytes, a 16-bit maximum length and a pointer to the
// text, aligned to the program's pointer width. An object-name reply (and
// a command-line reply, class 60) is one, with its text after it.
struct TCountedStringLayout {
  uint8_t Size;
  TReplyField Length, MaximumLength, Buffer;
};
constexpr TCountedStringLayout kCountedString32 = {8, {0, 2}, {2, 2}, {4, 4}};
constexpr TCountedStringLayout kCountedString64 = {16, {0, 2}, {2, 2}, {8, 8}};
constexpr const TCountedStringLayout& CountedStringLayout(uint32_t pointerSize) {
  return pointerSize == 8 ? kCountedString64 : kCountedString32;
}

// A type-information record: the type's counted string and its figures,
// TypeIndex among them; a type-information reply has its name after it.
struct TObjectTypeRecordLayout {
  uint8_t Size;
  uint8_t TypeIndex;
};
constexpr TObjectTypeRecordLayout kObjectTypeRecord32 = {96, 82};
constexpr TObjectTypeRecordLayout kObjectTypeRecord64 = {104, 90};
constexpr const TObjectTypeRecordLayout& ObjectTypeRecordLayout(uint32_t pointerSize) {
  return pointerSize == 8 ? kObjectTypeRecord64 : kObjectTypeRecord32;
}

// The reply of every type: a 32-bit count, then from the pointer width on,
// per type, its record and its name's buffer of the stated maximum length,
// each entry aligned to the pointer width.
constexpr uint8_t kObjectTypesCountWidth = 4;

// FILE_NAME_INFORMATION: a 32-bit length in bytes, then the UTF-16 text.
constexpr TReplyField kFileNameLength = {0, 4};
constexpr uint8_t kFileNameText = 4;

}  // namespace kvt
