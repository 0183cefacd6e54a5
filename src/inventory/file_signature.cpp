#include "inventory/file_signature.h"

#include <cstdint>

#include "inventory/column_template.h"
#include "inventory/inventory_context.h"
#include "os/fs_redirection.h"
#include "os/scoped_handle.h"
#include "support/text.h"

namespace kvt {
namespace {

// Room for a certificate name: a common name holds at most 64 characters, a
// display name taken from other attributes may be longer.
constexpr uint32_t kNameBufferSize = 3 * 1024 + 1;
// Room for the hash of a catalog member: SHA-256 needs 32 bytes, SHA-1 20.
constexpr uint32_t kHashRoom = 64;

// What the trust functions say when there is no signature to check, as
// opposed to one that fails.
bool IsNoSignature(int32_t result) {
  return result == kTrustENoSignature || result == kTrustESubjectFormUnknown ||
         result == kTrustEProviderUnknown;
}

// Why a signature did not verify, in a word or two; others by their number.
std::string FailureReason(int32_t result) {
  static const struct {
    uint32_t Result;
    const char* Reason;
  } kReasons[] = {
      {0x80096010u, "altered"},          // TRUST_E_BAD_DIGEST: the file changed after signing
      {0x800B0109u, "untrusted root"},   // CERT_E_UNTRUSTEDROOT
      {0x800B010Du, "test root"},        // CERT_E_UNTRUSTEDTESTROOT
      {0x800B0101u, "expired"},          // CERT_E_EXPIRED, and no time stamp
      {0x800B010Cu, "revoked"},          // CERT_E_REVOKED, as the system already knew
      {0x800B0111u, "distrusted"},       // TRUST_E_EXPLICIT_DISTRUST
      {0x800B010Au, "no chain"},         // CERT_E_CHAINING
      {0x800B0004u, "not trusted"},      // TRUST_E_SUBJECT_NOT_TRUSTED
      {0x80096004u, "bad certificate"},  // TRUST_E_CERT_SIGNATURE
      {0x800B0110u, "wrong usage"},      // CERT_E_WRONG_USAGE
      {0x80092026u, "blocked"},          // CRYPT_E_SECURITY_SETTINGS: the administrator's policy
  };
  const auto code = static_cast<uint32_t>(result);
  for (const auto& known : kReasons)
    if (known.Result == code) return known.Reason;
  return "0x" + HexDigits(code);
}

// Which of the optional groups the system has, asked before the file is
// opened: binding loads the trust libraries, which must come from the system
// folder of this program's own width.
struct TTrustEntries {
  explicit TTrustEntries(Os& os)
      : Verify(os.IsBound(TOptionalEntry::WinVerifyTrust)),
        Names(os.IsBound(TOptionalEntry::CertGetNameStringW)),
        Catalogs(os.IsBound(TOptionalEntry::CatalogAdmin)),
        Sha256Catalogs(Catalogs && os.IsBound(TOptionalEntry::CatalogAdmin2)) {}
  const bool Verify, Names, Catalogs, Sha256Catalogs;
};

// The leaf certificate's common name, or its simple display name where it
// has no common name; empty when the state holds no signer.
std::string SignerName(Os& os, const TTrustEntries& entries, OsHandle state) {
  if (state == 0 || !entries.Names) return std::string();
  const OsHandle provData = os.WTHelperProvDataFromStateData(state);
  TProviderSigner signer;
  if (provData == 0 || !os.WTHelperGetProvSignerFromChain(provData, 0, false, 0, &signer) ||
      signer.csCertChain == 0 || signer.LeafCertificate == 0)
    return std::string();
  static const struct {
    uint32_t Type;
    const char* TypePara;
  } kForms[] = {{kCertNameAttrType, kSzOidCommonName}, {kCertNameSimpleDisplayType, nullptr}};
  char name[kNameBufferSize];
  for (const auto& form : kForms) {
    name[0] = '\0';
    if (os.CertGetNameStringW(signer.LeafCertificate, form.Type, 0, form.TypePara, name,
                              sizeof name) > 1)
      return TextUpToZero(name, sizeof name);
  }
  return std::string();
}

struct TTrustReply {
  int32_t Result = kTrustENoSignature;
  std::string Signer;
};

// One verification through the system's policy, its state released again.
// The policy never waits on the network: no revocation check, and
// certificates are only taken from the local cache.
TTrustReply VerifyTrust(Os& os, const TTrustEntries& entries, TWinTrustData data) {
  data.dwUIChoice = kWtdUiNone;
  data.fdwRevocationChecks = kWtdRevokeNone;
  data.dwProvFlags = kWtdRevocationCheckNone | kWtdCacheOnlyUrlRetrieval;
  data.dwStateAction = kWtdStateActionVerify;
  data.hWVTStateData = 0;
  TTrustReply reply;
  reply.Result = os.WinVerifyTrust(0, &data);
  if (!IsNoSignature(reply.Result)) reply.Signer = SignerName(os, entries, data.hWVTStateData);
  if (data.hWVTStateData != 0) {
    data.dwStateAction = kWtdStateActionClose;
    os.WinVerifyTrust(0, &data);
  }
  return reply;
}

TFileSignature FromReply(const TTrustReply& reply, TSignatureStatus trusted) {
  TFileSignature signature;
  signature.Signer = reply.Signer;
  if (reply.Result == 0) {
    signature.Status = trusted;
  } else if (IsNoSignature(reply.Result)) {
    signature.Status = TSignatureStatus::Unsigned;
    signature.Signer.clear();
  } else {
    signature.Status = TSignatureStatus::Invalid;
    signature.Reason = FailureReason(reply.Result);
  }
  return signature;
}

// Releases a catalog administrator context, and the catalog it found.
class TCatalogLookup {
 public:
  TCatalogLookup(Os& os, const TTrustEntries& entries) : os_(os), entries_(entries) {}
  ~TCatalogLookup() {
    if (catInfo_ != 0) os_.CryptCATAdminReleaseCatalogContext(admin_, catInfo_);
    if (admin_ != 0) os_.CryptCATAdminReleaseContext(admin_);
  }
  TCatalogLookup(const TCatalogLookup&) = delete;
  TCatalogLookup& operator=(const TCatalogLookup&) = delete;

  // The catalog that lists the file's hash, with the hash and the context it
  // was made in; false when no catalog does. SHA-256 where the system knows
  // it for catalogs, SHA-1 elsewhere.
  bool Find(OsHandle file, std::string& catalog) {
    const bool sha256 =
        entries_.Sha256Catalogs && os_.CryptCATAdminAcquireContext2(&admin_, "SHA256");
    if (!sha256 && !os_.CryptCATAdminAcquireContext(&admin_)) return false;
    hashLength_ = kHashRoom;
    const bool hashed =
        sha256 ? os_.CryptCATAdminCalcHashFromFileHandle2(admin_, file, &hashLength_, hash_)
               : os_.CryptCATAdminCalcHashFromFileHandle(file, &hashLength_, hash_);
    if (!hashed || hashLength_ == 0 || hashLength_ > kHashRoom) return false;
    catInfo_ = os_.CryptCATAdminEnumCatalogFromHash(admin_, hash_, hashLength_, nullptr);
    char path[kMaxPathUtf8] = {};
    if (catInfo_ == 0 || !os_.CryptCATCatalogInfoFromContext(catInfo_, path, sizeof path))
      return false;
    catalog = TextUpToZero(path, sizeof path);
    sha256_ = sha256;
    return true;
  }

  // The catalog's verification of its member File.
  TTrustReply Verify(const std::string& catalog, const std::string& path, OsHandle file) {
    // A catalog names its members by their hash in upper-case hexadecimal digits.
    const std::string tag = AsciiUpperCase(BytesToHex(hash_, hashLength_));
    TWinTrustData data;
    data.dwUnionChoice = kWtdChoiceCatalog;
    data.pcwszCatalogFilePath = catalog.c_str();
    data.pcwszMemberTag = tag.c_str();
    data.pcwszMemberFilePath = path.c_str();
    data.hMemberFile = file;
    data.pbCalculatedFileHash = hash_;
    data.cbCalculatedFileHash = hashLength_;
    data.hCatAdmin = sha256_ ? admin_ : 0;
    return VerifyTrust(os_, entries_, data);
  }

 private:
  Os& os_;
  const TTrustEntries& entries_;
  OsHandle admin_ = 0;
  OsHandle catInfo_ = 0;
  bool sha256_ = false;
  uint8_t hash_[kHashRoom] = {};
  uint32_t hashLength_ = 0;
};

}  // namespace

std::string TFileSignature::StatusText() const {
  switch (Status) {
    case TSignatureStatus::Signed:
      return "Signed";
    case TSignatureStatus::Catalog:
      return "Catalog";
    case TSignatureStatus::Unsigned:
      return "Unsigned";
    case TSignatureStatus::Invalid:
      return "Invalid (" + Reason + ")";
    case TSignatureStatus::NotAvailable:
      break;
  }
  return "n/a";
}

bool TFileSignature::Trusted() const {
  return Status == TSignatureStatus::Signed || Status == TSignatureStatus::Catalog;
}

TFileSignature VerifyFileSignature(const TInventoryContext& context, const std::string& path) {
  Os& os = context.Sys;
  const TTrustEntries entries(os);
  if (!entries.Verify) return TFileSignature();
  OsHandle file;
  {
    // Only the open sees the true file system; the trust functions then work
    // on the handle, and load what they need with redirection as it was.
    const TFsRedirectionOff trueFiles(os);
    file = os.CreateFileW(path.c_str(), kGenericRead, context.ShareAll(), kOpenExisting,
                          kFileAttributeNormal);
  }
  if (file == kInvalidHandleValue) return TFileSignature();
  const TScopedHandle closer(os, file);

  TWinTrustData embedded;
  embedded.dwUnionChoice = kWtdChoiceFile;
  embedded.pcwszFilePath = path.c_str();
  embedded.hFile = file;
  const TTrustReply reply = VerifyTrust(os, entries, embedded);
  if (!IsNoSignature(reply.Result) || !entries.Catalogs)
    return FromReply(reply, TSignatureStatus::Signed);

  TCatalogLookup lookup(os, entries);
  std::string catalog;
  if (!lookup.Find(file, catalog)) return FromReply(reply, TSignatureStatus::Signed);
  return FromReply(lookup.Verify(catalog, path, file), TSignatureStatus::Catalog);
}

const TFileSignature& CachedFileSignature(TInventoryContext& context, const std::string& path) {
  return context.FileSignatureCache.FindOrRead(
      path, [&context](const std::string& name) { return VerifyFileSignature(context, name); });
}

}  // namespace kvt
