#include "inventory/file_digest.h"

#include <algorithm>
#include <memory>

#include "inventory/inventory_context.h"
#include "os/fs_redirection.h"
#include "os/scoped_handle.h"
#include "support/md5.h"
#include "support/sha256.h"

namespace kvt {
namespace {

// Bytes asked for per read: large enough that the calls cost nothing beside
// the hashing, small enough for any 32-bit address space.
constexpr uint32_t kReadChunk = 1u << 20;

}  // namespace

TFileDigests EmptyInputDigests() { return {DigestToHex(TMD5().Final()), DigestToHex(TSHA256().Final())}; }

TFileDigests DigestsOfFile(const TInventoryContext& context, const std::string& path) {
  Os& os = context.Sys;
  TMD5 md5;
  TSHA256 sha256;
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
      if (!os.ReadFile(file, buffer.get(), wanted, &read)) return {kDigestFailure, kDigestFailure};
      if (read == 0) break;  // it shrank since it was opened
      md5.Update(buffer.get(), read);
      sha256.Update(buffer.get(), read);
      remaining -= std::min<uint64_t>(read, remaining);
    }
  }
  return {DigestToHex(md5.Final()), DigestToHex(sha256.Final())};
}

const TFileDigests& CachedDigestsOfFile(TInventoryContext& context, const std::string& path) {
  return context.FileDigestCache.FindOrRead(
      path, [&context](const std::string& name) { return DigestsOfFile(context, name); });
}

}  // namespace kvt
