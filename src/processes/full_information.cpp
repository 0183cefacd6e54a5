#include <exception>

#include "files/version_info.h"
#include "inventory/file_digest.h"
#include "inventory/file_size.h"
#include "processes/process_list.h"
#include "support/text.h"

namespace kvt {
namespace {

constexpr uint32_t kNoSize = 0xFFFFFFFFu;

void ReadSize(TInventoryContext& context, TqxProcessItem& item) {
  if (item.Filesize() != 0) return;
  // The record's own query only looks at ready volumes; the executable may
  // still be reachable under the name the platform gave.
  uint32_t low = 0, high = 0;
  if (ReadOpenedFileSize(context.Sys, item.Filename, context.ShareAll(), low, high) && low != 0 &&
      low != kNoSize)
    item.SetFilesize(static_cast<int64_t>(uint64_t{high} << 32 | low));
}

void ReadVersion(Os& os, TqxProcessItem& item) {
  if (!item.FileHint.empty()) return;
  try {
    TStringList entries;
    ReadVersionInfo(os, item.Filename, 0, entries);
    item.FileCompany = entries.Values("CompanyName");
    item.FileDescription = entries.Values("FileDescription");
    item.FileVersion = entries.Values("FileVersion");
    for (int i = 0; i < entries.Count(); ++i)
      item.FileHint += entries.Names(i) + ": " + entries.ValueFromIndex(i) + "\r\n";
  } catch (const std::exception&) {
    // A version block that cannot be read leaves the item as far as it got.
  }
}

}  // namespace

const std::string& TqxProcessItem::FileMD5() {
  if (!fileMD5Known_) {
    fileMD5Known_ = true;
    try {
      fileMD5_ = AsciiUpperCase(CachedMD5OfFile(owner_.ProcessContext(), Filename));
    } catch (const EReadError&) {
      // One unreadable executable must not end the listing. Its digest is
      // unknown, which is not the digest of an empty file, and is not tried
      // again.
      fileMD5_ = kDigestFailure;
    }
  }
  if (fileMD5_ == kEmptyInputDigest) fileMD5_.clear();
  return fileMD5_;
}

void TqxProcessItem::SetFileMD5(const std::string& digest) {
  fileMD5_ = digest;
  fileMD5Known_ = true;
}

void TqxProcessList::ReadFullInformation() {
  for (int i = 0; i < Count(); ++i) {
    TqxProcessItem& item = Items(i);
    ReadSize(context_, item);
    ReadVersion(context_.Sys, item);
  }
}

}  // namespace kvt
