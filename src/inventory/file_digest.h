#pragma once
// The digests of a whole file, both from one read of it.
#include <string>

#include "inventory/file_cache.h"

namespace kvt {

struct TInventoryContext;

// Reading the file failed after it was opened: its digests cannot be told.
constexpr const char* kDigestFailure = "n/a";

// Lower-case hexadecimal digits: 32 for MD5, 64 for SHA-256.
struct TFileDigests {
  std::string MD5;
  std::string SHA256;
};

// The digests of empty input.
TFileDigests EmptyInputDigests();

// The digests of the whole file, or of empty input when it cannot be opened;
// kDigestFailure in both when a read fails.
TFileDigests DigestsOfFile(const TInventoryContext& context, const std::string& path);

// DigestsOfFile through the context's cache: a file is read once per run,
// and a read that failed is not tried again.
const TFileDigests& CachedDigestsOfFile(TInventoryContext& context, const std::string& path);

}  // namespace kvt
