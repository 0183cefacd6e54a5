#include "native/handle_replies.h"

#include <algorithm>

#include "os/layouts/object_replies.h"
#include "os/os.h"
#include "support/text.h"
#include "support/utf8.h"

namespace kvt {
namespace {

// FILE_NAME_INFORMATION counts its name in bytes: no path has more units.
constexpr size_t kFileNameMaxCharacters = kMaxNameUnits;

uint16_t U16At(const uint8_t* at) { return static_cast<uint16_t>(at[0] | at[1] << 8); }

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

// A counted string at the start of a reply whose text begins at TextOffset.
std::u16string CountedStringFromReply(const uint8_t* data, size_t size, uint32_t pointerSize,
                                      size_t textOffset) {
  const TCountedStringLayout& counted = CountedStringLayout(pointerSize);
  if (size < counted.Size) return std::u16string();
  return TextAt(data, size, textOffset, static_cast<size_t>(FieldAt(data, counted.Length) / 2));
}

}  // namespace

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
  return CountedStringFromReply(data, size, pointerSize, CountedStringLayout(pointerSize).Size);
}

std::u16string TypeNameFromReply(const uint8_t* data, size_t size, uint32_t pointerSize) {
  return CountedStringFromReply(data, size, pointerSize, ObjectTypeRecordLayout(pointerSize).Size);
}

std::vector<TListedObjectType> ObjectTypesFromReply(const uint8_t* data, size_t size,
                                                    uint32_t pointerSize) {
  std::vector<TListedObjectType> types;
  if (size < kObjectTypesCountWidth) return types;
  const size_t word = pointerSize;
  const TCountedStringLayout& counted = CountedStringLayout(pointerSize);
  const size_t record = ObjectTypeRecordLayout(pointerSize).Size;
  const size_t typeIndexAt = ObjectTypeRecordLayout(pointerSize).TypeIndex;
  const uint64_t count = UnsignedAt(data, kObjectTypesCountWidth);
  size_t at = word;
  for (size_t i = 0; i < count && at <= size && size - at >= record; ++i) {
    // The name buffer's maximum length.
    const auto nameRoom = static_cast<size_t>(FieldAt(data + at, counted.MaximumLength));
    if (size - at - record < nameRoom) break;
    TListedObjectType type;
    type.Position = i;
    type.TypeIndex = data[at + typeIndexAt];
    type.Name = TextAt(data, at + record + nameRoom, at + record,
                       static_cast<size_t>(FieldAt(data + at, counted.Length) / 2));
    types.push_back(type);
    at = (at + record + nameRoom + word - 1) / word * word;
  }
  return types;
}

std::string FileNameFromReply(const uint8_t* data, size_t size) {
  if (size < kFileNameText) return std::string();
  std::u16string text = TextAt(data, size, kFileNameText, kFileNameMaxCharacters);
  text.resize(std::min<size_t>(text.size(), FieldAt(data, kFileNameLength) / 2));
  return TrimControlAndBlanks(Utf16ToUtf8(text));
}

}  // namespace kvt
