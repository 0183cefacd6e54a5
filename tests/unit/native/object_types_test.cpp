#include "native/object_types.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace kvt
