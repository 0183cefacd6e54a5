#pragma once
// Signatures: the system's trust functions (wintrust, crypt32), bound by
// name on first use. Constants of WINTRUST_DATA, the replies relied on, and
// the certificate name forms.
#include <cstdint>

#include "os/os_types.h"

namespace kvt {

constexpr uint32_t kWtdUiNone = 2;
constexpr uint32_t kWtdRevokeNone = 0;
constexpr uint32_t kWtdChoiceFile = 1;
constexpr uint32_t kWtdChoiceCatalog = 2;
constexpr uint32_t kWtdStateActionVerify = 1;
constexpr uint32_t kWtdStateActionClose = 2;
constexpr uint32_t kWtdRevocationCheckNone = 0x10;
constexpr uint32_t kWtdCacheOnlyUrlRetrieval = 0x1000;
constexpr int32_t kTrustENoSignature = static_cast<int32_t>(0x800B0100u);
constexpr int32_t kTrustESubjectFormUnknown = static_cast<int32_t>(0x800B0003u);
constexpr int32_t kTrustEProviderUnknown = static_cast<int32_t>(0x800B0001u);
constexpr uint32_t kCertNameAttrType = 3;
constexpr uint32_t kCertNameSimpleDisplayType = 4;
constexpr const char* kSzOidCommonName = "2.5.4.3";

// WINTRUST_DATA with the WINTRUST_FILE_INFO or WINTRUST_CATALOG_INFO its
// union choice names, as WinVerifyTrust takes it for the generic verify
// action. Texts are UTF-8; WinVerifyTrust hands the state back in
// hWVTStateData.
struct TWinTrustData {
  uint32_t dwUIChoice = kWtdUiNone;
  uint32_t fdwRevocationChecks = kWtdRevokeNone;
  uint32_t dwUnionChoice = kWtdChoiceFile;
  uint32_t dwStateAction = kWtdStateActionVerify;
  OsHandle hWVTStateData = 0;
  uint32_t dwProvFlags = 0;
  // WTD_CHOICE_FILE.
  const char* pcwszFilePath = nullptr;
  OsHandle hFile = 0;
  // WTD_CHOICE_CATALOG. hCatAdmin: the context the hash was made with, or 0
  // for the default one (SHA-1).
  const char* pcwszCatalogFilePath = nullptr;
  const char* pcwszMemberTag = nullptr;
  const char* pcwszMemberFilePath = nullptr;
  OsHandle hMemberFile = 0;
  const uint8_t* pbCalculatedFileHash = nullptr;
  uint32_t cbCalculatedFileHash = 0;
  OsHandle hCatAdmin = 0;
};

// What the program reads of a CRYPT_PROVIDER_SGNR: the length of its
// certificate chain and the first certificate's CERT_CONTEXT, the signer's own.
struct TProviderSigner {
  uint32_t csCertChain = 0;
  OsHandle LeafCertificate = 0;
};

struct OsSignatures {
  virtual ~OsSignatures() = default;

  // WinVerifyTrust runs WINTRUST_ACTION_GENERIC_VERIFY_V2 on Data and
  // returns its HRESULT (0: trusted); a verify leaves state in
  // Data->hWVTStateData until a close with it. The helpers read that state:
  // provider data (0 when there is none), then the signer at SignerIndex.
  // CertGetNameStringW writes the name in UTF-8 and returns the bytes written
  // with the terminator, 1 for no name; TypePara is an OID for the attribute
  // form. Catalog calls return false or 0 on failure. Acquire takes the
  // driver-verification subsystem; AcquireContext2 with the hash algorithm's
  // name ("SHA256"). A hash is written to Hash, whose room *HashLength tells
  // and which is set to the hash's length. Every entry gives its failure
  // while its group is unbound.
  virtual int32_t WinVerifyTrust(OsHandle window, TWinTrustData* data) = 0;
  virtual OsHandle WTHelperProvDataFromStateData(OsHandle stateData) = 0;
  virtual bool WTHelperGetProvSignerFromChain(OsHandle provData, uint32_t signerIndex,
                                              bool counterSigner, uint32_t counterSignerIndex,
                                              TProviderSigner* signer) = 0;
  virtual uint32_t CertGetNameStringW(OsHandle certificate, uint32_t type, uint32_t flags,
                                      const char* typePara, char* name, uint32_t size) = 0;
  virtual bool CryptCATAdminAcquireContext(OsHandle* catAdmin) = 0;
  virtual bool CryptCATAdminAcquireContext2(OsHandle* catAdmin, const char* hashAlgorithm) = 0;
  virtual bool CryptCATAdminCalcHashFromFileHandle(OsHandle file, uint32_t* hashLength,
                                                   uint8_t* hash) = 0;
  virtual bool CryptCATAdminCalcHashFromFileHandle2(OsHandle catAdmin, OsHandle file,
                                                    uint32_t* hashLength, uint8_t* hash) = 0;
  virtual OsHandle CryptCATAdminEnumCatalogFromHash(OsHandle catAdmin, const uint8_t* hash,
                                                    uint32_t hashLength,
                                                    OsHandle* previousCatInfo) = 0;
  // CATALOG_INFO's wszCatalogFile, in UTF-8.
  virtual bool CryptCATCatalogInfoFromContext(OsHandle catInfo, char* catalogFile,
                                              uint32_t size) = 0;
  virtual bool CryptCATAdminReleaseCatalogContext(OsHandle catAdmin, OsHandle catInfo) = 0;
  virtual bool CryptCATAdminReleaseContext(OsHandle catAdmin) = 0;
};

}  // namespace kvt
