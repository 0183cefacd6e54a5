#pragma once
// The CSV and XML forms of processes, modules and handles: their columns, and
// the module and handle lists as elements below a process's element.
#include <vector>

#include "inventory/export_columns.h"
#include "processes/find.h"
#include "processes/process_list.h"
#include "processes/signature_rows.h"

namespace kvt {

// PID, PPID, file name, complete file name, the version entries, size (empty
// when unknown) and the digests as the item holds them.
const TExportColumns<TqxProcessItem>& ProcessExportColumns();
// With /details: command line, user, integrity, session, start (ISO 8601,
// UTC), CPU seconds, working set and private bytes (bytes), threads, handles
// and the services, separated by ";"; empty where a fact is unknown, and
// marked as denied where the rights refused it.
const TExportColumns<TqxProcessItem>& ProcessDetailExportColumns();
const TExportColumns<TqxModuleItem>& ModuleExportColumns();
const TExportColumns<TqxHandleItem>& HandleExportColumns();
// The hits of /find, in every form, the text table too.
const TExportColumns<TqxFindItem>& FindExportColumns();
// The columns a process or module row gains with /verify: its file's
// signature and signer.
template <typename TItem>
const TExportColumns<TItem>& SignatureExportColumns() {
  static const TExportColumns<TItem> kColumns = {
      {"Signature", "Signature", [](TItem& i) { return i.Signature().StatusText(); }, nullptr},
      {"Signer", "Signer", [](TItem& i) { return i.Signature().Signer; }, nullptr},
  };
  return kColumns;
}
// A process's depth in the tree it is written in: 0 for the top.
const TExportColumns<TqxProcessItem>& TreeExportColumns();

// Each appends the list's element below Parent, with one element per item:
// with Signatures its signature attributes too, with UnsignedOnly only the
// modules whose file is not signed.
TXmlElement SaveModuleListToXml(TqxModuleList& modules, TXmlElement parent,
                                bool signatures = false, bool unsignedOnly = false);
TXmlElement SaveHandleListToXml(TqxHandleCollection& handles, TXmlElement parent);
// The hits' element below the document's root, after what is there.
TXmlElement SaveFindListToXml(std::vector<TqxFindItem>& hits, TXmlDocument& document);

}  // namespace kvt
