#include "version_resource_builder.h"

#include <algorithm>

#include "support/utf8.h"

namespace kvt {
namespace {

void Put16(std::string& out, size_t at, uint32_t value) {
  out[at] = static_cast<char>(value & 0xFF);
  out[at + 1] = static_cast<char>((value >> 8) & 0xFF);
}
void Put32(std::string& out, size_t at, uint32_t value) {
  Put16(out, at, value & 0xFFFF);
  Put16(out, at + 2, value >> 16);
}
void Append16(std::string& out, uint32_t value) {
  out.append(2, '\0');
  Put16(out, out.size() - 2, value);
}
void Append32(std::string& out, uint32_t value) {
  out.append(4, '\0');
  Put32(out, out.size() - 4, value);
}
void Pad4(std::string& out) { out.append((4 - out.size() % 4) % 4, '\0'); }

// UTF-8 text in UTF-16, with its terminator.
std::string Wide(const std::string& text) {
  std::string out;
  for (char16_t unit : Utf8ToUtf16(text.data(), text.size())) Append16(out, unit);
  Append16(out, 0);
  return out;
}

// Header (wLength, wValueLength and, in the 32-bit layout, wType), key,
// value and children, each of the last three starting at a multiple of four.
std::string Node(bool wide, const std::string& key, uint16_t type, const std::string& value,
                 uint16_t valueLength, const std::vector<std::string>& children) {
  std::string node(wide ? 6 : 4, '\0');
  node += wide ? Wide(key) : key + '\0';
  Pad4(node);
  node += value;
  for (const std::string& child : children) {
    Pad4(node);
    node += child;
  }
  Put16(node, 0, static_cast<uint32_t>(node.size()));
  Put16(node, 2, valueLength);
  if (wide) Put16(node, 4, type);
  return node;
}

}  // namespace

std::string VersionNode(const std::string& key, uint16_t type, const std::string& value,
                        uint16_t valueLength, const std::vector<std::string>& children) {
  return Node(true, key, type, value, valueLength, children);
}

std::string NarrowVersionNode(const std::string& key, const std::string& value,
                              const std::vector<std::string>& children) {
  return Node(false, key, 0, value, static_cast<uint16_t>(value.size()), children);
}

std::string BuildVersionResource(const TVersionResourceSpec& layout) {
  std::string fixed;
  for (uint32_t word : {0xFEEF04BDu, 0x00010000u, 0x00010002u, 0x00030004u, 0x00010002u,
                        0x00030004u, 0x3Fu, 0u, 0x40004u, 1u, 0u, 0u, 0u})
    Append32(fixed, word);
  std::vector<std::string> tables;
  for (const TStringTable& table : layout.Tables) {
    std::vector<std::string> strings;
    for (const TVersionString& entry : table.Strings)
      strings.push_back(VersionNode(entry.Key, 1, Wide(entry.Value),
                                    static_cast<uint16_t>(Wide(entry.Value).size() / 2), {}));
    tables.push_back(VersionNode(table.Key, 1, "", 0, strings));
  }
  std::vector<std::string> blocks;
  if (!layout.Tables.empty()) blocks.push_back(VersionNode("StringFileInfo", 1, "", 0, tables));
  if (!layout.Translations.empty()) {
    std::string table;
    for (uint32_t translation : layout.Translations) Append32(table, translation);
    const std::string var = VersionNode("Translation", 0, table,
                                        static_cast<uint16_t>(table.size()), {});
    blocks.push_back(VersionNode("VarFileInfo", 1, "", 0, {var}));
  }
  return VersionNode("VS_VERSION_INFO", 0, fixed, static_cast<uint16_t>(fixed.size()), blocks);
}

std::string BuildPeFile(const std::string& resource, const TPeSpec& layout) {
  constexpr uint32_t kPeOffset = 0x40;
  constexpr uint32_t kHeadersSize = 0x200;
  constexpr uint32_t kSectionRva = 0x1000;
  const uint32_t optionalSize = layout.Pe32Plus ? 240 : 224;

  std::string section(0x58, '\0');
  Put16(section, 0x0E, 1);  // root: one id entry, the version type
  Put32(section, 0x10, 16);
  Put32(section, 0x14, 0x80000000u | 0x18);
  Put16(section, 0x18 + 0x0E, 1);
  Put32(section, 0x18 + 0x10, layout.ResourceId);
  Put32(section, 0x18 + 0x14, 0x80000000u | 0x30);
  Put16(section, 0x30 + 0x0E, 1);
  Put32(section, 0x30 + 0x10, layout.Language);
  Put32(section, 0x30 + 0x14, 0x48);
  Put32(section, 0x48, kSectionRva + 0x58);
  Put32(section, 0x4C, static_cast<uint32_t>(resource.size()));
  section += resource;
  const uint32_t rawSize = static_cast<uint32_t>((section.size() + 0x1FF) & ~size_t{0x1FF});
  const bool hasResource = !resource.empty();

  std::string file(kHeadersSize, '\0');
  file[0] = 'M';
  file[1] = 'Z';
  Put32(file, 0x3C, kPeOffset);
  file.replace(kPeOffset, 4, std::string("PE\0\0", 4));
  const uint32_t coff = kPeOffset + 4;
  Put16(file, coff, layout.Pe32Plus ? 0x8664 : 0x14C);
  Put16(file, coff + 2, hasResource ? 1 : 0);
  Put16(file, coff + 16, optionalSize);
  Put16(file, coff + 18, 0x2102);
  const uint32_t optional = coff + 20;
  Put16(file, optional, layout.Pe32Plus ? 0x20B : 0x10B);
  const uint32_t directories = optional + (layout.Pe32Plus ? 112 : 96);
  Put32(file, directories - 4, 16);
  if (hasResource) {
    Put32(file, directories + 16, kSectionRva);
    Put32(file, directories + 20, static_cast<uint32_t>(section.size()));
    const uint32_t header = optional + optionalSize;
    file.replace(header, 5, ".rsrc");
    Put32(file, header + 8, static_cast<uint32_t>(section.size()));
    Put32(file, header + 12, kSectionRva);
    Put32(file, header + 16, rawSize);
    Put32(file, header + 20, kHeadersSize);
    section.resize(rawSize, '\0');
    file += section;
  }
  return file;
}

std::string BuildNeFile(const std::string& resource, uint16_t shift) {
  constexpr uint32_t kNeOffset = 0x40;
  constexpr uint32_t kTableOffset = 0x40;  // from the NE header
  const uint32_t unit = 1u << shift;
  const uint32_t data = std::max<uint32_t>(0x100, unit);
  std::string file(data, '\0');
  file[0] = 'M';
  file[1] = 'Z';
  Put32(file, 0x3C, kNeOffset);
  file[kNeOffset] = 'N';
  file[kNeOffset + 1] = 'E';
  Put16(file, kNeOffset + 0x24, kTableOffset);
  const uint32_t table = kNeOffset + kTableOffset;
  Put16(file, table, shift);
  Put16(file, table + 2, 0x8010);  // the version type, one resource
  Put16(file, table + 4, 1);
  Put16(file, table + 10, data >> shift);
  Put16(file, table + 12, static_cast<uint32_t>((resource.size() + unit - 1) >> shift));
  Put16(file, table + 16, 0x8001);
  file += resource;
  return file;
}

std::string PeFileWithStrings(const std::vector<TVersionString>& strings) {
  TVersionResourceSpec layout;
  layout.Tables = {{"040904E4", strings}};
  layout.Translations = {0x04E40409};
  return BuildPeFile(BuildVersionResource(layout));
}

}  // namespace kvt
