#include "os/portable/image_resources.h"

#include <algorithm>

#include "os/portable/byte_reader.h"
#include "os/portable/image_header.h"

namespace kvt {
namespace {

constexpr uint16_t kNeSignature = 0x454E;        // "NE"
constexpr uint16_t kPe32Magic = 0x10B;
constexpr uint16_t kPe32PlusMagic = 0x20B;
constexpr uint32_t kResourceDirectoryIndex = 2;
constexpr uint32_t kRtVersion = 16;
constexpr uint32_t kVersionInfoId = 1;
constexpr uint32_t kEntryIsSubdirectory = 0x80000000u;
constexpr uint32_t kEntryHasName = 0x80000000u;
constexpr uint64_t kSectionHeaderSize = 40;
constexpr uint64_t kDirectoryHeaderSize = 16;
constexpr uint64_t kDirectoryEntrySize = 8;

// Languages tried in order when a file has the resource in several: neutral,
// then US English, as the platform does for a program without a user interface
// language of its own; else the first one listed.
constexpr uint32_t kPreferredLanguages[] = {0x0000, 0x0409};

class TPeImage {
 public:
  TPeImage(const uint8_t* file, size_t size) : bytes_(file, size) {}

  bool ReadHeaders(uint32_t peOffset) {
    const uint64_t coff = uint64_t{peOffset} + 4;
    uint16_t optionalSize = 0, magic = 0;
    if (!bytes_.U16(coff + 2, sectionCount_) || !bytes_.U16(coff + 16, optionalSize)) return false;
    const uint64_t optional = coff + 20;
    if (!bytes_.U16(optional, magic)) return false;
    uint64_t countField, directories;
    if (magic == kPe32Magic) {
      countField = 92;
      directories = 96;
    } else if (magic == kPe32PlusMagic) {
      countField = 108;
      directories = 112;
    } else {
      return false;
    }
    const uint64_t resourceEntry = directories + 8 * kResourceDirectoryIndex;
    uint32_t directoryCount = 0;
    if (resourceEntry + 8 > optionalSize) return false;
    if (!bytes_.U32(optional + countField, directoryCount) ||
        directoryCount <= kResourceDirectoryIndex)
      return false;
    if (!bytes_.U32(optional + resourceEntry, resourceRva_) || resourceRva_ == 0) return false;
    sectionTable_ = optional + optionalSize;
    return Locate(resourceRva_, resourceOffset_, resourceAvailable_);
  }

  // The file offset of Length bytes at Rva, when they lie in one section's data.
  bool RvaToOffset(uint64_t rva, uint64_t length, uint64_t& offset) const {
    uint64_t available = 0;
    return Locate(rva, offset, available) && length <= available;
  }

  // The section data from Rva on: its file offset and how many bytes of it the
  // section and the file hold.
  bool Locate(uint64_t rva, uint64_t& offset, uint64_t& available) const {
    for (uint64_t i = 0; i < sectionCount_; ++i) {
      const uint64_t header = sectionTable_ + i * kSectionHeaderSize;
      uint32_t address = 0, rawSize = 0, rawPointer = 0;
      if (!bytes_.U32(header + 12, address) || !bytes_.U32(header + 16, rawSize) ||
          !bytes_.U32(header + 20, rawPointer))
        return false;
      if (rva < address || rva - address >= rawSize) continue;
      offset = rawPointer + (rva - address);
      if (offset >= bytes_.Size()) return false;
      available = std::min<uint64_t>(rawSize - (rva - address), bytes_.Size() - offset);
      return true;
    }
    return false;
  }

  // Directory structures are read relative to the resource root, inside the
  // section that holds it: one section lookup serves the whole walk.
  bool ResourceU32(uint64_t directoryOffset, uint64_t field, uint32_t& value) const {
    const uint64_t at = directoryOffset + field;
    return at + 4 <= resourceAvailable_ && bytes_.U32(resourceOffset_ + at, value);
  }

  // The entry of the directory at DirectoryOffset (relative to the resource
  // root) with the numeric id Id; its OffsetToData field.
  bool FindById(uint64_t directoryOffset, uint32_t id, uint32_t& target) const {
    uint32_t counts = 0;
    if (!ResourceU32(directoryOffset, 12, counts)) return false;
    const uint64_t total = (counts & 0xFFFF) + (counts >> 16);
    for (uint64_t i = 0; i < total; ++i) {
      const uint64_t entry = kDirectoryHeaderSize + i * kDirectoryEntrySize;
      uint32_t name = 0;
      if (!ResourceU32(directoryOffset, entry, name)) return false;
      if ((name & kEntryHasName) == 0 && name == id)
        return ResourceU32(directoryOffset, entry + 4, target);
    }
    return false;
  }

  bool FindFirst(uint64_t directoryOffset, uint32_t& target) const {
    uint32_t counts = 0;
    if (!ResourceU32(directoryOffset, 12, counts)) return false;
    if ((counts & 0xFFFF) + (counts >> 16) == 0) return false;
    return ResourceU32(directoryOffset, kDirectoryHeaderSize + 4, target);
  }

  bool FindVersion(uint64_t& offset, uint64_t& length) const {
    uint32_t types = 0, names = 0, language = 0;
    if (!FindById(0, kRtVersion, types) || (types & kEntryIsSubdirectory) == 0) return false;
    types &= ~kEntryIsSubdirectory;
    if (!FindById(types, kVersionInfoId, names) || (names & kEntryIsSubdirectory) == 0)
      return false;
    names &= ~kEntryIsSubdirectory;
    bool found = false;
    for (uint32_t preferred : kPreferredLanguages)
      if ((found = FindById(names, preferred, language))) break;
    if (!found && !FindFirst(names, language)) return false;
    if ((language & kEntryIsSubdirectory) != 0) return false;
    uint32_t dataRva = 0, dataSize = 0;
    if (!ResourceU32(language, 0, dataRva) || !ResourceU32(language, 4, dataSize)) return false;
    length = dataSize;
    return RvaToOffset(dataRva, dataSize, offset);
  }

 private:
  TByteReader bytes_;
  uint16_t sectionCount_ = 0;
  uint64_t sectionTable_ = 0;
  uint32_t resourceRva_ = 0;
  uint64_t resourceOffset_ = 0;
  uint64_t resourceAvailable_ = 0;
};

// The 16-bit image keeps one table of resource types, each followed by its
// resources, at an offset from its header; offsets and lengths of resources
// are in units of 2 to the power of the table's first field.
constexpr uint64_t kNeResourceTableField = 0x24;
constexpr uint16_t kNeVersionType = 0x8000 | kRtVersion;
constexpr uint16_t kNeVersionId = 0x8000 | kVersionInfoId;
constexpr uint64_t kNeTypeInfoSize = 8;
constexpr uint64_t kNeNameInfoSize = 12;
constexpr uint16_t kNeLargestShift = 24;  // beyond any file this reader takes

bool FindNeVersion(const TByteReader& bytes, uint64_t header, uint64_t& offset,
                   uint64_t& length) {
  uint16_t tableOffset = 0, shift = 0;
  if (!bytes.U16(header + kNeResourceTableField, tableOffset)) return false;
  const uint64_t table = header + tableOffset;
  if (!bytes.U16(table, shift) || shift > kNeLargestShift) return false;
  // Each type takes at least its own header, so the walk ends at the file's end.
  for (uint64_t type = table + 2;; ) {
    uint16_t typeId = 0, count = 0;
    if (!bytes.U16(type, typeId) || typeId == 0 || !bytes.U16(type + 2, count)) return false;
    const uint64_t names = type + kNeTypeInfoSize;
    if (typeId == kNeVersionType) {
      for (uint64_t i = 0; i < count; ++i) {
        const uint64_t name = names + i * kNeNameInfoSize;
        uint16_t at = 0, units = 0, id = 0;
        if (!bytes.U16(name, at) || !bytes.U16(name + 2, units) || !bytes.U16(name + 6, id))
          return false;
        if (id != kNeVersionId) continue;
        offset = uint64_t{at} << shift;
        // The stated length is rounded up to the unit; the file may end sooner.
        if (offset >= bytes.Size()) return false;
        length = std::min(uint64_t{units} << shift, bytes.Size() - offset);
        return true;
      }
      return false;
    }
    type = names + count * kNeNameInfoSize;
  }
}

}  // namespace

bool FindVersionResource(const uint8_t* file, size_t size, size_t& offset, size_t& length) {
  const TByteReader bytes(file, size);
  uint16_t neSignature = 0;
  uint32_t header = 0, peSignature = 0;
  if (!FindNewHeader(file, size, header)) return false;
  uint64_t at = 0, found = 0;
  if (bytes.U32(header, peSignature) && peSignature == kPeSignature) {
    TPeImage image(file, size);
    if (!image.ReadHeaders(header) || !image.FindVersion(at, found)) return false;
  } else if (bytes.U16(header, neSignature) && neSignature == kNeSignature) {
    if (!FindNeVersion(bytes, header, at, found)) return false;
  } else {
    return false;
  }
  offset = static_cast<size_t>(at);
  length = static_cast<size_t>(found);
  return true;
}

}  // namespace kvt
