#include "os/portable/version_block.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "os/portable/image_resources.h"
#include "support/utf8.h"
#include "version_resource_builder.h"

namespace kvt {
namespace {

const uint8_t* Bytes(const std::string& text) {
  return reinterpret_cast<const uint8_t*>(text.data());
}

// The block of File as the three calls give it, or an empty vector.
std::vector<uint8_t> BlockOf(const std::string& file) {
  const uint32_t size = PortableFileVersionInfoSize(Bytes(file), file.size());
  if (size == 0) return {};
  std::vector<uint8_t> block(size, 0xCC);
  if (!PortableFileVersionInfo(Bytes(file), file.size(), size, block.data())) return {};
  return block;
}

bool QueryText(std::vector<uint8_t>& block, const char* path, std::string& text) {
  const void* value = nullptr;
  uint32_t length = 0;
  if (!QueryVersionBlock(block.data(), path, &value, &length)) return false;
  // UTF-16 up to its terminator, inside the block.
  const auto* at = static_cast<const uint8_t*>(value);
  EXPECT_GE(at, block.data());
  EXPECT_LT(at, block.data() + block.size());
  std::u16string units;
  for (; at + 1 < block.data() + block.size() && (at[0] != 0 || at[1] != 0); at += 2)
    units += static_cast<char16_t>(at[0] | at[1] << 8);
  text = Utf16ToUtf8(units);
  return true;
}

const std::string kFile = PeFileWithStrings({{"CompanyName", "Maker \xC3\xA4 Co"},
                                              {"FileVersion", " 1.0 = one "},
                                              {"Comments", ""}});

TEST(PortableVersionBlock, AnswersTextBinaryAndRootQueries) {
  std::vector<uint8_t> block = BlockOf(kFile);
  ASSERT_FALSE(block.empty());
  std::string text;
  ASSERT_TRUE(QueryText(block, "\\StringFileInfo\\040904E4\\CompanyName", text));
  EXPECT_EQ(text, "Maker \xC3\xA4 Co");
  ASSERT_TRUE(QueryText(block, "\\\\StringFileInfo\\\\040904e4\\\\\\fileversion", text));
  EXPECT_EQ(text, " 1.0 = one ");
  ASSERT_TRUE(QueryText(block, "StringFileInfo\\040904E4\\Comments\\", text));
  EXPECT_EQ(text, "");
  EXPECT_FALSE(QueryText(block, "\\StringFileInfo\\040904E4\\ProductName", text));
  EXPECT_FALSE(QueryText(block, "\\StringFileInfo\\040704B0\\CompanyName", text));
  EXPECT_FALSE(QueryText(block, "\\StringFileInfo\\040904E4\\CompanyNam", text));

  const void* value = nullptr;
  uint32_t length = 0;
  ASSERT_TRUE(QueryVersionBlock(block.data(), "\\\\VarFileInfo\\\\Translation", &value, &length));
  EXPECT_EQ(length, 4u);
  EXPECT_EQ(std::memcmp(value, "\x09\x04\xE4\x04", 4), 0);
  ASSERT_TRUE(QueryVersionBlock(block.data(), "\\", &value, &length));
  EXPECT_EQ(length, 52u);
  uint32_t signature = 0;
  std::memcpy(&signature, value, 4);
  EXPECT_EQ(signature, 0xFEEF04BDu);
}

TEST(PortableVersionBlock, ReadsBothImageKinds) {
  TVersionResourceSpec layout;
  layout.Tables = {{"040904B0", {{"ProductName", "Wide"}}}};
  layout.Translations = {0x04B00409};
  TPeSpec pe;
  pe.Pe32Plus = true;
  std::vector<uint8_t> block = BlockOf(BuildPeFile(BuildVersionResource(layout), pe));
  std::string text;
  ASSERT_TRUE(QueryText(block, "\\StringFileInfo\\040904B0\\ProductName", text));
  EXPECT_EQ(text, "Wide");
}

// 16-bit libraries carry the older layout, with 8-bit keys and texts; as the
// platform's wide query, the reader finds its translation but gives no text.
TEST(PortableVersionBlock, ReadsTheSixteenBitLayoutOfAnOldImage) {
  const std::string strings = NarrowVersionNode(
      "040904E4", "", {NarrowVersionNode("CompanyName", std::string("Old Maker\0", 10), {}),
                       NarrowVersionNode("Comments", std::string("\0", 1), {})});
  const std::string resource = NarrowVersionNode(
      "VS_VERSION_INFO", std::string(52, '\x01'),
      {NarrowVersionNode("StringFileInfo", "", {strings}),
       NarrowVersionNode("VarFileInfo", "",
                         {NarrowVersionNode("Translation", "\x09\x04\xE4\x04", {})})});
  for (uint16_t shift : {0, 4}) {
    std::vector<uint8_t> block = BlockOf(BuildNeFile(resource, shift));
    ASSERT_FALSE(block.empty()) << shift;
    std::string text;
    EXPECT_FALSE(QueryText(block, "\\StringFileInfo\\040904e4\\COMPANYNAME", text));
    const void* value = nullptr;
    uint32_t length = 0;
    ASSERT_TRUE(QueryVersionBlock(block.data(), "\\VarFileInfo\\Translation", &value, &length));
    EXPECT_EQ(length, 4u);
    EXPECT_EQ(std::memcmp(value, "\x09\x04\xE4\x04", 4), 0);
  }
  std::string cut = BuildNeFile(resource);
  cut.resize(cut.size() - 8);  // the resource runs past the end of the file
  EXPECT_TRUE(BlockOf(cut).empty());
}

TEST(PortableVersionBlock, FilesWithoutAVersionResource) {
  EXPECT_TRUE(BlockOf("").empty());
  EXPECT_TRUE(BlockOf("MZ").empty());
  EXPECT_TRUE(BlockOf(BuildPeFile("")).empty());
  const std::string resource = BuildVersionResource({{{"040904E4", {{"A", "b"}}}}, {0x04E40409}});
  TPeSpec otherId;
  otherId.ResourceId = 2;  // only the resource with id 1 is the version resource
  EXPECT_TRUE(BlockOf(BuildPeFile(resource, otherId)).empty());
  std::string unknownType = resource;
  unknownType[4] = 2;  // neither binary nor text
  EXPECT_TRUE(BlockOf(BuildPeFile(unknownType)).empty());
}

TEST(PortableVersionBlock, RefusesABufferSmallerThanReported) {
  const uint32_t size = PortableFileVersionInfoSize(Bytes(kFile), kFile.size());
  std::vector<uint8_t> block(size);
  EXPECT_FALSE(PortableFileVersionInfo(Bytes(kFile), kFile.size(), size - 1, block.data()));
  EXPECT_TRUE(PortableFileVersionInfo(Bytes(kFile), kFile.size(), size, block.data()));
}

TEST(PortableVersionBlock, NodesThatLieAboutTheirLength) {
  // A child of length 0 would make a naive walk loop for ever.
  std::string resource = BuildVersionResource({{{"040904E4", {{"A", "b"}}}}, {0x04E40409}});
  std::string zeroChild = resource;
  const size_t stringFileInfo = 92;  // after the root header, key and fixed info
  ASSERT_EQ(zeroChild[stringFileInfo + 6], 'S');
  zeroChild[stringFileInfo] = zeroChild[stringFileInfo + 1] = 0;
  std::vector<uint8_t> block = BlockOf(BuildPeFile(zeroChild));
  ASSERT_FALSE(block.empty());
  std::string text;
  EXPECT_FALSE(QueryText(block, "\\StringFileInfo\\040904E4\\A", text));

  // A child longer than its parent.
  std::string longChild = resource;
  longChild[stringFileInfo + 1] = 0x7F;
  block = BlockOf(BuildPeFile(longChild));
  EXPECT_FALSE(QueryText(block, "\\StringFileInfo\\040904E4\\A", text));

  // A root longer than the resource: no version information at all.
  std::string longRoot = resource;
  longRoot[1] = static_cast<char>((resource.size() + 2) >> 8);
  longRoot[0] = static_cast<char>((resource.size() + 2) & 0xFF);
  EXPECT_TRUE(BlockOf(BuildPeFile(longRoot)).empty());

  // A text value without its terminating zero ends with its node.
  const std::string unterminated = VersionNode("VS_VERSION_INFO", 0, "", 0,
      {VersionNode("K", 1, std::string("x\0y\0", 4), 2, {})});
  std::vector<uint8_t> raw(VersionBlockSize(Bytes(unterminated), unterminated.size()));
  ASSERT_TRUE(BuildVersionBlock(Bytes(unterminated), unterminated.size(),
                                static_cast<uint32_t>(raw.size()), raw.data()));
  ASSERT_TRUE(QueryText(raw, "K", text));
  EXPECT_EQ(text, "xy");
}

// Every truncation and every single damaged byte of a file must give either
// an answer or none, never a read outside the file (the sanitizer build
// checks that).
TEST(PortableVersionBlock, SurvivesTruncationAndDamage) {
  for (size_t length = 0; length <= kFile.size(); ++length) {
    const std::string cut = kFile.substr(0, length);
    std::vector<uint8_t> block = BlockOf(cut);
    std::string text;
    if (!block.empty()) QueryText(block, "\\StringFileInfo\\040904E4\\CompanyName", text);
  }
  for (size_t at = 0; at < kFile.size(); ++at) {
    for (char damage : {'\x00', '\xFF', '\x7F'}) {
      std::string damaged = kFile;
      damaged[at] = damage;
      std::vector<uint8_t> block = BlockOf(damaged);
      std::string text;
      if (!block.empty()) {
        QueryText(block, "\\StringFileInfo\\040904E4\\FileVersion", text);
        QueryText(block, "\\VarFileInfo\\Translation", text);
      }
    }
  }
  size_t offset = 0, length = 0;
  EXPECT_TRUE(FindVersionResource(Bytes(kFile), kFile.size(), offset, length));
  EXPECT_LE(offset + length, kFile.size());
}

}  // namespace
}  // namespace kvt
