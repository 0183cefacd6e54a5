#include "native/handle_replies.h"

#include <algorithm>

#include "support/text.h"

namespace kvt {
namespace {

constexpr size_t kTableHeaderSize = 4;
constexpr size_t kTableEntrySize = 16;
constexpr size_t kObjectNameHeaderSize = 8;
constexpr size_t kFileNameHeaderSize = 4;
constexpr size_t kFileNameMaxCharacters = 261;

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

void AppendUtf8(std::string& out, uint32_t codePoint) {
  if (codePoint < 0x80) {
    out += static_cast<char>(codePoint);
  } else if (codePoint < 0x800) {
    out += static_cast<char>(0xC0 | codePoint >> 6);
    out += static_cast<char>(0x80 | (codePoint & 0x3F));
  } else if (codePoint < 0x10000) {
    out += static_cast<char>(0xE0 | codePoint >> 12);
    out += static_cast<char>(0x80 | (codePoint >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (codePoint & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | codePoint >> 18);
    out += static_cast<char>(0x80 | (codePoint >> 12 & 0x3F));
    out += static_cast<char>(0x80 | (codePoint >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (codePoint & 0x3F));
  }
}

// A surrogate without its partner has no code point; it becomes U+FFFD.
std::string Utf16ToUtf8(const std::u16string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    const uint32_t c = text[i];
    const bool high = c >= 0xD800 && c <= 0xDBFF;
    const bool low = c >= 0xDC00 && c <= 0xDFFF;
    if (high && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      AppendUtf8(out, 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00u));
      ++i;
    } else {
      AppendUtf8(out, high || low ? 0xFFFD : c);
    }
  }
  return out;
}

}  // namespace

THandleTableReply::THandleTableReply(const uint8_t* data, size_t size) : data_(data), count_(0) {
  if (size < kTableHeaderSize) return;
  count_ = std::min<size_t>(U32At(data), (size - kTableHeaderSize) / kTableEntrySize);
}

THandleTableEntry THandleTableReply::Entry(size_t index) const {
  THandleTableEntry entry;
  if (index >= count_) return entry;
  const uint8_t* at = data_ + kTableHeaderSize + index * kTableEntrySize;
  entry.ProcessId = U16At(at);
  entry.ObjectType = at[4];
  entry.Flags = at[5];
  entry.Handle = U16At(at + 6);
  entry.Object = U32At(at + 8);
  entry.GrantedAccess = U32At(at + 12);
  return entry;
}

std::u16string ObjectNameFromReply(const uint8_t* data, size_t size) {
  if (size < kObjectNameHeaderSize) return std::u16string();
  return TextAt(data, size, kObjectNameHeaderSize, U16At(data) / 2);
}

std::string FileNameFromReply(const uint8_t* data, size_t size) {
  if (size < kFileNameHeaderSize) return std::string();
  std::u16string text = TextAt(data, size, kFileNameHeaderSize, kFileNameMaxCharacters);
  text.resize(std::min<size_t>(text.size(), U32At(data) / 2));
  return TrimControlAndBlanks(Utf16ToUtf8(text));
}

}  // namespace kvt
