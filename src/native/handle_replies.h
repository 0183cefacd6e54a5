#pragma once
// The replies of the native interface that the handle scan reads. Each comes
// from outside the program and is read from its buffer and the number of
// bytes in it: an entry or a character that would reach past the end is not
// read, so a short or inconsistent reply gives fewer entries or a shorter name.
#include <cstddef>
#include <cstdint>
#include <string>

namespace kvt {

// One entry of the system handle table (16 bytes, little-endian).
struct THandleTableEntry {
  uint16_t ProcessId = 0;
  uint8_t ObjectType = 0;
  uint8_t Flags = 0;
  uint16_t Handle = 0;
  uint32_t Object = 0;
  uint32_t GrantedAccess = 0;
};

// The system handle table: a 32-bit entry count, then the entries.
class THandleTableReply {
 public:
  THandleTableReply(const uint8_t* data, size_t size);
  // The entries the reply states, as far as they lie wholly inside the buffer.
  size_t Count() const { return count_; }
  // Entry Index, which is below Count().
  THandleTableEntry Entry(size_t index) const;

 private:
  const uint8_t* data_;
  size_t count_;
};

// The name of an object-name reply: an 8-byte header (16-bit length in bytes,
// 16-bit maximum length, 32-bit address), then the UTF-16 text. The name runs
// to its terminating zero and no further than the header's length.
std::u16string ObjectNameFromReply(const uint8_t* data, size_t size);

// The name of a file-name reply: a 32-bit length in bytes, then the UTF-16
// text, of which at most 261 characters up to the first zero are read and the
// stated length kept. Given as UTF-8, without leading and trailing blanks and
// control characters.
std::string FileNameFromReply(const uint8_t* data, size_t size);

}  // namespace kvt
