#include "os/portable/version_block.h"

#include <algorithm>
#include <cstring>

#include "os/portable/byte_reader.h"
#include "os/portable/image_resources.h"
#include "os/portable/windows_1252.h"
#include "support/utf8.h"

namespace kvt {
namespace {

constexpr uint16_t kTextType = 1;

uint64_t Align4(uint64_t offset) { return (offset + 3) & ~uint64_t{3}; }

// The two layouts of the tree. The 32-bit one has a type field and UTF-16
// keys and texts; the 16-bit one has neither, its keys and texts are 8-bit.
struct TLayout {
  bool Wide;
  uint64_t HeaderSize;  // wLength, wValueLength and, when wide, wType
  uint64_t UnitSize;
};
constexpr TLayout kWideLayout = {true, 6, 2};
constexpr TLayout kNarrowLayout = {false, 4, 1};

// The 16-bit layout has its key where the other has its type field, and keys
// begin with a printable character.
const TLayout& LayoutOf(const uint8_t* root) { return root[4] >= ' ' ? kNarrowLayout : kWideLayout; }

// One node of the tree: every offset lies inside the node, the node inside its parent.
struct TNode {
  uint64_t End = 0;
  uint64_t Key = 0;
  uint64_t KeyUnits = 0;  // without the terminating zero
  uint64_t Value = 0;
  uint64_t ValueBytes = 0;
  uint16_t StatedValueLength = 0;
  uint16_t Type = 0;
  uint64_t Children = 0;
};

// A character of a key or text: a UTF-16 unit or a byte, by layout.
bool Unit(const TByteReader& bytes, const TLayout& layout, uint64_t offset, uint16_t& unit) {
  if (layout.Wide) return bytes.U16(offset, unit);
  uint8_t byte = 0;
  if (!bytes.U8(offset, byte)) return false;
  unit = byte;
  return true;
}

bool ReadNode(const TByteReader& bytes, const TLayout& layout, uint64_t offset, uint64_t limit,
              TNode& node) {
  uint16_t length = 0;
  node.Type = 0;
  if (!bytes.U16(offset, length) || !bytes.U16(offset + 2, node.StatedValueLength) ||
      (layout.Wide && !bytes.U16(offset + 4, node.Type)))
    return false;
  if (length < layout.HeaderSize || offset + length > limit) return false;
  node.End = offset + length;
  node.Key = offset + layout.HeaderSize;
  uint64_t at = node.Key;
  for (uint16_t unit = 1;; at += layout.UnitSize) {
    // A key must end inside its node.
    if (at + layout.UnitSize > node.End || !Unit(bytes, layout, at, unit)) return false;
    if (unit == 0) break;
  }
  node.KeyUnits = (at - node.Key) / layout.UnitSize;
  node.Value = std::min(Align4(at + layout.UnitSize), node.End);
  const uint64_t stated = node.Type == kTextType ? uint64_t{node.StatedValueLength} * 2
                                                 : node.StatedValueLength;
  node.ValueBytes = std::min(stated, node.End - node.Value);
  node.Children = std::min(Align4(node.Value + node.ValueBytes), node.End);
  return true;
}

bool KeyEquals(const TByteReader& bytes, const TLayout& layout, const TNode& node,
               const std::u16string& name) {
  if (node.KeyUnits != name.size()) return false;
  for (size_t i = 0; i < name.size(); ++i) {
    uint16_t unit = 0;
    Unit(bytes, layout, node.Key + layout.UnitSize * i, unit);
    if (!layout.Wide) unit = Windows1252ToUtf16(static_cast<uint8_t>(unit));
    uint16_t wanted = name[i];
    if (unit >= 'a' && unit <= 'z') unit -= 32;
    if (wanted >= 'a' && wanted <= 'z') wanted -= 32;
    if (unit != wanted) return false;
  }
  return true;
}

bool FindChild(const TByteReader& bytes, const TLayout& layout, const TNode& parent,
               const std::u16string& name, TNode& child) {
  // Each child is at least a header long, so the walk ends at the parent's end.
  for (uint64_t at = parent.Children; at + layout.HeaderSize <= parent.End;
       at = Align4(child.End)) {
    if (!ReadNode(bytes, layout, at, parent.End, child)) return false;
    if (KeyEquals(bytes, layout, child, name)) return true;
  }
  return false;
}

}  // namespace

uint32_t VersionBlockSize(const uint8_t* resource, size_t length) {
  const TByteReader bytes(resource, length);
  TNode root;
  if (!bytes.Has(0, 5) || !ReadNode(bytes, LayoutOf(resource), 0, length, root)) return 0;
  if (root.Type > kTextType) return 0;
  return static_cast<uint32_t>(root.End);
}

bool BuildVersionBlock(const uint8_t* resource, size_t length, uint32_t dataSize, void* data) {
  const uint32_t size = VersionBlockSize(resource, length);
  if (size == 0 || dataSize < size) return false;
  std::memcpy(data, resource, size);
  return true;
}

uint32_t PortableFileVersionInfoSize(const uint8_t* file, size_t size) {
  size_t offset = 0, length = 0;
  if (!FindVersionResource(file, size, offset, length)) return 0;
  return VersionBlockSize(file + offset, length);
}

bool PortableFileVersionInfo(const uint8_t* file, size_t size, uint32_t dataSize, void* data) {
  size_t offset = 0, length = 0;
  if (!FindVersionResource(file, size, offset, length)) return false;
  return BuildVersionBlock(file + offset, length, dataSize, data);
}

bool QueryVersionBlock(const void* block, const char* subBlock, const void** value,
                       uint32_t* length) {
  auto* base = static_cast<uint8_t*>(const_cast<void*>(block));
  // The root's length was checked against the resource when the block was built.
  const uint16_t treeSize = static_cast<uint16_t>(base[0] | base[1] << 8);
  const TByteReader bytes(base, treeSize);
  const TLayout& layout = LayoutOf(base);
  TNode node;
  if (!ReadNode(bytes, layout, 0, treeSize, node)) return false;
  const std::u16string path = Utf8ToUtf16(subBlock, std::strlen(subBlock));
  bool inStrings = false;  // below StringFileInfo, where every value is a text
  bool atRoot = true;
  for (size_t at = 0; at < path.size();) {
    if (path[at] == u'\\') {
      ++at;
      continue;
    }
    const size_t end = std::min(path.find(u'\\', at), path.size());
    TNode child;
    if (!FindChild(bytes, layout, node, path.substr(at, end - at), child)) return false;
    if (atRoot) inStrings = KeyEquals(bytes, layout, child, u"STRINGFILEINFO");
    atRoot = false;
    node = child;
    at = end;
  }
  // The wide call gives no text of the 16-bit layout, whose texts are 8-bit.
  if (!layout.Wide && inStrings) return false;
  *value = base + node.Value;
  *length = static_cast<uint32_t>(layout.Wide && node.Type == kTextType ? node.StatedValueLength
                                                                         : node.ValueBytes);
  return true;
}

}  // namespace kvt
