// Signatures: the trust functions of wintrust.dll and crypt32.dll.
#include "os/win32/win32_os.h"

#include "os/win32/win32_support.h"

#include <wincrypt.h>
#include <wintrust.h>
#include <softpub.h>
#include <mscat.h>

#include <cstring>

namespace kvt {
using namespace win32;

namespace {

using WinVerifyTrustFn = decltype(&::WinVerifyTrust);
using WTHelperProvDataFromStateDataFn = decltype(&::WTHelperProvDataFromStateData);
using WTHelperGetProvSignerFromChainFn = decltype(&::WTHelperGetProvSignerFromChain);
using CertGetNameStringWFn = decltype(&::CertGetNameStringW);
using CryptCATAdminAcquireContextFn = decltype(&::CryptCATAdminAcquireContext);
using CryptCATAdminAcquireContext2Fn = decltype(&::CryptCATAdminAcquireContext2);
using CryptCATAdminCalcHashFromFileHandleFn = decltype(&::CryptCATAdminCalcHashFromFileHandle);
using CryptCATAdminCalcHashFromFileHandle2Fn = decltype(&::CryptCATAdminCalcHashFromFileHandle2);
using CryptCATAdminEnumCatalogFromHashFn = decltype(&::CryptCATAdminEnumCatalogFromHash);
using CryptCATCatalogInfoFromContextFn = decltype(&::CryptCATCatalogInfoFromContext);
using CryptCATAdminReleaseCatalogContextFn = decltype(&::CryptCATAdminReleaseCatalogContext);
using CryptCATAdminReleaseContextFn = decltype(&::CryptCATAdminReleaseContext);

// The subsystem whose catalogs the system's own files are listed in.
const GUID kDriverActionVerify = DRIVER_ACTION_VERIFY;

}  // namespace

void Win32Os::BindTrust() {
  if (trustBindTried_) return;
  trustBindTried_ = true;
  // Every entry comes as part of its group; a group with a missing entry
  // stays unbound as a whole.
  const HMODULE wintrust = LoadLibraryA("wintrust.dll");
  void* verify = Lookup(wintrust, "WinVerifyTrust");
  void* provData = Lookup(wintrust, "WTHelperProvDataFromStateData");
  void* signer = Lookup(wintrust, "WTHelperGetProvSignerFromChain");
  if (verify != nullptr && provData != nullptr && signer != nullptr) {
    winVerifyTrust_ = verify;
    wtHelperProvDataFromStateData_ = provData;
    wtHelperGetProvSignerFromChain_ = signer;
  }
  certGetNameStringW_ = Lookup(LoadLibraryA("crypt32.dll"), "CertGetNameStringW");
  void* const catalog[] = {Lookup(wintrust, "CryptCATAdminAcquireContext"),
                           Lookup(wintrust, "CryptCATAdminCalcHashFromFileHandle"),
                           Lookup(wintrust, "CryptCATAdminEnumCatalogFromHash"),
                           Lookup(wintrust, "CryptCATCatalogInfoFromContext"),
                           Lookup(wintrust, "CryptCATAdminReleaseCatalogContext"),
                           Lookup(wintrust, "CryptCATAdminReleaseContext")};
  if (std::find(std::begin(catalog), std::end(catalog), nullptr) == std::end(catalog)) {
    catAdminAcquireContext_ = catalog[0];
    catAdminCalcHashFromFileHandle_ = catalog[1];
    catAdminEnumCatalogFromHash_ = catalog[2];
    catCatalogInfoFromContext_ = catalog[3];
    catAdminReleaseCatalogContext_ = catalog[4];
    catAdminReleaseContext_ = catalog[5];
    // Both SHA-256 forms or neither: a context of one algorithm with a hash of
    // the other would find no catalog.
    void* acquire2 = Lookup(wintrust, "CryptCATAdminAcquireContext2");
    void* calcHash2 = Lookup(wintrust, "CryptCATAdminCalcHashFromFileHandle2");
    if (acquire2 != nullptr && calcHash2 != nullptr) {
      catAdminAcquireContext2_ = acquire2;
      catAdminCalcHashFromFileHandle2_ = calcHash2;
    }
  }
}

int32_t Win32Os::WinVerifyTrust(OsHandle window, TWinTrustData* data) {
  BindTrust();
  if (winVerifyTrust_ == nullptr) return TRUST_E_PROVIDER_UNKNOWN;
  const std::wstring filePath = FileNameForOpening(data->pcwszFilePath);
  const std::wstring catalogPath = ToWide(data->pcwszCatalogFilePath);
  const std::wstring memberTag = ToWide(data->pcwszMemberTag);
  const std::wstring memberPath = FileNameForOpening(data->pcwszMemberFilePath);
  WINTRUST_FILE_INFO file = {};
  file.cbStruct = sizeof file;
  file.pcwszFilePath = filePath.c_str();
  file.hFile = ToHandle(data->hFile);
  WINTRUST_CATALOG_INFO catalog = {};
  catalog.cbStruct = sizeof catalog;
  catalog.pcwszCatalogFilePath = catalogPath.c_str();
  catalog.pcwszMemberTag = memberTag.c_str();
  catalog.pcwszMemberFilePath = memberPath.c_str();
  catalog.hMemberFile = ToHandle(data->hMemberFile);
  catalog.pbCalculatedFileHash = const_cast<BYTE*>(data->pbCalculatedFileHash);
  catalog.cbCalculatedFileHash = data->cbCalculatedFileHash;
  catalog.hCatAdmin = ToPointer<HCATADMIN>(data->hCatAdmin);
  WINTRUST_DATA trust = {};
  trust.cbStruct = sizeof trust;
  trust.dwUIChoice = data->dwUIChoice;
  trust.fdwRevocationChecks = data->fdwRevocationChecks;
  trust.dwUnionChoice = data->dwUnionChoice;
  if (data->dwUnionChoice == WTD_CHOICE_CATALOG)
    trust.pCatalog = &catalog;
  else
    trust.pFile = &file;
  trust.dwStateAction = data->dwStateAction;
  trust.hWVTStateData = ToHandle(data->hWVTStateData);
  trust.dwProvFlags = data->dwProvFlags;
  GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
  const LONG result =
      As<WinVerifyTrustFn>(winVerifyTrust_)(ToPointer<HWND>(window), &action, &trust);
  data->hWVTStateData = FromHandle(trust.hWVTStateData);
  return result;
}

OsHandle Win32Os::WTHelperProvDataFromStateData(OsHandle stateData) {
  BindTrust();
  if (wtHelperProvDataFromStateData_ == nullptr) return 0;
  return FromPointer(
      As<WTHelperProvDataFromStateDataFn>(wtHelperProvDataFromStateData_)(ToHandle(stateData)));
}

bool Win32Os::WTHelperGetProvSignerFromChain(OsHandle provData, uint32_t signerIndex,
                                             bool counterSigner, uint32_t counterSignerIndex,
                                             TProviderSigner* signer) {
  BindTrust();
  if (wtHelperGetProvSignerFromChain_ == nullptr) return false;
  const CRYPT_PROVIDER_SGNR* found =
      As<WTHelperGetProvSignerFromChainFn>(wtHelperGetProvSignerFromChain_)(
          ToPointer<CRYPT_PROVIDER_DATA*>(provData), signerIndex, counterSigner ? TRUE : FALSE,
          counterSignerIndex);
  if (found == nullptr) return false;
  signer->csCertChain = found->csCertChain;
  signer->LeafCertificate = found->csCertChain > 0 && found->pasCertChain != nullptr
                                ? FromPointer(found->pasCertChain[0].pCert)
                                : 0;
  return true;
}

uint32_t Win32Os::CertGetNameStringW(OsHandle certificate, uint32_t type, uint32_t flags,
                                     const char* typePara, char* name, uint32_t size) {
  BindTrust();
  if (size == 0) return 0;
  name[0] = '\0';
  if (certGetNameStringW_ == nullptr) return 1;
  // The reply counts the terminator: a name of N bytes answers N + 1.
  return CallForText(
             [&](wchar_t* wide, DWORD units) {
               return As<CertGetNameStringWFn>(certGetNameStringW_)(
                   ToPointer<PCCERT_CONTEXT>(certificate), type, flags,
                   const_cast<void*>(static_cast<const void*>(typePara)), wide, units);
             },
             UnitsFor(size), name, size) +
         1;
}

bool Win32Os::CryptCATAdminAcquireContext(OsHandle* catAdmin) {
  BindTrust();
  if (catAdminAcquireContext_ == nullptr) return false;
  HCATADMIN admin = nullptr;
  const BOOL ok =
      As<CryptCATAdminAcquireContextFn>(catAdminAcquireContext_)(&admin, &kDriverActionVerify, 0);
  *catAdmin = ok ? FromPointer(admin) : 0;
  return ok != 0;
}

bool Win32Os::CryptCATAdminAcquireContext2(OsHandle* catAdmin, const char* hashAlgorithm) {
  BindTrust();
  if (catAdminAcquireContext2_ == nullptr) return false;
  HCATADMIN admin = nullptr;
  const BOOL ok = As<CryptCATAdminAcquireContext2Fn>(catAdminAcquireContext2_)(
      &admin, &kDriverActionVerify, ToWide(hashAlgorithm).c_str(), nullptr, 0);
  *catAdmin = ok ? FromPointer(admin) : 0;
  return ok != 0;
}

bool Win32Os::CryptCATAdminCalcHashFromFileHandle(OsHandle file, uint32_t* hashLength,
                                                  uint8_t* hash) {
  BindTrust();
  if (catAdminCalcHashFromFileHandle_ == nullptr) return false;
  DWORD length = *hashLength;
  const BOOL ok = As<CryptCATAdminCalcHashFromFileHandleFn>(catAdminCalcHashFromFileHandle_)(
      ToHandle(file), &length, hash, 0);
  *hashLength = length;
  return ok != 0;
}

bool Win32Os::CryptCATAdminCalcHashFromFileHandle2(OsHandle catAdmin, OsHandle file,
                                                   uint32_t* hashLength, uint8_t* hash) {
  BindTrust();
  if (catAdminCalcHashFromFileHandle2_ == nullptr) return false;
  DWORD length = *hashLength;
  const BOOL ok = As<CryptCATAdminCalcHashFromFileHandle2Fn>(catAdminCalcHashFromFileHandle2_)(
      ToPointer<HCATADMIN>(catAdmin), ToHandle(file), &length, hash, 0);
  *hashLength = length;
  return ok != 0;
}

OsHandle Win32Os::CryptCATAdminEnumCatalogFromHash(OsHandle catAdmin, const uint8_t* hash,
                                                   uint32_t hashLength,
                                                   OsHandle* previousCatInfo) {
  BindTrust();
  if (catAdminEnumCatalogFromHash_ == nullptr) return 0;
  HCATINFO previous = previousCatInfo ? ToPointer<HCATINFO>(*previousCatInfo) : nullptr;
  const HCATINFO found = As<CryptCATAdminEnumCatalogFromHashFn>(catAdminEnumCatalogFromHash_)(
      ToPointer<HCATADMIN>(catAdmin), const_cast<BYTE*>(hash), hashLength, 0,
      previousCatInfo ? &previous : nullptr);
  if (previousCatInfo) *previousCatInfo = FromPointer(previous);
  return FromPointer(found);
}

bool Win32Os::CryptCATCatalogInfoFromContext(OsHandle catInfo, char* catalogFile,
                                             uint32_t size) {
  BindTrust();
  if (catCatalogInfoFromContext_ == nullptr) return false;
  CATALOG_INFO info = {};
  info.cbStruct = sizeof info;
  if (!As<CryptCATCatalogInfoFromContextFn>(catCatalogInfoFromContext_)(
          ToPointer<HCATINFO>(catInfo), &info, 0))
    return false;
  CopyText(info.wszCatalogFile, ARRAYSIZE(info.wszCatalogFile), catalogFile, size);
  return true;
}

bool Win32Os::CryptCATAdminReleaseCatalogContext(OsHandle catAdmin, OsHandle catInfo) {
  BindTrust();
  if (catAdminReleaseCatalogContext_ == nullptr) return false;
  return As<CryptCATAdminReleaseCatalogContextFn>(catAdminReleaseCatalogContext_)(
             ToPointer<HCATADMIN>(catAdmin), ToPointer<HCATINFO>(catInfo), 0) != 0;
}

bool Win32Os::CryptCATAdminReleaseContext(OsHandle catAdmin) {
  BindTrust();
  if (catAdminReleaseContext_ == nullptr) return false;
  return As<CryptCATAdminReleaseContextFn>(catAdminReleaseContext_)(
             ToPointer<HCATADMIN>(catAdmin), 0) != 0;
}

}  // namespace kvt
