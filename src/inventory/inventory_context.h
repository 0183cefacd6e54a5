#pragma once
// What inventory records reach beyond themselves: the operating system and the
// process-wide tables of the run.
#include <optional>
#include <string>

#include "inventory/file_digest.h"
#include "inventory/file_signature.h"
#include "os/os.h"

namespace kvt {

struct TInventoryContext {
  // Reads the version record through Os.
  explicit TInventoryContext(Os& os);
  Os& Sys;

  TOsVersionInfo Version;
  // Letters of the drives whose volumes answered, in ascending order: probed
  // when a record first asks, not at start-up, since a run that touches no
  // file has no reason to wake every drive (and Wine reports each letter it
  // may not read on standard error).
  const std::string& ReadyVolumes();
  // Both digests of each file a record asked for, by name.
  TFileCache<TFileDigests> FileDigestCache;
  // The signature of each file a record asked for, by name.
  TFileCache<TFileSignature> FileSignatureCache;

  // An NT-family platform with a major version above 3.
  bool IsNT4OrLater() const;
  // Windows 6.0 or later: where the least rights of a program that is not
  // elevated are asked for, and a denial is said.
  bool IsNT6OrLater() const;
  // Others may read, write and (where the platform knows it) delete the file
  // while it is open here.
  uint32_t ShareAll() const;

 private:
  std::optional<std::string> readyVolumes_;
};

}  // namespace kvt
