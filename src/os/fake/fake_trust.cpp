// The trust functions of the scripted system: WinVerifyTrust, its helpers,
// certificate names and the catalog administrator.
#include <algorithm>
#include <cstring>

#include "os/fake/fake_os.h"
#include "support/sha256.h"
#include "support/text.h"

namespace kvt {
namespace {

constexpr uint32_t kSha1Length = 20;
constexpr uint32_t kSha256Length = 32;

std::string Text(const char* text) { return text != nullptr ? text : ""; }

}  // namespace

OsHandle FakeOs::NewTrustObject(TTrustObject object) {
  const OsHandle handle = nextTrustObject_;
  nextTrustObject_ += 4;
  trustObjects_.emplace(handle, std::move(object));
  return handle;
}

FakeOs::TTrustObject* FakeOs::FindTrustObject(OsHandle handle, TTrustObject::Kind kind) {
  const auto found = trustObjects_.find(handle);
  return found == trustObjects_.end() || found->second.Type != kind ? nullptr : &found->second;
}

std::string FakeOs::OpenedFileKey(OsHandle file) {
  const THandle* handle = Find(file, THandle::File);
  return handle != nullptr ? handle->Path : std::string();
}

bool FakeOs::CatalogHash(OsHandle file, bool sha256, uint32_t* hashLength, uint8_t* hash) {
  const TFakeFile* opened = OpenedFile(file);
  if (opened == nullptr) return false;
  const uint32_t length = sha256 ? kSha256Length : kSha1Length;
  if (*hashLength < length) {
    *hashLength = length;
    return false;
  }
  TSHA256 digest;
  digest.Update(opened->Bytes.data(), opened->Bytes.size());
  const TSHA256::TDigest full = digest.Final();
  std::memcpy(hash, full.data(), length);
  *hashLength = length;
  return true;
}

int32_t FakeOs::WinVerifyTrust(OsHandle, TWinTrustData* data) {
  Record("WinVerifyTrust");
  if (!WinVerifyTrustBound) return kTrustEProviderUnknown;
  if (data->dwStateAction == kWtdStateActionClose) {
    const TTrustObject* state = FindTrustObject(data->hWVTStateData, TTrustObject::State);
    if (state == nullptr) return static_cast<int32_t>(0x80070006u);  // E_HANDLE
    trustObjects_.erase(state->Leaf);
    trustObjects_.erase(data->hWVTStateData);
    return 0;
  }
  TFakeTrustCall call;
  call.UnionChoice = data->dwUnionChoice;
  call.UIChoice = data->dwUIChoice;
  call.RevocationChecks = data->fdwRevocationChecks;
  call.ProvFlags = data->dwProvFlags;
  const bool catalog = data->dwUnionChoice == kWtdChoiceCatalog;
  call.FilePath = Text(catalog ? data->pcwszMemberFilePath : data->pcwszFilePath);
  // The file is the one its handle was opened on, whatever the path says.
  call.OpenedFile = OpenedFileKey(catalog ? data->hMemberFile : data->hFile);
  call.CatalogFilePath = Text(data->pcwszCatalogFilePath);
  call.MemberTag = Text(data->pcwszMemberTag);
  call.HashLength = data->cbCalculatedFileHash;
  call.WithCatAdmin = data->hCatAdmin != 0;
  call.RedirectionOff = redirectionOff_;
  TrustCalls.push_back(call);

  const auto script = signatures_.find(call.OpenedFile);
  const TFakeSignature signature =
      script != signatures_.end() ? script->second : TFakeSignature();
  int32_t result = signature.Embedded;
  if (catalog) {
    // A member is known to its catalog by the hash made in the context given.
    uint8_t hash[kSha256Length];
    uint32_t length = sizeof hash;
    const bool hashed = CatalogHash(data->hMemberFile, data->hCatAdmin != 0, &length, hash);
    const bool listed =
        hashed && !signature.Catalog.empty() &&
        SameTextAscii(signature.Catalog, call.CatalogFilePath) &&
        call.MemberTag == AsciiUpperCase(BytesToHex(hash, length));
    result = listed ? signature.CatalogResult : kTrustENoSignature;
  }
  TTrustObject state;
  if (result != kTrustENoSignature && call.OpenedFile.size() > 0) {
    TTrustObject certificate;
    certificate.Type = TTrustObject::Certificate;
    certificate.CommonName = signature.CommonName;
    certificate.Organisation = signature.Organisation;
    state.Leaf = NewTrustObject(certificate);
  }
  data->hWVTStateData = NewTrustObject(state);
  return result;
}

OsHandle FakeOs::WTHelperProvDataFromStateData(OsHandle stateData) {
  Record("WTHelperProvDataFromStateData");
  // The provider data is the state's own.
  return WinVerifyTrustBound && FindTrustObject(stateData, TTrustObject::State) ? stateData : 0;
}

bool FakeOs::WTHelperGetProvSignerFromChain(OsHandle provData, uint32_t signerIndex,
                                            bool counterSigner, uint32_t,
                                            TProviderSigner* signer) {
  Record("WTHelperGetProvSignerFromChain");
  const TTrustObject* state = FindTrustObject(provData, TTrustObject::State);
  if (!WinVerifyTrustBound || state == nullptr || state->Leaf == 0 || signerIndex != 0 ||
      counterSigner)
    return false;
  signer->csCertChain = 1;
  signer->LeafCertificate = state->Leaf;
  return true;
}

uint32_t FakeOs::CertGetNameStringW(OsHandle certificate, uint32_t type, uint32_t, const char* typePara,
                                    char* name, uint32_t size) {
  Record("CertGetNameStringW");
  const TTrustObject* found = FindTrustObject(certificate, TTrustObject::Certificate);
  std::string text;
  if (CertGetNameStringBound && found != nullptr) {
    if (type == kCertNameAttrType && Text(typePara) == kSzOidCommonName)
      text = found->CommonName;
    else if (type == kCertNameSimpleDisplayType)
      text = found->CommonName.empty() ? found->Organisation : found->CommonName;
  }
  // The platform's count includes the terminator: 1 for no name.
  return size == 0 ? 0 : CopyTextToBuffer(text, name, size) + 1;
}

bool FakeOs::CryptCATAdminAcquireContext(OsHandle* catAdmin) {
  Record("CryptCATAdminAcquireContext");
  if (!CatalogAdminBound) return false;
  TTrustObject admin;
  admin.Type = TTrustObject::CatalogAdmin;
  *catAdmin = NewTrustObject(admin);
  return true;
}

bool FakeOs::CryptCATAdminAcquireContext2(OsHandle* catAdmin, const char* hashAlgorithm) {
  Record("CryptCATAdminAcquireContext2");
  const std::string algorithm = Text(hashAlgorithm);
  if (!CatalogAdminBound || !CatalogAdmin2Bound || (algorithm != "SHA256" && algorithm != "SHA1"))
    return false;
  TTrustObject admin;
  admin.Type = TTrustObject::CatalogAdmin;
  admin.Sha256 = algorithm == "SHA256";
  *catAdmin = NewTrustObject(admin);
  return true;
}

bool FakeOs::CryptCATAdminCalcHashFromFileHandle(OsHandle file, uint32_t* hashLength,
                                                 uint8_t* hash) {
  Record("CryptCATAdminCalcHashFromFileHandle");
  return CatalogAdminBound && CatalogHash(file, false, hashLength, hash);
}

bool FakeOs::CryptCATAdminCalcHashFromFileHandle2(OsHandle catAdmin, OsHandle file,
                                                  uint32_t* hashLength, uint8_t* hash) {
  Record("CryptCATAdminCalcHashFromFileHandle2");
  const TTrustObject* admin = FindTrustObject(catAdmin, TTrustObject::CatalogAdmin);
  return CatalogAdminBound && CatalogAdmin2Bound && admin != nullptr &&
         CatalogHash(file, admin->Sha256, hashLength, hash);
}

OsHandle FakeOs::CryptCATAdminEnumCatalogFromHash(OsHandle catAdmin, const uint8_t* hash,
                                                  uint32_t hashLength, OsHandle* previousCatInfo) {
  Record("CryptCATAdminEnumCatalogFromHash");
  const TTrustObject* admin = FindTrustObject(catAdmin, TTrustObject::CatalogAdmin);
  if (!CatalogAdminBound || admin == nullptr || previousCatInfo != nullptr) return 0;
  const std::string wanted(reinterpret_cast<const char*>(hash), hashLength);
  for (const auto& entry : signatures_) {
    const auto file = files_.find(entry.first);
    if (entry.second.Catalog.empty() || file == files_.end() ||
        (admin->Sha256 && entry.second.CatalogSha1Only))
      continue;
    TSHA256 digest;
    digest.Update(file->second.Bytes.data(), file->second.Bytes.size());
    const TSHA256::TDigest full = digest.Final();
    if (std::string(reinterpret_cast<const char*>(full.data()), hashLength) != wanted) continue;
    TTrustObject catInfo;
    catInfo.Type = TTrustObject::CatalogInfo;
    catInfo.Catalog = entry.second.Catalog;
    return NewTrustObject(catInfo);
  }
  return 0;
}

bool FakeOs::CryptCATCatalogInfoFromContext(OsHandle catInfo, char* catalogFile, uint32_t size) {
  Record("CryptCATCatalogInfoFromContext");
  const TTrustObject* found = FindTrustObject(catInfo, TTrustObject::CatalogInfo);
  if (!CatalogAdminBound || found == nullptr) return false;
  CopyTextToBuffer(found->Catalog, catalogFile, size);
  return true;
}

bool FakeOs::CryptCATAdminReleaseCatalogContext(OsHandle catAdmin, OsHandle catInfo) {
  Record("CryptCATAdminReleaseCatalogContext");
  if (!CatalogAdminBound || FindTrustObject(catAdmin, TTrustObject::CatalogAdmin) == nullptr)
    return false;
  return trustObjects_.erase(catInfo) == 1;
}

bool FakeOs::CryptCATAdminReleaseContext(OsHandle catAdmin) {
  Record("CryptCATAdminReleaseContext");
  return CatalogAdminBound && FindTrustObject(catAdmin, TTrustObject::CatalogAdmin) != nullptr &&
         trustObjects_.erase(catAdmin) == 1;
}

}  // namespace kvt
