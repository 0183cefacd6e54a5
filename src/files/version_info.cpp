#include "files/version_info.h"

#include <algorithm>

#include "os/fs_redirection.h"
#include "os/os.h"
#include "support/format.h"
#include "support/utf8.h"

namespace kvt {
namespace {

// The platform takes each doubled backslash as one separator.
constexpr const char* kTranslationPath = "\\\\VarFileInfo\\\\Translation";
constexpr const char* kStringTablePath = "\\\\StringFileInfo\\\\";
constexpr const char* kKeySeparator = "\\\\";
constexpr uint32_t kTranslationEntrySize = 4;

constexpr const char* kKeys[] = {
    "FileVersion",      "CompanyName",  "InternalName",   "Comments",
    "LegalCopyright",   "LegalTrademarks", "OriginalFilename", "ProductName",
    "ProductVersion",   "FileDescription", "PrivateBuild",   "SpecialBuild",
};
// Appended only when it has a value: few files name their translators.
constexpr const char* kTranslatorsKey = "Translators";

// Where Value points into Block, the bytes from there to the block's end;
// nothing for a pointer outside it.
bool InsideBlock(const std::vector<uint8_t>& block, const void* value, size_t& available) {
  const auto* at = static_cast<const uint8_t*>(value);
  if (at == nullptr || at < block.data() || at >= block.data() + block.size()) return false;
  available = static_cast<size_t>(block.data() + block.size() - at);
  return true;
}

// Four upper-case hexadecimal digits of the language, then four of the code page.
std::string TranslationKey(uint32_t translation) {
  return Format("%04X%04X", translation & 0xFFFF, translation >> 16);
}

}  // namespace

std::string QueryVersionValue(Os& os, const std::string& key, const std::vector<uint8_t>& block,
                              uint32_t translation) {
  const std::string path =
      kStringTablePath + TranslationKey(translation) + kKeySeparator + key;
  const void* value = nullptr;
  uint32_t length = 0;
  size_t available = 0;
  std::string text;
  if (os.VerQueryValueW(block.data(), path.c_str(), &value, &length) &&
      InsideBlock(block, value, available)) {
    // UTF-16 up to its first zero unit, and never past the block.
    const auto* bytes = static_cast<const uint8_t*>(value);
    std::u16string units;
    for (size_t at = 0; at + 1 < available; at += 2) {
      const auto unit = static_cast<char16_t>(bytes[at] | bytes[at + 1] << 8);
      if (unit == 0) break;
      units += unit;
    }
    text = Utf16ToUtf8(units);
  }
  return key + "=" + text;
}

bool ReadVersionInfo(Os& os, const std::string& fileName, int translationIndex,
                     TStringList& list) {
  std::vector<uint8_t> block;
  {
    const TFsRedirectionOff trueFiles(os);
    uint32_t handle = 0;
    const uint32_t size = os.GetFileVersionInfoSizeW(fileName.c_str(), &handle);
    if (size == 0 || translationIndex < 0) return false;
    block.resize(size);
    if (!os.GetFileVersionInfoW(fileName.c_str(), handle, size, block.data())) return false;
  }

  const void* table = nullptr;
  uint32_t tableLength = 0;
  size_t available = 0;
  const uint64_t entryOffset = uint64_t{kTranslationEntrySize} * translationIndex;
  if (!os.VerQueryValueW(block.data(), kTranslationPath, &table, &tableLength) ||
      !InsideBlock(block, table, available) ||
      entryOffset + kTranslationEntrySize > std::min<uint64_t>(tableLength, available))
    return false;
  const auto* entry = static_cast<const uint8_t*>(table) + entryOffset;
  const uint32_t translation = static_cast<uint32_t>(entry[0]) | entry[1] << 8 | entry[2] << 16 |
                               static_cast<uint32_t>(entry[3]) << 24;

  for (const char* key : kKeys) list.Add(QueryVersionValue(os, key, block, translation));
  const std::string translators = QueryVersionValue(os, kTranslatorsKey, block, translation);
  if (translators.back() != '=') list.Add(translators);
  return true;
}

}  // namespace kvt
