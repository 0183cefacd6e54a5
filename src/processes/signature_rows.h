#pragma once
// The rows of the signature table: each selected process's executable and,
// when asked, each module of those processes, with the verdict on its file.
#include <cstdint>
#include <string>
#include <vector>

#include "inventory/file_signature.h"

namespace kvt {

class TqxProcessList;
class TSystemLogItem;

struct TSignatureRow {
  uint32_t ProcessID = 0;
  std::string Path;  // of the file checked
  TFileSignature Verdict;

  const TFileSignature& Signature() const { return Verdict; }
  const std::string& CompleteFilename() const { return Path; }
  // Through the signature table (tables/signature_table.cpp).
  static std::string FormatHeader(const std::string& tmpl);
  std::string FormatLine(const std::string& tmpl);
};

// Whether an /unsigned run shows Item: its file is not Signed or Catalog.
bool ShownAsUnsigned(TSystemLogItem& item);

// In selection order, the modules of a process (filled now) after its own
// row; with UnsignedOnly only the rows whose file is not Signed or Catalog.
std::vector<TSignatureRow> ReadSignatureRows(TqxProcessList& list, bool modules,
                                             bool unsignedOnly);

}  // namespace kvt
