#include "files/version_info.h"

#include <algorithm>

#include "os/fs_redirection.h"
#include "os/os.h"
#include "os/portable/version_block.h"
#include "os/scoped_handle.h"
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

// The file bytes the program's own reader takes when the platform's version
// calls cannot open a long path (a system whose long paths are not enabled):
// a larger file keeps no version there.
constexpr uint32_t kMaxOwnReadLength = 64u << 20;
// A version block and who queries it: the platform's call a block it built,
// the program's own reader one it built from the file's bytes.
struct TVersionBlock {
  std::vector<uint8_t> Bytes;
  bool Own = false;
};

bool QueryBlock(Os& os, const TVersionBlock& block, const char* subBlock, const void** value,
                uint32_t* length) {
  return block.Own ? QueryVersionBlock(block.Bytes.data(), subBlock, value, length)
                   : os.VerQueryValueW(block.Bytes.data(), subBlock, value, length);
}

// Beyond MAX_PATH - 1 units the platform's version calls need long paths
// enabled, and fail without them.
bool IsLongPath(const std::string& fileName) {
  return Utf8ToUtf16(fileName.data(), fileName.size()).size() > kMaxPathUnits;
}

// The bytes of a file of at most kMaxOwnReadLength, read through the seam;
// empty when it cannot be opened or read through, or is larger.
std::vector<uint8_t> ReadSmallFile(Os& os, const std::string& fileName) {
  const OsHandle file = os.CreateFileW(fileName.c_str(), kGenericRead,
                                       kFileShareRead | kFileShareWrite, kOpenExisting,
                                       kFileAttributeNormal);
  if (file == kInvalidHandleValue) return {};
  const TScopedHandle closer(os, file);
  uint32_t high = 0;
  const uint32_t low = os.GetFileSize(file, &high);
  if (high != 0 || low > kMaxOwnReadLength) return {};
  std::vector<uint8_t> bytes(low);
  // At most the size it had when opened: a growing file cannot keep the loop going.
  for (uint32_t at = 0; at < low;) {
    uint32_t read = 0;
    if (!os.ReadFile(file, bytes.data() + at, low - at, &read)) return {};
    if (read == 0) return {};  // it shrank since it was opened
    at += std::min(read, low - at);
  }
  return bytes;
}

// The file's version block: the platform's, else, for a long path, the
// program's own from the file's bytes. Empty when there is none.
TVersionBlock ReadVersionBlock(Os& os, const std::string& fileName) {
  TVersionBlock block;
  const TFsRedirectionOff trueFiles(os);
  uint32_t handle = 0;
  const uint32_t size = os.GetFileVersionInfoSizeW(fileName.c_str(), &handle);
  if (size != 0) {
    block.Bytes.resize(size);
    if (!os.GetFileVersionInfoW(fileName.c_str(), handle, size, block.Bytes.data()))
      block.Bytes.clear();
    return block;
  }
  if (!IsLongPath(fileName)) return block;
  const std::vector<uint8_t> file = ReadSmallFile(os, fileName);
  const uint32_t ownSize = PortableFileVersionInfoSize(file.data(), file.size());
  if (ownSize == 0) return block;
  block.Bytes.resize(ownSize);
  block.Own = PortableFileVersionInfo(file.data(), file.size(), ownSize, block.Bytes.data());
  if (!block.Own) block.Bytes.clear();
  return block;
}

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

// Key + "=" + the key's text in the string table of Translation (language in
// the low 16 bits, code page in the high 16 bits); Key + "=" when it cannot be
// read.
std::string QueryVersionValue(Os& os, const std::string& key, const TVersionBlock& versionBlock,
                              uint32_t translation) {
  const std::vector<uint8_t>& block = versionBlock.Bytes;
  const std::string path =
      kStringTablePath + TranslationKey(translation) + kKeySeparator + key;
  const void* value = nullptr;
  uint32_t length = 0;
  size_t available = 0;
  std::string text;
  if (QueryBlock(os, versionBlock, path.c_str(), &value, &length) &&
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

}  // namespace

bool ReadVersionInfo(Os& os, const std::string& fileName, int translationIndex,
                     TStringList& list) {
  if (translationIndex < 0) return false;
  const TVersionBlock versionBlock = ReadVersionBlock(os, fileName);
  const std::vector<uint8_t>& block = versionBlock.Bytes;
  if (block.empty()) return false;

  const void* table = nullptr;
  uint32_t tableLength = 0;
  size_t available = 0;
  const uint64_t entryOffset = uint64_t{kTranslationEntrySize} * translationIndex;
  if (!QueryBlock(os, versionBlock, kTranslationPath, &table, &tableLength) ||
      !InsideBlock(block, table, available) ||
      entryOffset + kTranslationEntrySize > std::min<uint64_t>(tableLength, available))
    return false;
  const auto* entry = static_cast<const uint8_t*>(table) + entryOffset;
  const uint32_t translation = static_cast<uint32_t>(entry[0]) | entry[1] << 8 | entry[2] << 16 |
                               static_cast<uint32_t>(entry[3]) << 24;

  for (const char* key : kKeys) list.Add(QueryVersionValue(os, key, versionBlock, translation));
  const std::string translators = QueryVersionValue(os, kTranslatorsKey, versionBlock, translation);
  if (translators.back() != '=') list.Add(translators);
  return true;
}

}  // namespace kvt
