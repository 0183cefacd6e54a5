#include "support/registry.h"

#include <gtest/gtest.h>

#include "os/fake/fake_os.h"

namespace kvt {
namespace {

TEST(RegistryTest, StringsThroughEitherViewWithTheKeyWrittenFromTheRoot) {
  FakeOs os;
  os.SetRegistryString(true, "SOFTWARE\\Vendor", "Dir", "C:\\Sixty-four");
  os.SetRegistryString(false, "SOFTWARE\\Vendor", "Dir", "C:\\Thirty-two");
  std::string value;
  EXPECT_TRUE(ReadRegistryString(os, "\\Software\\Vendor\\", "dir", kKeyWow64_64Key, value));
  EXPECT_EQ(value, "C:\\Sixty-four");
  EXPECT_TRUE(ReadRegistryString(os, "Software\\Vendor", "Dir", kKeyWow64_32Key, value));
  EXPECT_EQ(value, "C:\\Thirty-two");
  EXPECT_TRUE(RegistryKeyExists(os, "\\SOFTWARE\\", kKeyWow64_32Key));
  EXPECT_FALSE(RegistryKeyExists(os, "\\SOFTWARE\\Other\\", kKeyWow64_32Key));
  EXPECT_EQ(os.OpenKeyCount(), 0u);
}

TEST(RegistryTest, OnlyReadableStringsAreTaken) {
  FakeOs os;
  // Text as the platform stores it: UTF-16, here once without its terminator.
  os.SetRegistryValue(false, "K", "NoZero", kRegSz, std::string("C\0:\0\\\0x\0", 8));
  os.SetRegistryValue(false, "K", "Number", 4, std::string("\x07\0\0\0", 4));
  os.SetRegistryValue(false, "K", "Huge", kRegSz, std::string(70000, 'x'));
  os.SetRegistryValue(false, "K", "Early", kRegSz, std::string("a\0\0\0b\0", 6));
  os.SetRegistryString(false, "K", "Cyrillic", "C:\\\xD0\x9F");
  std::string value = "kept";
  EXPECT_FALSE(ReadRegistryString(os, "K", "Number", kKeyWow64_32Key, value));
  EXPECT_FALSE(ReadRegistryString(os, "K", "Huge", kKeyWow64_32Key, value));
  EXPECT_FALSE(ReadRegistryString(os, "K", "Missing", kKeyWow64_32Key, value));
  EXPECT_EQ(value, "kept");
  EXPECT_TRUE(ReadRegistryString(os, "K", "NoZero", kKeyWow64_32Key, value));
  EXPECT_EQ(value, "C:\\x");
  EXPECT_TRUE(ReadRegistryString(os, "K", "Early", kKeyWow64_32Key, value));
  EXPECT_EQ(value, "a");
  EXPECT_TRUE(ReadRegistryString(os, "K", "Cyrillic", kKeyWow64_32Key, value));
  EXPECT_EQ(value, "C:\\\xD0\x9F");
  uint32_t type = 0;
  std::string data;
  EXPECT_TRUE(TRegistryKey(os, kHkeyLocalMachine, "K", kKeyWow64_32Key).ReadValue("Number", type,
                                                                                   data));
  EXPECT_EQ(type, 4u);
  EXPECT_EQ(data, std::string("\x07\0\0\0", 4));
  EXPECT_EQ(os.OpenKeyCount(), 0u);
}

}  // namespace
}  // namespace kvt
