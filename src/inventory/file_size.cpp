#include "inventory/file_size.h"

#include "os/os.h"
#include "os/fs_redirection.h"
#include "os/scoped_handle.h"

namespace kvt {

bool ReadOpenedFileSize(Os& os, const std::string& path, uint32_t shareMode, uint32_t& low,
                        uint32_t& high) {
  const TFsRedirectionOff trueFiles(os);
  const OsHandle file =
      os.CreateFileW(path.c_str(), kGenericRead, shareMode, kOpenExisting, kFileAttributeNormal);
  if (file == kInvalidHandleValue) return false;
  const TScopedHandle closer(os, file);
  high = 0;
  low = os.GetFileSize(file, &high);
  return true;
}

int64_t QueryFileSize(Os& os, const std::string& path) {
  const TFsRedirectionOff trueFiles(os);
  const uint32_t attributes = os.GetFileAttributesW(path.c_str());
  if (attributes == kInvalidFileAttributes || (attributes & kFileAttributeDirectory) != 0) return 0;
  uint32_t low = 0, high = 0;
  if (!ReadOpenedFileSize(os, path, kFileShareRead | kFileShareWrite, low, high)) return 0;
  return static_cast<int64_t>(uint64_t{high} << 32 | low);
}

}  // namespace kvt
