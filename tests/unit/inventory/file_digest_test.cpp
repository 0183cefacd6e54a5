#include "inventory/file_digest.h"

#include <gtest/gtest.h>

#include "inventory/inventory_context.h"
#include "os/fake/fake_os.h"
#include "support/md5.h"

namespace kvt {
namespace {

const std::string kEmptyDigest = "d41d8cd98f00b204e9800998ecf8427e";

std::string Md5Hex(const std::string& text) {
  TMD5 md5;
  md5.Update(text.data(), text.size());
  return DigestToHex(md5.Final());
}

class DigestTest : public ::testing::Test {
 protected:
  FakeOs os;
};

TEST_F(DigestTest, TheWholeFileThroughManyReads) {
  std::string bytes;
  for (int i = 0; i < 3 * (1 << 20) + 17; ++i) bytes += static_cast<char>(i * 31 + (i >> 12));
  os.File("C:\\large.bin").Bytes = bytes;
  TInventoryContext context(os);
  EXPECT_EQ(MD5OfFile(context, "C:\\large.bin"), Md5Hex(bytes));
  EXPECT_GE(os.CallCount("ReadFile"), 4u);
  EXPECT_EQ(os.OpenHandleCount(), 0u);
}

TEST_F(DigestTest, OpenedReadOnlyForASequentialScanSharingAll) {
  os.File("C:\\a.exe").Bytes = "abc";
  TInventoryContext nt(os);
  EXPECT_EQ(MD5OfFile(nt, "C:\\a.exe"), "900150983cd24fb0d6963f7d28e17f72");
  const TCreateFileCall call = os.CreateFileCalls.back();
  EXPECT_EQ(call.DesiredAccess, kGenericRead);
  EXPECT_EQ(call.CreationDisposition, kOpenExisting);
  EXPECT_EQ(call.FlagsAndAttributes, kFileAttributeNormal | kFileFlagSequentialScan);
  EXPECT_EQ(call.ShareMode, kFileShareRead | kFileShareWrite | kFileShareDelete);

  os.Version.dwPlatformId = 1;  // the older family knows no delete sharing
  os.Version.dwMajorVersion = 4;
  TInventoryContext older(os);
  MD5OfFile(older, "C:\\a.exe");
  EXPECT_EQ(os.CreateFileCalls.back().ShareMode, kFileShareRead | kFileShareWrite);
}

TEST_F(DigestTest, UnopenableIsEmptyInputAndAReadErrorIsAnError) {
  os.File("C:\\locked.exe").Bytes = "abc";
  os.File("C:\\locked.exe").OpenFails = true;
  os.File("C:\\bad.exe").Bytes = std::string(5000, 'x');
  os.File("C:\\bad.exe").ReadFailsAt = 4096;
  TInventoryContext context(os);
  EXPECT_EQ(MD5OfFile(context, "C:\\locked.exe"), kEmptyDigest);
  EXPECT_EQ(MD5OfFile(context, "C:\\missing.exe"), kEmptyDigest);
  EXPECT_THROW(MD5OfFile(context, "C:\\bad.exe"), EReadError);
  EXPECT_EQ(os.OpenHandleCount(), 0u);
}

TEST_F(DigestTest, AFileThatShrankIsHashedAsFarAsItGoes) {
  os.File("C:\\log.txt").Bytes = "abc";
  os.File("C:\\log.txt").ReportedSize = 10;
  TInventoryContext context(os);
  EXPECT_EQ(MD5OfFile(context, "C:\\log.txt"), "900150983cd24fb0d6963f7d28e17f72");
}

TEST_F(DigestTest, TheCacheHashesEachFileOnceWhateverTheCase) {
  os.File("C:\\Tools\\a=b.exe").Bytes = "abc";
  TInventoryContext context(os);
  const std::string first = CachedMD5OfFile(context, "C:\\Tools\\a=b.exe");
  os.File("C:\\Tools\\a=b.exe").Bytes = "changed meanwhile";
  EXPECT_EQ(CachedMD5OfFile(context, "c:\\TOOLS\\A=B.EXE"), first);
  EXPECT_EQ(os.CallCount("CreateFileW"), 1u);
  EXPECT_EQ(context.FileDigestCache.Count(), 1);

  // Only a digest of 32 digits is taken from the cache.
  context.FileDigestCache.Add("C:\\other.exe", "short");
  os.File("C:\\other.exe").Bytes = "";
  EXPECT_EQ(CachedMD5OfFile(context, "C:\\other.exe"), kEmptyDigest);
  EXPECT_EQ(*context.FileDigestCache.Find("C:\\OTHER.EXE"), kEmptyDigest);
}

}  // namespace
}  // namespace kvt
