#pragma once
// The replies of the native interface that the handle scan reads. Each comes
// from outside the program and is read from its buffer and the number of
// bytes in it: an entry or a character that would reach past the end is not
// read, so a short or inconsistent reply gives fewer entries or a shorter name.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "os/layouts/handle_table.h"

namespace kvt {

// One entry of the system handle table, whatever the layout it came in.
struct THandleTableEntry {
  uint64_t ProcessId = 0;
  uint64_t Handle = 0;
  uint16_t ObjectType = 0;
  uint32_t Flags = 0;
  uint64_t Object = 0;
  uint32_t GrantedAccess = 0;
};

// The system handle table as Layout describes it.
class THandleTableReply {
 public:
  THandleTableReply(const THandleTableLayout& layout, const uint8_t* data, size_t size);
  // The entries the reply states, as far as they lie wholly inside the buffer.
  size_t Count() const { return count_; }
  // Entry Index, which is below Count().
  THandleTableEntry Entry(size_t index) const;

 private:
  const THandleTableLayout& layout_;
  const uint8_t* data_;
  size_t count_;
};

// The name of an object-name reply: a counted string (16-bit length in bytes,
// 16-bit maximum length, a pointer, aligned to the program's pointer width:
// 8 bytes in all for the 32-bit program, 16 for the 64-bit one), then the
// UTF-16 text. The name runs to its terminating zero and no further than the
// stated length.
std::u16string ObjectNameFromReply(const uint8_t* data, size_t size, uint32_t pointerSize);

// The type name of a type-information reply: the same counted string, its
// text after the fixed part of the record (96 bytes for the 32-bit program,
// 104 for the 64-bit one).
std::u16string TypeNameFromReply(const uint8_t* data, size_t size, uint32_t pointerSize);

// One entry of the reply that names every object type (NtQueryObject class
// 3): its position in the reply, its TypeIndex field and its name.
struct TListedObjectType {
  size_t Position = 0;
  uint8_t TypeIndex = 0;
  std::u16string Name;
};

// The types of a reply of all object types: a 32-bit count, then from the
// pointer width on, per type, a type-information record (TypeIndex at 82 for
// the 32-bit program, 90 for the 64-bit one) and the name's buffer of its
// stated maximum length, each entry aligned to the pointer width. Entries are
// read while they lie wholly inside the buffer.
std::vector<TListedObjectType> ObjectTypesFromReply(const uint8_t* data, size_t size,
                                                    uint32_t pointerSize);

// The name of a file-name reply: a 32-bit length in bytes, then the UTF-16
// text, of which at most kMaxNameUnits characters (the longest path) up to
// the first zero are read and the stated length kept. Given as UTF-8, without
// leading and trailing blanks and control characters.
std::string FileNameFromReply(const uint8_t* data, size_t size);

}  // namespace kvt
