#include "native/handle_replies.h"

#include <algorithm>

#include "os/os.h"
#include "support/text.h"
#include "support/utf8.h"

namespace kvt {
namespace {

constexpr size_t kFileNameHeaderSize = 4;

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
// FILE_NAME_INFORMATION counts its name in bytes: no path has more units.
constexpr size_t kFileNameMaxCharacters = kMaxNameUnits;

uint16_t U16At(const uint8_t* at) { return static_cast<uint16_t>(at[0] | at[1] << 8); }

uint32_t U32At(const uint8_t* at) {
  return static_cast<uint32_t>(U16At(at)) | static_cast<uint32_t>(U16At(at + 2)) << 16;
}

// Up to Limit UTF-16 characters from Offset, stopping at a zero character and
// at the last whole character inside the buffer.
std::u16string TextAt(const uint8_t* data, size_t size, size_t offset, size_t limit) {
  std::u16string text;
  if (offset > size) return text;
  const size_t available = (size - offset) / 2;
  for (size_t i = 0; i < std::min(limit, available); ++i) {
    const char16_t c = U16At(data + offset + 2 * i);
    if (c == 0) break;
    text += c;
  }
  return text;
}

// A counted string at the start of a reply (its header the program's
// pointer width twice) whose text begins at TextOffset.
std::u16string CountedStringFromReply(const uint8_t* data, size_t size, uint32_t pointerSize,
                                      size_t textOffset) {
  if (size < 2 * size_t{pointerSize}) return std::u16string();
  return TextAt(data, size, textOffset, U16At(data) / 2);
}

}  // namespace

const THandleTableLayout& HandleTableLayout(uint32_t infoClass, uint32_t pointerSize) {
  if (infoClass == kSystemExtendedHandleInformation)
    return pointerSize == 8 ? kClass64Layout64 : kClass64Layout32;
  return pointerSize == 8 ? kClass16Layout64 : kClass16Layout32;
}

THandleTableReply::THandleTableReply(const THandleTableLayout& layout, const uint8_t* data,
                                     size_t size)
    : layout_(layout), data_(data), count_(0) {
  if (size < layout.HeaderSize) return;
  const uint64_t stated = UnsignedAt(data, layout.CountWidth);
  count_ = static_cast<size_t>(
      std::min<uint64_t>(stated, (size - layout.HeaderSize) / layout.EntrySize));
}

THandleTableEntry THandleTableReply::Entry(size_t index) const {
  THandleTableEntry entry;
  if (index >= count_) return entry;
  const uint8_t* at = data_ + layout_.HeaderSize + index * layout_.EntrySize;
  entry.ProcessId = FieldAt(at, layout_.ProcessId);
  entry.Handle = FieldAt(at, layout_.Handle);
  entry.ObjectType = static_cast<uint16_t>(FieldAt(at, layout_.ObjectType));
  entry.Flags = static_cast<uint32_t>(FieldAt(at, layout_.Flags));
  entry.Object = FieldAt(at, layout_.Object);
  entry.GrantedAccess = static_cast<uint32_t>(FieldAt(at, layout_.GrantedAccess));
  return entry;
}

std::u16string ObjectNameFromReply(const uint8_t* data, size_t size, uint32_t pointerSize) {
  return CountedStringFromReply(data, size, pointerSize, 2 * size_t{pointerSize});
}

std::u16string TypeNameFromReply(const uint8_t* data, size_t size, uint32_t pointerSize) {
  return CountedStringFromReply(data, size, pointerSize, pointerSize == 8 ? 104 : 96);
}

std::vector<TListedObjectType> ObjectTypesFromReply(const uint8_t* data, size_t size,
                                                    uint32_t pointerSize) {
  std::vector<TListedObjectType> types;
  if (size < 4) return types;
  const size_t word = pointerSize;
  const size_t record = pointerSize == 8 ? 104 : 96;
  const size_t typeIndexAt = pointerSize == 8 ? 90 : 82;
  const uint32_t count = U32At(data);
  size_t at = word;
  for (size_t i = 0; i < count && at <= size && size - at >= record; ++i) {
    const size_t nameRoom = U16At(data + at + 2);  // the name buffer's maximum length
    if (size - at - record < nameRoom) break;
    TListedObjectType type;
    type.Position = i;
    type.TypeIndex = data[at + typeIndexAt];
    type.Name = TextAt(data, at + record + nameRoom, at + record, U16At(data + at) / 2);
    types.push_back(type);
    at = (at + record + nameRoom + word - 1) / word * word;
  }
  return types;
}

std::string FileNameFromReply(const uint8_t* data, size_t size) {
  if (size < kFileNameHeaderSize) return std::string();
  std::u16string text = TextAt(data, size, kFileNameHeaderSize, kFileNameMaxCharacters);
  text.resize(std::min<size_t>(text.size(), U32At(data) / 2));
  return TrimControlAndBlanks(Utf16ToUtf8(text));
}

}  // namespace kvt
