#include "inventory/file_digest.h"

#include <gtest/gtest.h>

#include "inventory/inventory_context.h"
#include "os/fake/fake_os.h"
#include "support/md5.h"
#include "support/sha256.h"

namespace kvt {
namespace {

const std::string kEmptyMD5 = "d41d8cd98f00b204e9800998ecf8427e";
const std::string kEmptySHA256 = "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855";
const std::string kAbcMD5 = "900150983cd24fb0d6963f7d28e17f72";
const std::string kAbcSHA256 = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";

template <typename THash>
std::string HexOf(const std::string& text) {
  THash hash;
  hash.Update(text.data(), text.size());
  return DigestToHex(hash.Final());
}

class DigestTest : public ::testing::Test {
 protected:
  FakeOs os;
};

TEST_F(DigestTest, BothDigestsOfTheWholeFileFromOneRead) {
  std::string bytes;
  for (int i = 0; i < 3 * (1 << 20) + 17; ++i) bytes += static_cast<char>(i * 31 + (i >> 12));
  os.File("C:\\large.bin").Bytes = bytes;
  TInventoryContext context(os);
  const TFileDigests digests = DigestsOfFile(context, "C:\\large.bin");
  EXPECT_EQ(digests.MD5, HexOf<TMD5>(bytes));
  EXPECT_EQ(digests.SHA256, HexOf<TSHA256>(bytes));
  EXPECT_EQ(os.BytesRead, bytes.size());
  EXPECT_EQ(os.CallCount("CreateFileW"), 1u);
  EXPECT_EQ(os.OpenHandleCount(), 0u);
}

TEST_F(DigestTest, OpenedReadOnlyForASequentialScanSharingAll) {
  os.File("C:\\a.exe").Bytes = "abc";
  TInventoryContext nt(os);
  EXPECT_EQ(DigestsOfFile(nt, "C:\\a.exe").MD5, kAbcMD5);
  const TCreateFileCall call = os.CreateFileCalls.back();
  EXPECT_EQ(call.DesiredAccess, kGenericRead);
  EXPECT_EQ(call.CreationDisposition, kOpenExisting);
  EXPECT_EQ(call.FlagsAndAttributes, kFileAttributeNormal | kFileFlagSequentialScan);
  EXPECT_EQ(call.ShareMode, kFileShareRead | kFileShareWrite | kFileShareDelete);

  os.Version.dwPlatformId = 1;  // the older family knows no delete sharing
  os.Version.dwMajorVersion = 4;
  TInventoryContext older(os);
  DigestsOfFile(older, "C:\\a.exe");
  EXPECT_EQ(os.CreateFileCalls.back().ShareMode, kFileShareRead | kFileShareWrite);
}

TEST_F(DigestTest, UnopenableIsEmptyInputAndAFailedReadIsNoDigest) {
  os.File("C:\\locked.exe").Bytes = "abc";
  os.File("C:\\locked.exe").OpenFails = true;
  os.File("C:\\bad.exe").Bytes = std::string(5000, 'x');
  os.File("C:\\bad.exe").ReadFailsAt = 4096;
  TInventoryContext context(os);
  for (const char* path : {"C:\\locked.exe", "C:\\missing.exe"}) {
    const TFileDigests digests = DigestsOfFile(context, path);
    EXPECT_EQ(digests.MD5, kEmptyMD5) << path;
    EXPECT_EQ(digests.SHA256, kEmptySHA256) << path;
  }
  const TFileDigests bad = DigestsOfFile(context, "C:\\bad.exe");
  EXPECT_EQ(bad.MD5, kDigestFailure);
  EXPECT_EQ(bad.SHA256, kDigestFailure);
  EXPECT_EQ(os.OpenHandleCount(), 0u);
}

TEST_F(DigestTest, AFileThatShrankIsHashedAsFarAsItGoes) {
  os.File("C:\\log.txt").Bytes = "abc";
  os.File("C:\\log.txt").ReportedSize = 10;
  TInventoryContext context(os);
  EXPECT_EQ(DigestsOfFile(context, "C:\\log.txt").SHA256, kAbcSHA256);
}

TEST_F(DigestTest, TheCacheReadsEachFileOnceWhateverTheCaseAndRemembersAFailure) {
  os.File("C:\\Tools\\a=b.exe").Bytes = "abc";
  os.File("C:\\bad.exe").Bytes = "abc";
  os.File("C:\\bad.exe").ReadFailsAt = 0;
  TInventoryContext context(os);
  EXPECT_EQ(CachedDigestsOfFile(context, "C:\\Tools\\a=b.exe").MD5, kAbcMD5);
  os.File("C:\\Tools\\a=b.exe").Bytes = "changed meanwhile";
  EXPECT_EQ(CachedDigestsOfFile(context, "c:\\TOOLS\\A=B.EXE").SHA256, kAbcSHA256);
  EXPECT_EQ(CachedDigestsOfFile(context, "C:\\bad.exe").MD5, kDigestFailure);
  os.File("C:\\bad.exe").ReadFailsAt = -1;
  EXPECT_EQ(CachedDigestsOfFile(context, "C:\\BAD.exe").MD5, kDigestFailure);
  EXPECT_EQ(os.CallCount("CreateFileW"), 2u);
  EXPECT_EQ(context.FileDigestCache.Count(), 2);
}

}  // namespace
}  // namespace kvt
