#pragma once
// Whether a file is signed, and by whom, as the system's own trust functions
// tell it: the file's embedded signature, else the catalogs of the system.
#include <string>

#include "inventory/file_cache.h"

namespace kvt {

struct TInventoryContext;

enum class TSignatureStatus {
  Signed,        // an embedded signature that verifies
  Catalog,       // no embedded signature, but a system catalog that vouches for the file
  Unsigned,      // neither
  Invalid,       // a signature that does not verify: Reason says why
  NotAvailable,  // the file could not be opened, or the system lacks the trust functions
};

struct TFileSignature {
  TSignatureStatus Status = TSignatureStatus::NotAvailable;
  // The subject's common name of the leaf certificate of the signature that
  // was checked; empty when it cannot be told.
  std::string Signer;
  std::string Reason;

  // "Signed", "Catalog", "Unsigned", "Invalid (" Reason ")" or "n/a".
  std::string StatusText() const;
  // Signed or Catalog.
  bool Trusted() const;
};

// Verifies the file Path names. Revocation is not checked and nothing is
// fetched from the network: the answer comes from what the system holds.
TFileSignature VerifyFileSignature(const TInventoryContext& context, const std::string& path);

// VerifyFileSignature through the context's cache: each file once per run.
const TFileSignature& CachedFileSignature(TInventoryContext& context, const std::string& path);

}  // namespace kvt
