#include <exception>

#include "files/version_info.h"
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

// An empty file and one that cannot be opened show no digest; one that could
// not be read through shows that its digest is unknown.
std::string ShownDigest(const std::string& digest, const char* emptyInput) {
  if (digest == kDigestFailure) return digest;
  std::string shown = AsciiUpperCase(digest);
  if (shown == emptyInput) shown.clear();
  return shown;
}

}  // namespace

std::string TqxProcessItem::FileMD5() { return ShownDigest(Digests().MD5, kEmptyInputDigest); }

std::string TqxProcessItem::FileSHA256() {
  return ShownDigest(Digests().SHA256, kEmptyInputSHA256);
}

void TqxProcessList::ReadFullInformation() {
  for (int i = 0; i < Count(); ++i) {
    TqxProcessItem& item = Items(i);
    ReadSize(context_, item);
    ReadVersion(context_.Sys, item);
  }
}

}  // namespace kvt
