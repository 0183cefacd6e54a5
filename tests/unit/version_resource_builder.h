#pragma once
// Builds version resources and PE files around them, byte by byte, so that the
// tests can say exactly what a file holds and then damage it on purpose.
#include <cstdint>
#include <string>
#include <vector>

namespace kvt {

struct TVersionString {
  std::string Key;
  std::string Value;  // UTF-8, stored in UTF-16 in the file
};

struct TStringTable {
  std::string Key;  // the translation key, such as "040904E4"
  std::vector<TVersionString> Strings;
};

struct TVersionResourceSpec {
  std::vector<TStringTable> Tables;
  std::vector<uint32_t> Translations;  // none: no VarFileInfo block at all
};

// One node of the VS_VERSIONINFO tree: header, key, value, children.
std::string VersionNode(const std::string& key, uint16_t type, const std::string& value,
                        uint16_t valueLength, const std::vector<std::string>& children);

// A node of the 16-bit layout: no type field, 8-bit key and value.
std::string NarrowVersionNode(const std::string& key, const std::string& value,
                              const std::vector<std::string>& children);

// The VS_VERSIONINFO tree with a fixed file info of version 1.2.3.4.
std::string BuildVersionResource(const TVersionResourceSpec& layout);

struct TPeSpec {
  bool Pe32Plus = false;
  uint32_t ResourceId = 1;
  uint16_t Language = 0x0409;
};

// A PE image with one resource section holding Resource as its version
// resource; without a resource section when Resource is empty.
std::string BuildPeFile(const std::string& resource, const TPeSpec& layout = TPeSpec());

// A 16-bit NE image holding Resource as its version resource, its offset and
// length stated in units of 2 to the power of Shift.
std::string BuildNeFile(const std::string& resource, uint16_t shift = 0);

// A PE file with a version resource of the given strings under 040904E4.
std::string PeFileWithStrings(const std::vector<TVersionString>& strings);

}  // namespace kvt
