#include "support/utf8.h"

#include <cstdint>

namespace kvt {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

void AppendUtf8(std::string& text, char32_t code) {
  const auto byte = [&text](uint32_t value) { text += static_cast<char>(value); };
  if (code < 0x80) {
    byte(code);
  } else if (code < 0x800) {
    byte(0xC0 | code >> 6);
    byte(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    byte(0xE0 | code >> 12);
    byte(0x80 | (code >> 6 & 0x3F));
    byte(0x80 | (code & 0x3F));
  } else {
    byte(0xF0 | code >> 18);
    byte(0x80 | (code >> 12 & 0x3F));
    byte(0x80 | (code >> 6 & 0x3F));
    byte(0x80 | (code & 0x3F));
  }
}

void AppendUtf16(std::u16string& text, char32_t code) {
  if (code < 0x10000) {
    text += static_cast<char16_t>(code);
    return;
  }
  code -= 0x10000;
  text += static_cast<char16_t>(0xD800 | code >> 10);
  text += static_cast<char16_t>(0xDC00 | (code & 0x3FF));
}

// The sequence a lead byte begins: its length, the bits it carries, and the
// range of the byte after it, which rules out overlong forms, surrogates and
// code points above U+10FFFF. Length 0 for a byte that begins none.
struct TSequence {
  size_t Length = 0;
  char32_t Bits = 0;
  uint8_t SecondLow = 0x80;
  uint8_t SecondHigh = 0xBF;
};

TSequence SequenceOf(uint8_t lead) {
  TSequence sequence;
  if (lead >= 0xC2 && lead <= 0xDF) {
    sequence.Length = 2;
    sequence.Bits = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    sequence.Length = 3;
    sequence.Bits = lead & 0x0F;
    if (lead == 0xE0) sequence.SecondLow = 0xA0;
    if (lead == 0xED) sequence.SecondHigh = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    sequence.Length = 4;
    sequence.Bits = lead & 0x07;
    if (lead == 0xF0) sequence.SecondLow = 0x90;
    if (lead == 0xF4) sequence.SecondHigh = 0x8F;
  }
  return sequence;
}

// The character at the start of Data (Size > 0): a well-formed sequence gives
// its code point and length; otherwise Length is that of the ill-formed stretch
// a reader takes as one U+FFFD (the lead byte and the bytes that fit after it).
struct TDecoded {
  char32_t Code = 0;
  size_t Length = 0;
  bool WellFormed = false;
};

TDecoded DecodeAt(const char* data, size_t size) {
  const auto lead = static_cast<uint8_t>(data[0]);
  if (lead < 0x80) return TDecoded{lead, 1, true};
  const TSequence sequence = SequenceOf(lead);
  char32_t code = sequence.Bits;
  size_t taken = 1;
  uint8_t low = sequence.SecondLow, high = sequence.SecondHigh;
  while (taken < sequence.Length && taken < size) {
    const auto next = static_cast<uint8_t>(data[taken]);
    if (next < low || next > high) break;
    code = code << 6 | (next & 0x3F);
    low = 0x80;
    high = 0xBF;
    ++taken;
  }
  return TDecoded{code, taken, taken == sequence.Length};
}

// A character as the program counts it: a byte outside any well-formed
// sequence is one of its own (see Utf8CodePoints).
struct TCharacter {
  char32_t Code;
  size_t Length;
};

TCharacter CharacterAt(const char* data, size_t size) {
  const TDecoded decoded = DecodeAt(data, size);
  if (decoded.WellFormed) return TCharacter{decoded.Code, decoded.Length};
  return TCharacter{static_cast<char32_t>(0xDC00 + static_cast<uint8_t>(data[0])), 1};
}

}  // namespace

std::string Utf16ToUtf8(const std::u16string& text) {
  std::string result;
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t unit = text[i];
    if (IsHighSurrogate(unit) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
      AppendUtf8(result, 0x10000 + ((char32_t{unit} - 0xD800) << 10) + (text[i + 1] - 0xDC00));
      ++i;
    } else if (IsHighSurrogate(unit) || IsLowSurrogate(unit)) {
      AppendUtf8(result, kReplacement);
    } else {
      AppendUtf8(result, unit);
    }
  }
  return result;
}

std::u16string Utf8ToUtf16(const char* data, size_t size) {
  std::u16string result;
  size_t i = 0;
  while (i < size) {
    const TDecoded decoded = DecodeAt(data + i, size - i);
    i += decoded.Length;
    AppendUtf16(result, decoded.WellFormed ? decoded.Code : kReplacement);
  }
  return result;
}

std::u32string Utf8CodePoints(const std::string& text) {
  std::u32string result;
  for (size_t i = 0; i < text.size();) {
    const TCharacter character = CharacterAt(text.data() + i, text.size() - i);
    result += character.Code;
    i += character.Length;
  }
  return result;
}

size_t Utf8CharacterCount(const std::string& text) { return Utf8CodePoints(text).size(); }

std::string Utf8Left(const std::string& text, size_t count) {
  size_t end = 0;
  for (; count > 0 && end < text.size(); --count)
    end += CharacterAt(text.data() + end, text.size() - end).Length;
  return text.substr(0, end);
}

std::wstring Utf8ToWide(const std::string& text) {
  std::wstring result;
  for (const char32_t code : Utf8CodePoints(text)) {
    if (sizeof(wchar_t) == 2 && code > 0xFFFF) {
      std::u16string pair;
      AppendUtf16(pair, code);
      result.append(pair.begin(), pair.end());
    } else {
      result += static_cast<wchar_t>(code);
    }
  }
  return result;
}

}  // namespace kvt
