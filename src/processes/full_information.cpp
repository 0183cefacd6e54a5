#include <exception>

#include "files/version_info.h"
#include "inventory/file_size.h"
#include "processes/process_list.h"
#include "support/text.h"

namespace kvt {
namespace {

constexpr uint32_t kNoSize = 0xFFFFFFFFu;

int64_t ReadSize(TProcessContext& context, TqxProcessItem& item) {
  const int64_t size = item.Filesize();
  if (size != 0) return size;
  // The record's own query only looks at ready volumes; the executable may
  // still be reachable under the name the platform gave.
  uint32_t low = 0, high = 0;
  if (ReadOpenedFileSize(context.Sys, item.Filename, context.ShareAll(), low, high) && low != 0 &&
      low != kNoSize)
    return static_cast<int64_t>(uint64_t{high} << 32 | low);
  return 0;
}

void ReadVersion(Os& os, const std::string& filename, TExecutableFacts& facts) {
  try {
    TStringList entries;
    ReadVersionInfo(os, filename, 0, entries);
    facts.Company = entries.Values("CompanyName");
    facts.Description = entries.Values("FileDescription");
    facts.Version = entries.Values("FileVersion");
    for (int i = 0; i < entries.Count(); ++i)
      facts.Hint += entries.Names(i) + ": " + entries.ValueFromIndex(i) + "\r\n";
  } catch (const std::exception&) {
    // A version block that cannot be read leaves the facts as far as they got.
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

void TqxProcessItem::ReadFileFacts() {
  if (fileFactsRead_) return;
  fileFactsRead_ = true;
  TProcessContext& context = owner_.ProcessContext();
  // Processes of one executable share its facts: the file is read for the
  // first of them only.
  const TExecutableFacts& facts =
      context.ExecutableFactsCache.FindOrRead(CompleteFilename(), [&](const std::string&) {
        TExecutableFacts read;
        read.Size = ReadSize(context, *this);
        ReadVersion(context.Sys, Filename, read);
        return read;
      });
  SetFilesize(facts.Size);
  FileCompany = facts.Company;
  FileDescription = facts.Description;
  FileVersion = facts.Version;
  FileHint = facts.Hint;
}

void TqxProcessList::ReadFullInformation() {
  for (int i = 0; i < Count(); ++i) Items(i).ReadFileFacts();
}

}  // namespace kvt
