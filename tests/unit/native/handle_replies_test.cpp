#include "native/handle_replies.h"
#include "os/os.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace kvt {
namespace {

using TBytes = std::vector<uint8_t>;

void Put16(TBytes& bytes, uint16_t value) {
  bytes.push_back(static_cast<uint8_t>(value));
  bytes.push_back(static_cast<uint8_t>(value >> 8));
}

void Put32(TBytes& bytes, uint32_t value) {
  Put16(bytes, static_cast<uint16_t>(value));
  Put16(bytes, static_cast<uint16_t>(value >> 16));
}

void Put64(TBytes& bytes, uint64_t value) {
  Put32(bytes, static_cast<uint32_t>(value));
  Put32(bytes, static_cast<uint32_t>(value >> 32));
}

void PutText(TBytes& bytes, const std::u16string& text) {
  for (char16_t c : text) Put16(bytes, c);
}

// The counted string of the program's width: 8 bytes for the 32-bit one, 16
// (the pointer aligned) for the 64-bit one.
TBytes ObjectNameReply(uint16_t length, const std::u16string& text, uint32_t pointerSize = 4) {
  TBytes bytes;
  Put16(bytes, length);
  Put16(bytes, static_cast<uint16_t>(length + 2));
  if (pointerSize == 8) {
    Put32(bytes, 0xCCCCCCCC);  // padding
    Put64(bytes, 0x000001F000140008);
  } else {
    Put32(bytes, 0x00140008);
  }
  PutText(bytes, text);
  return bytes;
}

TBytes FileNameReply(uint32_t length, const std::u16string& text) {
  TBytes bytes;
  Put32(bytes, length);
  PutText(bytes, text);
  return bytes;
}

// An entry of the old table as each program receives it: 16 bytes for the
// 32-bit one, 24 for the 64-bit one, whose object address is 8 bytes wide.
void PutOldEntry(TBytes& bytes, uint32_t pointerSize, uint16_t pid, uint64_t object) {
  Put16(bytes, pid);
  Put16(bytes, 0xAAAA);  // not interpreted
  bytes.push_back(28);
  bytes.push_back(0x03);
  Put16(bytes, 0x07FC);
  if (pointerSize == 8) {
    Put64(bytes, object);
    Put32(bytes, 0x001F01FF);
    Put32(bytes, 0xCCCCCCCC);  // padding
  } else {
    Put32(bytes, static_cast<uint32_t>(object));
    Put32(bytes, 0x001F01FF);
  }
}

TEST(HandleTableReplyTest, ReadsLittleEndianEntriesOfBothWidthsInOrder) {
  for (const uint32_t pointerSize : {4u, 8u}) {
    SCOPED_TRACE(pointerSize);
    const uint64_t object = pointerSize == 8 ? 0xFFFFA0012345A560 : 0x81234560;
    TBytes bytes;
    Put32(bytes, 2);
    if (pointerSize == 8) Put32(bytes, 0xCCCCCCCC);  // the entries are 8-aligned
    for (uint16_t pid : {0x1234, 0xFFFF}) PutOldEntry(bytes, pointerSize, pid, object);
    const THandleTableReply reply(HandleTableLayout(16, pointerSize), bytes.data(),
                                  bytes.size());
    ASSERT_EQ(reply.Count(), 2u);
    const THandleTableEntry first = reply.Entry(0);
    EXPECT_EQ(first.ProcessId, 0x1234u);
    EXPECT_EQ(first.ObjectType, 28);
    EXPECT_EQ(first.Flags, 3u);
    EXPECT_EQ(first.Handle, 0x07FCu);
    EXPECT_EQ(first.Object, object);
    EXPECT_EQ(first.GrantedAccess, 0x001F01FFu);
    EXPECT_EQ(reply.Entry(1).ProcessId, 0xFFFFu);
  }
}

// The extended table: a pointer-sized count and a reserved word, then every
// field at full width (28 bytes an entry for the 32-bit program, 40 for the
// 64-bit one).
TEST(HandleTableReplyTest, ReadsExtendedEntriesAtFullWidth) {
  for (const uint32_t pointerSize : {4u, 8u}) {
    SCOPED_TRACE(pointerSize);
    const auto put = [pointerSize](TBytes& bytes, uint64_t value) {
      if (pointerSize == 8)
        Put64(bytes, value);
      else
        Put32(bytes, static_cast<uint32_t>(value));
    };
    const uint64_t object = pointerSize == 8 ? 0xFFFFA0012345A560 : 0x81234560;
    TBytes bytes;
    put(bytes, 1);
    put(bytes, 0xCCCCCCCC);  // reserved
    put(bytes, object);
    put(bytes, 70000);    // a process id above 16 bits
    put(bytes, 0x12344);  // and a handle value
    Put32(bytes, 0x00120089);
    Put16(bytes, 0xAAAA);  // back-trace index, not interpreted
    Put16(bytes, 37);
    Put32(bytes, 0x2);
    Put32(bytes, 0xCCCCCCCC);  // reserved
    const THandleTableReply reply(HandleTableLayout(64, pointerSize), bytes.data(),
                                  bytes.size());
    ASSERT_EQ(reply.Count(), 1u);
    const THandleTableEntry entry = reply.Entry(0);
    EXPECT_EQ(entry.ProcessId, 70000u);
    EXPECT_EQ(entry.Handle, 0x12344u);
    EXPECT_EQ(entry.ObjectType, 37);
    EXPECT_EQ(entry.Flags, 2u);
    EXPECT_EQ(entry.Object, object);
    EXPECT_EQ(entry.GrantedAccess, 0x00120089u);
  }
}

TEST(HandleTableReplyTest, CountIsCutToWholeEntriesInsideTheBuffer) {
  for (const auto& [infoClass, pointerSize] :
       {std::make_pair(16u, 4u), std::make_pair(16u, 8u), std::make_pair(64u, 4u),
        std::make_pair(64u, 8u)}) {
    const THandleTableLayout& layout = HandleTableLayout(infoClass, pointerSize);
    TBytes bytes;
    Put32(bytes, 1000000);  // states far more than the reply holds
    bytes.resize(layout.HeaderSize + 2 * layout.EntrySize + layout.EntrySize - 1, 0x11);
    const THandleTableReply reply(layout, bytes.data(), bytes.size());
    EXPECT_EQ(reply.Count(), 2u) << infoClass << "/" << pointerSize;
    EXPECT_EQ(reply.Entry(5).ProcessId, 0u);  // past the count: an empty entry, nothing read
    for (size_t size : {size_t{0}, size_t{3}, size_t{layout.HeaderSize},
                        size_t{layout.HeaderSize} + layout.EntrySize - 1})
      EXPECT_EQ(THandleTableReply(layout, bytes.data(), size).Count(), 0u) << size;
  }
}

TEST(ObjectNameReplyTest, NameRunsToTheZeroAndNoFurtherThanTheLength) {
  for (const uint32_t pointerSize : {4u, 8u}) {
    TBytes reply = ObjectNameReply(22, u"\\Device\\Tcp", pointerSize);
    Put16(reply, 0);
    EXPECT_EQ(ObjectNameFromReply(reply.data(), reply.size(), pointerSize), u"\\Device\\Tcp");
  }
  // A length shorter than the text cuts it; a length past the zero stops there.
  TBytes shorter = ObjectNameReply(4, u"\\Device\\Tcp");
  EXPECT_EQ(ObjectNameFromReply(shorter.data(), shorter.size(), 4), u"\\D");
  TBytes longer = ObjectNameReply(40, std::u16string(u"ab\0cd", 5));
  EXPECT_EQ(ObjectNameFromReply(longer.data(), longer.size(), 4), u"ab");
}

// A type's name follows the fixed part of its record: 96 bytes for the
// 32-bit program, 104 for the 64-bit one.
TEST(ObjectNameReplyTest, TypeNameFollowsTheFixedRecord) {
  for (const uint32_t pointerSize : {4u, 8u}) {
    TBytes reply = ObjectNameReply(8, u"", pointerSize);
    reply.resize(pointerSize == 8 ? 104 : 96, 0xEE);
    PutText(reply, u"File");
    Put16(reply, 0);
    EXPECT_EQ(TypeNameFromReply(reply.data(), reply.size(), pointerSize), u"File");
    EXPECT_EQ(TypeNameFromReply(reply.data(), reply.size() - 5, pointerSize), u"Fi");
  }
}

// The list of every type: a count, then per type its record and its name's
// buffer, each entry starting on a pointer boundary.
TBytes ObjectTypesReply(uint32_t pointerSize, const std::vector<std::pair<uint8_t, std::u16string>>& types) {
  const size_t record = pointerSize == 8 ? 104 : 96;
  TBytes bytes;
  Put32(bytes, static_cast<uint32_t>(types.size()));
  bytes.resize(pointerSize, 0);
  for (const auto& type : types) {
    const size_t start = bytes.size();
    Put16(bytes, static_cast<uint16_t>(type.second.size() * 2));
    Put16(bytes, static_cast<uint16_t>(type.second.size() * 2 + 2));
    bytes.resize(start + pointerSize + pointerSize, 0xAA);  // the text's address
    bytes.resize(start + record, 0);
    bytes[start + (pointerSize == 8 ? 90 : 82)] = type.first;
    PutText(bytes, type.second);
    Put16(bytes, 0);
    bytes.resize((bytes.size() + pointerSize - 1) / pointerSize * pointerSize, 0);
  }
  return bytes;
}

TEST(ObjectTypesReplyTest, EveryEntryWithItsPositionTypeIndexAndNameAtBothWidths) {
  for (const uint32_t pointerSize : {4u, 8u}) {
    // "Type" leaves the next entry unaligned but for the padding.
    const TBytes reply = ObjectTypesReply(pointerSize, {{2, u"Type"}, {40, u"File"}, {7, u"Key"}});
    const auto types = ObjectTypesFromReply(reply.data(), reply.size(), pointerSize);
    ASSERT_EQ(types.size(), 3u) << pointerSize;
    EXPECT_EQ(types[1].Position, 1u);
    EXPECT_EQ(types[1].TypeIndex, 40);
    EXPECT_EQ(types[1].Name, u"File");
    EXPECT_EQ(types[2].Name, u"Key");
    // An entry cut by the buffer's end is not read; a count that lies gives what is there.
    EXPECT_EQ(ObjectTypesFromReply(reply.data(), reply.size() - 8, pointerSize).size(), 2u);
    TBytes lying = reply;
    lying[0] = 0xFF;
    EXPECT_EQ(ObjectTypesFromReply(lying.data(), lying.size(), pointerSize).size(), 3u);
    EXPECT_TRUE(ObjectTypesFromReply(reply.data(), 3, pointerSize).empty());
  }
}

TEST(ObjectNameReplyTest, UnnamedShortAndLyingRepliesStayInsideTheBuffer) {
  const TBytes unnamed = ObjectNameReply(0, u"garbage");
  EXPECT_EQ(ObjectNameFromReply(unnamed.data(), unnamed.size(), 4), u"");
  for (const uint32_t pointerSize : {4u, 8u}) {
    const TBytes header = ObjectNameReply(22, u"", pointerSize);
    for (size_t size = 0; size <= header.size(); ++size)
      EXPECT_EQ(ObjectNameFromReply(header.data(), size, pointerSize), u"") << size;
  }
  // The length promises 0xFFFE bytes; the buffer ends after two and a half characters.
  TBytes lying = ObjectNameReply(0xFFFE, u"xyz");
  EXPECT_EQ(ObjectNameFromReply(lying.data(), lying.size() - 1, 4), u"xy");
}

TEST(FileNameReplyTest, KeepsTheStatedLengthTrimsAndEncodesUtf8) {
  const TBytes reply = FileNameReply(16, u" \\a\xE4\x20AC\xD83D\xDE00 ");
  // 8 characters stated: blank, backslash, a, a-umlaut, euro, a surrogate pair, blank.
  EXPECT_EQ(FileNameFromReply(reply.data(), reply.size()),
            "\\a\xC3\xA4\xE2\x82\xAC\xF0\x9F\x98\x80");
  const TBytes cut = FileNameReply(4, u"\\dir\\file");
  EXPECT_EQ(FileNameFromReply(cut.data(), cut.size()), "\\d");
  const TBytes zero = FileNameReply(100, std::u16string(u"ab\0cd", 5));
  EXPECT_EQ(FileNameFromReply(zero.data(), zero.size()), "ab");
}

TEST(FileNameReplyTest, LoneSurrogatesAndShortRepliesAreSafe) {
  const TBytes lone = FileNameReply(6, u"\xD800x\xDC00");
  EXPECT_EQ(FileNameFromReply(lone.data(), lone.size()), "\xEF\xBF\xBDx\xEF\xBF\xBD");
  const TBytes half = FileNameReply(0xFFFFFFFF, u"abc");
  EXPECT_EQ(FileNameFromReply(half.data(), half.size() - 1), "ab");
  for (size_t size = 0; size < 4; ++size) EXPECT_EQ(FileNameFromReply(half.data(), size), "");
}

TEST(FileNameReplyTest, ReadsNamesWholeUpToTheLongestPath) {
  const TBytes reply = FileNameReply(2000, std::u16string(1000, u'x'));
  EXPECT_EQ(FileNameFromReply(reply.data(), reply.size()), std::string(1000, 'x'));
  const TBytes beyond = FileNameReply(0xFFFFFFFF, std::u16string(kMaxNameUnits + 10, u'x'));
  EXPECT_EQ(FileNameFromReply(beyond.data(), beyond.size()), std::string(kMaxNameUnits, 'x'));
}

}  // namespace
}  // namespace kvt
