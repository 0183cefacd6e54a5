#pragma once
// The MD5 digest of a whole file, and the run's cache of digests by file name.
#include <string>
#include <unordered_map>

#include "support/errors.h"

namespace kvt {

struct TInventoryContext;

// Reading a file failed after it was opened: its digest cannot be told.
class EReadError : public EError {
 public:
  using EError::EError;
  const char* ClassName() const override { return "EReadError"; }
};

// Digests by file name, names compared without regard to case. Entries are
// only added: a file is hashed at most once per run, also when it changes
// meanwhile.
class TFileDigestCache {
 public:
  // The digest stored for FileName, or null.
  const std::string* Find(const std::string& fileName) const;
  void Add(const std::string& fileName, const std::string& digest);
  int Count() const { return static_cast<int>(entries_.size()); }

 private:
  std::unordered_map<std::string, std::string> entries_;  // by upper-cased name
};

// 32 lower-case hexadecimal digits: the digest of the whole file, or of empty
// input when it cannot be opened. Raises EReadError when a read fails.
std::string MD5OfFile(const TInventoryContext& context, const std::string& path);

// MD5OfFile through the context's cache.
std::string CachedMD5OfFile(TInventoryContext& context, const std::string& path);

}  // namespace kvt
