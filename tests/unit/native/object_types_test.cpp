#include "native/object_types.h"

#include <gtest/gtest.h>

#include "native/native_api.h"
#include "os/fake/fake_os.h"

namespace kvt {
namespace {

TOsVersionInfo Version(uint32_t major, uint32_t minor) {
  TOsVersionInfo version;
  version.dwMajorVersion = major;
  version.dwMinorVersion = minor;
  return version;
}

TEST(ObjectTypesTest, WindowsXpTable) {
  const TOsVersionInfo xp = Version(5, 1);
  EXPECT_EQ(GetObjectTypeName(xp, 0), "");
  EXPECT_EQ(GetObjectTypeName(xp, 1), "");
  EXPECT_EQ(GetObjectTypeName(xp, 2), "Directory");
  EXPECT_EQ(GetObjectTypeName(xp, 8), "Unknown[$08]");
  EXPECT_EQ(GetObjectTypeName(xp, 9), "Event");
  EXPECT_EQ(GetObjectTypeName(xp, 16), "KeyedEvent");
  EXPECT_EQ(GetObjectTypeName(xp, 25), "Device");
  EXPECT_EQ(GetObjectTypeName(xp, 28), "File");
  EXPECT_EQ(GetObjectTypeName(xp, 29), "WmiGuid");
  EXPECT_EQ(GetObjectTypeName(xp, 30), "Unknown [30]");
  EXPECT_EQ(GetObjectTypeName(xp, 255), "Unknown [255]");
}

TEST(ObjectTypesTest, Windows2000Table) {
  const TOsVersionInfo w2k = Version(5, 0);
  EXPECT_EQ(GetObjectTypeName(w2k, 0), "");
  EXPECT_EQ(GetObjectTypeName(w2k, 1), "Type");
  EXPECT_EQ(GetObjectTypeName(w2k, 8), "Event");
  EXPECT_EQ(GetObjectTypeName(w2k, 18), "Key");
  EXPECT_EQ(GetObjectTypeName(w2k, 23), "DEvice");
  EXPECT_EQ(GetObjectTypeName(w2k, 26), "File");
  EXPECT_EQ(GetObjectTypeName(w2k, 27), "WmiGuid");
  EXPECT_EQ(GetObjectTypeName(w2k, 28), "Unknown [28]");
}

TEST(ObjectTypesTest, OtherVersionsGiveTheNumber) {
  for (const auto& version : {Version(5, 2), Version(6, 0), Version(10, 0), Version(4, 0)}) {
    EXPECT_EQ(GetObjectTypeName(version, 28), "28");
    EXPECT_EQ(GetObjectTypeName(version, 0), "0");
    EXPECT_FALSE(IsFileObjectType(version, 28));
    EXPECT_FALSE(IsFileObjectType(version, 26));
  }
}

TEST(ObjectTypesTest, FileTypeNumberDependsOnTheVersion) {
  EXPECT_TRUE(IsFileObjectType(Version(5, 0), 26));
  EXPECT_FALSE(IsFileObjectType(Version(5, 0), 28));
  EXPECT_TRUE(IsFileObjectType(Version(5, 1), 28));
  EXPECT_FALSE(IsFileObjectType(Version(5, 1), 26));
}

// How each family numbers the list of every type's name: 8.1 on by the
// entry's own field, 7 and 8 from 2, Vista and before from 1.
TEST(ObjectTypesTest, ListedTypesAreNumberedAsEachFamilyNumbersThem) {
  struct TCase {
    uint32_t Major, Minor;
    uint16_t Expected;  // for position 5 stating TypeIndex 40
  };
  const TCase cases[] = {{10, 0, 40}, {6, 3, 40}, {6, 2, 7}, {6, 1, 7},
                         {6, 0, 6},   {5, 2, 6},  {5, 1, 6}};
  for (const TCase& c : cases)
    EXPECT_EQ(ListedObjectTypeNumber(Version(c.Major, c.Minor), 5, 40), c.Expected)
        << c.Major << "." << c.Minor;
}

TEST(ObjectTypesTest, KindTellsWhatTheScanMayAskOfAType) {
  FakeOs os;
  TNativeApi xp(os, Version(5, 1));
  EXPECT_EQ(ObjectTypeKindOf(xp, 28), TObjectTypeKind::File);
  EXPECT_EQ(ObjectTypeKindOf(xp, 5), TObjectTypeKind::Unnamed);  // Process
  EXPECT_EQ(ObjectTypeKindOf(xp, 9), TObjectTypeKind::Named);    // Event
  EXPECT_EQ(ObjectTypeKindOf(xp, 1), TObjectTypeKind::Unknown);  // no text
  EXPECT_EQ(ObjectTypeKindOf(xp, 30), TObjectTypeKind::Unknown);  // past the table
  TNativeApi w10(os, Version(10, 0));
  w10.KernelTypeNames = {{37, "File"}, {8, "Thread"}, {16, "Event"}};
  EXPECT_EQ(ObjectTypeKindOf(w10, 37), TObjectTypeKind::File);
  EXPECT_EQ(ObjectTypeKindOf(w10, 8), TObjectTypeKind::Unnamed);
  EXPECT_EQ(ObjectTypeKindOf(w10, 16), TObjectTypeKind::Named);
  EXPECT_EQ(ObjectTypeKindOf(w10, 28), TObjectTypeKind::Unknown);
}

}  // namespace
}  // namespace kvt
