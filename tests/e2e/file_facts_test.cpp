// Sizes, digests and ready volumes through the platform's own calls.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "inventory/file_digest.h"
#include "inventory/file_size.h"
#include "inventory/inventory_context.h"
#include "inventory/ready_volumes.h"
#include "os/win32/win32_os.h"
#include "support/md5.h"
#include "support/sha256.h"

namespace kvt_e2e {
namespace {

std::string TempPath(const char* name) {
  char directory[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, directory);
  return std::string(directory) + name;
}

TEST(FileFacts, DigestAndSizeOfARealFileReadInPieces) {
  std::string bytes;
  for (int i = 0; i < 3 * (1 << 20) + 5; ++i) bytes += static_cast<char>(i * 131 + (i >> 9));
  const std::string path = TempPath("kvt_digest_test.bin");
  std::ofstream(path, std::ios::binary) << bytes;
  kvt::TMD5 md5;
  md5.Update(bytes.data(), bytes.size());
  kvt::TSHA256 sha256;
  sha256.Update(bytes.data(), bytes.size());

  kvt::Win32Os os;
  kvt::TInventoryContext context(os);
  const kvt::TFileDigests digests = kvt::DigestsOfFile(context, path);
  EXPECT_EQ(digests.MD5, kvt::DigestToHex(md5.Final()));
  EXPECT_EQ(digests.SHA256, kvt::DigestToHex(sha256.Final()));
  EXPECT_EQ(kvt::QueryFileSize(os, path), static_cast<int64_t>(bytes.size()));
  // Others may hold the file open for writing meanwhile.
  HANDLE writer = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(writer, INVALID_HANDLE_VALUE);
  EXPECT_EQ(kvt::DigestsOfFile(context, path).MD5, digests.MD5);
  CloseHandle(writer);
  DeleteFileA(path.c_str());
  EXPECT_EQ(kvt::DigestsOfFile(context, path).MD5, "d41d8cd98f00b204e9800998ecf8427e");
  EXPECT_EQ(kvt::QueryFileSize(os, path), 0);
}

TEST(FileFacts, TheTweakInTheRegistryNamesTheFirstDriveProbed) {
  kvt::Win32Os os;
  const std::string ready = kvt::ProbeReadyVolumes(os);
  EXPECT_NE(ready.find('C'), std::string::npos) << ready;

  const char* key = "SOFTWARE\\Halvorsk\\Tweaks\\kvt_e2e_tests.exe";
  HKEY opened = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                            &opened, nullptr),
            ERROR_SUCCESS);
  const DWORD pastZ = 26;
  RegSetValueExA(opened, "FloppyVolumeInformation", 0, REG_DWORD,
                 reinterpret_cast<const BYTE*>(&pastZ), sizeof pastZ);
  EXPECT_EQ(kvt::ProbeReadyVolumes(os), "");
  RegCloseKey(opened);
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, key);
  EXPECT_EQ(kvt::ProbeReadyVolumes(os), ready);
}

}  // namespace
}  // namespace kvt_e2e
