#include "inventory/file_digest.h"

#include <algorithm>
#include <memory>

#include "inventory/inventory_context.h"
#include "os/fs_redirection.h"
#include "os/scoped_handle.h"
#include "support/format.h"
#include "support/md5.h"
#include "support/text.h"

namespace kvt {
namespace {

// Bytes asked for per read: large enough that the calls cost nothing beside
// the hashing, small enough for any 32-bit address space.
constexpr uint32_t kReadChunk = 1u << 20;
constexpr size_t kDigestLength = 32;

}  // namespace

const std::string* TFileDigestCache::Find(const std::string& fileName) const {
  const auto found = entries_.find(AsciiUpperCase(fileName));
  return found == entries_.end() ? nullptr : &found->second;
}

void TFileDigestCache::Add(const std::string& fileName, const std::string& digest) {
  entries_[AsciiUpperCase(fileName)] = digest;
}

std::string MD5OfFile(const TInventoryContext& context, const std::string& path) {
  Os& os = context.Sys;
  TMD5 md5;
  const TFsRedirectionOff trueFiles(os);
  const OsHandle file =
      os.CreateFileW(path.c_str(), kGenericRead, context.ShareAll(), kOpenExisting,
                     kFileAttributeNormal | kFileFlagSequentialScan);
  if (file != kInvalidHandleValue) {
    const TScopedHandle closer(os, file);
    uint32_t high = 0;
    const uint32_t low = os.GetFileSize(file, &high);
    // At most the size the file had when it was opened is read, so a file
    // that keeps growing cannot keep the loop going.
    uint64_t remaining = uint64_t{high} << 32 | low;
    const uint32_t chunk = static_cast<uint32_t>(std::min<uint64_t>(remaining, kReadChunk));
    const std::unique_ptr<uint8_t[]> buffer(new uint8_t[chunk == 0 ? 1 : chunk]);
    while (remaining > 0) {
      uint32_t read = 0;
      const uint32_t wanted = static_cast<uint32_t>(std::min<uint64_t>(remaining, chunk));
      if (!os.ReadFile(file, buffer.get(), wanted, &read))
        throw EReadError(Format("Cannot read the file %s", path.c_str()));
      if (read == 0) break;  // it shrank since it was opened
      md5.Update(buffer.get(), read);
      remaining -= std::min<uint64_t>(read, remaining);
    }
  }
  return DigestToHex(md5.Final());
}

std::string CachedMD5OfFile(TInventoryContext& context, const std::string& path) {
  const std::string* cached = context.FileDigestCache.Find(path);
  if (cached != nullptr && cached->size() == kDigestLength) return *cached;
  const std::string digest = MD5OfFile(context, path);
  context.FileDigestCache.Add(path, digest);
  return digest;
}

}  // namespace kvt
