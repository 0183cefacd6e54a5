#pragma once
// The signature of a file: the two columns a process or module row gains
// with /verify in the forms, and /verify's text table, which shows them
// between the row's process and its file's path.
#include "processes/signature_rows.h"
#include "tables/table.h"

namespace kvt {

// TItem: anything with Signature() (a process, a module, a signature row).
template <typename TItem>
const TTable<TItem>& SignatureColumns() {
  using C = TColumn<TItem>;
  static const TTable<TItem> kTable = {
      // The text's title says what the column holds; the forms' names what
      // it is of.
      C().Keyed(3, "STATUS", "Status").Form("Signature", "Signature")
          .Text([](TItem& i) { return i.Signature().StatusText(); }),
      C().Keyed(4, "SIGNER", "Signer").Form("Signer", "Signer")
          .Text([](TItem& i) { return i.Signature().Signer; }),
  };
  return kTable;
}

const TTable<TSignatureRow>& SignatureTable();

}  // namespace kvt
