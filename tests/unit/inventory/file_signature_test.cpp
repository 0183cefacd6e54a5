#include "inventory/file_signature.h"

#include <gtest/gtest.h>

#include "inventory/inventory_context.h"
#include "os/fake/fake_os.h"

namespace kvt {
namespace {

constexpr int32_t kBadDigest = static_cast<int32_t>(0x80096010u);
constexpr int32_t kUntrustedRoot = static_cast<int32_t>(0x800B0109u);
const std::string kCatalog = "C:\\WINDOWS\\system32\\CatRoot\\{F750E6C3}\\nt5.cat";

class FileSignatureTest : public ::testing::Test {
 protected:
  FileSignatureTest() {
    os.File("C:\\app.exe").Bytes = "signed program";
    os.File("C:\\other.exe").Bytes = "another program";
  }
  // Verifies Path; no state, certificate, catalog context or file is left open.
  TFileSignature Verify(const std::string& path) {
    TInventoryContext context(os);
    const TFileSignature signature = VerifyFileSignature(context, path);
    EXPECT_EQ(os.OpenTrustObjectCount(), 0u) << path;
    EXPECT_EQ(os.OpenHandleCount(), 0u) << path;
    return signature;
  }
  FakeOs os;
};

TEST_F(FileSignatureTest, EachAnswerOfTheEmbeddedSignature) {
  const struct {
    int32_t Embedded;
    const char* CommonName;
    const char* Organisation;
    const char* Status;
    const char* Signer;
  } cases[] = {
      {0, "Example Signer", "Example Ltd", "Signed", "Example Signer"},
      {0, "", "Example Ltd", "Signed", "Example Ltd"},  // no common name: the display name
      {0, "", "", "Signed", ""},
      {kBadDigest, "Example Signer", "", "Invalid (altered)", "Example Signer"},
      {kUntrustedRoot, "Self Made", "", "Invalid (untrusted root)", "Self Made"},
      {static_cast<int32_t>(0x800B0101u), "Old", "", "Invalid (expired)", "Old"},
      {static_cast<int32_t>(0x800B0999u), "", "", "Invalid (0x800B0999)", ""},
      {kTrustENoSignature, "", "", "Unsigned", ""},
      {kTrustESubjectFormUnknown, "", "", "Unsigned", ""},  // a file no signature can be in
  };
  for (const auto& c : cases) {
    TFakeSignature& script = os.Signature("C:\\app.exe");
    script.Embedded = c.Embedded;
    script.CommonName = c.CommonName;
    script.Organisation = c.Organisation;
    const TFileSignature signature = Verify("C:\\app.exe");
    EXPECT_EQ(signature.StatusText(), c.Status) << c.Embedded;
    EXPECT_EQ(signature.Signer, c.Signer) << c.Embedded;
    EXPECT_EQ(signature.Trusted(), c.Embedded == 0) << c.Embedded;
  }
}

TEST_F(FileSignatureTest, NeverARevocationCheckNorANetworkWait) {
  os.Signature("C:\\app.exe").Catalog = kCatalog;
  Verify("C:\\app.exe");
  ASSERT_EQ(os.TrustCalls.size(), 2u);  // the file, then its catalog
  for (const TFakeTrustCall& call : os.TrustCalls) {
    EXPECT_EQ(call.UIChoice, kWtdUiNone);
    EXPECT_EQ(call.RevocationChecks, kWtdRevokeNone);
    EXPECT_EQ(call.ProvFlags, kWtdRevocationCheckNone | kWtdCacheOnlyUrlRetrieval);
  }
}

TEST_F(FileSignatureTest, WithoutAnEmbeddedSignatureTheCatalogsAnswer) {
  TFakeSignature& script = os.Signature("C:\\app.exe");
  script.Catalog = kCatalog;
  script.CommonName = "Example Publisher";
  TFileSignature signature = Verify("C:\\app.exe");
  EXPECT_EQ(signature.StatusText(), "Catalog");
  EXPECT_EQ(signature.Signer, "Example Publisher");
  // The member is named by its SHA-256 hash, checked in the context that made it.
  const TFakeTrustCall& call = os.TrustCalls.back();
  EXPECT_EQ(call.UnionChoice, kWtdChoiceCatalog);
  EXPECT_EQ(call.CatalogFilePath, kCatalog);
  EXPECT_EQ(call.FilePath, "C:\\app.exe");
  EXPECT_EQ(call.HashLength, 32u);
  EXPECT_EQ(call.MemberTag.size(), 64u);
  EXPECT_EQ(call.MemberTag.find_first_not_of("0123456789ABCDEF"), std::string::npos);
  EXPECT_TRUE(call.WithCatAdmin);

  script.CatalogResult = kBadDigest;
  signature = Verify("C:\\app.exe");
  EXPECT_EQ(signature.StatusText(), "Invalid (altered)");
  EXPECT_EQ(signature.Signer, "Example Publisher");

  // A file the catalogs do not list is unsigned.
  EXPECT_EQ(Verify("C:\\other.exe").StatusText(), "Unsigned");
}

TEST_F(FileSignatureTest, WhereTheSystemHasNoSha256CatalogsSha1Serves) {
  TFakeSignature& script = os.Signature("C:\\app.exe");
  script.Catalog = kCatalog;
  script.CatalogSha1Only = true;
  EXPECT_EQ(Verify("C:\\app.exe").StatusText(), "Unsigned");  // not by its SHA-256 hash

  os.CatalogAdmin2Bound = false;
  EXPECT_EQ(Verify("C:\\app.exe").StatusText(), "Catalog");
  const TFakeTrustCall& call = os.TrustCalls.back();
  EXPECT_EQ(call.HashLength, 20u);
  EXPECT_EQ(call.MemberTag.size(), 40u);
  EXPECT_FALSE(call.WithCatAdmin);  // the default context, as the hash was made in
}

TEST_F(FileSignatureTest, AnEmbeddedSignatureIsTheAnswerWhateverTheCatalogsSay) {
  TFakeSignature& script = os.Signature("C:\\app.exe");
  script.Catalog = kCatalog;
  for (const int32_t embedded : {0, kBadDigest}) {
    script.Embedded = embedded;
    os.Calls.clear();
    EXPECT_EQ(Verify("C:\\app.exe").Status,
              embedded == 0 ? TSignatureStatus::Signed : TSignatureStatus::Invalid);
    EXPECT_EQ(os.CallCount("CryptCATAdminAcquireContext2"), 0u);
  }
}

TEST_F(FileSignatureTest, MissingEntryPointsAndUnopenableFiles) {
  TFakeSignature& script = os.Signature("C:\\app.exe");
  script.CommonName = "Example Signer";
  script.Catalog = kCatalog;

  os.CertGetNameStringBound = false;  // signed all the same, by someone unnamed
  EXPECT_EQ(Verify("C:\\app.exe").StatusText(), "Catalog");
  EXPECT_EQ(Verify("C:\\app.exe").Signer, "");

  os.CatalogAdminBound = false;  // a system without catalogs
  EXPECT_EQ(Verify("C:\\app.exe").StatusText(), "Unsigned");

  os.WinVerifyTrustBound = false;
  os.CreateFileCalls.clear();
  EXPECT_EQ(Verify("C:\\app.exe").StatusText(), "n/a");
  EXPECT_TRUE(os.CreateFileCalls.empty());

  os.WinVerifyTrustBound = true;
  os.File("C:\\app.exe").OpenFails = true;
  EXPECT_EQ(Verify("C:\\app.exe").StatusText(), "n/a");
  EXPECT_EQ(Verify("C:\\missing.exe").StatusText(), "n/a");
}

// The 32-bit program on a 64-bit Windows checks the file the path names, not
// its 32-bit stand-in; the trust functions get the handle, and run (and load
// their libraries) with redirection as it was.
TEST_F(FileSignatureTest, UnderWow64TheTrueFileIsCheckedWithRedirectionOnAroundTheCalls) {
  os.Wow64 = true;
  const std::string path = "C:\\WINDOWS\\system32\\tool.exe";
  os.File(path).Bytes = "64-bit tool";
  os.File("C:\\WINDOWS\\SysWOW64\\tool.exe").Bytes = "32-bit tool";
  os.Signature(path).Embedded = 0;
  EXPECT_EQ(Verify(path).StatusText(), "Signed");
  ASSERT_EQ(os.TrustCalls.size(), 1u);
  EXPECT_EQ(os.TrustCalls[0].OpenedFile, "C:\\WINDOWS\\SYSTEM32\\TOOL.EXE");
  EXPECT_FALSE(os.TrustCalls[0].RedirectionOff);
  EXPECT_FALSE(os.RedirectionOff());
}

TEST_F(FileSignatureTest, TheCacheChecksEachFileOnceWhateverTheCase) {
  os.Signature("C:\\app.exe").Embedded = 0;
  TInventoryContext context(os);
  EXPECT_EQ(CachedFileSignature(context, "C:\\app.exe").Status, TSignatureStatus::Signed);
  os.Signature("C:\\app.exe").Embedded = kBadDigest;  // changed meanwhile: not looked at again
  EXPECT_EQ(CachedFileSignature(context, "c:\\APP.EXE").Status, TSignatureStatus::Signed);
  EXPECT_EQ(CachedFileSignature(context, "C:\\other.exe").Status, TSignatureStatus::Unsigned);
  EXPECT_EQ(os.CallCount("CreateFileW"), 2u);
  EXPECT_EQ(context.FileSignatureCache.Count(), 2);
}

}  // namespace
}  // namespace kvt
