#pragma once
// Which tables a machine-readable run writes, the columns of its rows, and
// the facts it reads for them, once, before the first row.
#include "processes/module_list.h"
#include "processes/process_list.h"
#include "tables/table.h"

namespace kvt {

struct TDocumentFacts;
struct TEndpointRows;
struct TFindResult;

// The commands whose tables a form writes. With Signatures the process and
// module rows carry their files' signatures; with UnsignedOnly only the rows
// whose file is not signed are written.
struct TFormTables {
  bool Processes = false;
  bool Modules = false;
  bool Handles = false;
  bool Endpoints = false;
  TEndpointRows* EndpointRows = nullptr;  // what /net keeps, when Endpoints
  bool Find = false;
  TFindResult* FindHits = nullptr;  // what /find found, when Find
  bool Signatures = false;
  bool UnsignedOnly = false;
  bool Details = false;  // the process rows carry the details (and are written)
  bool Tree = false;     // the processes come in tree order, each with its depth
  const TDocumentFacts* Facts = nullptr;  // what the document says of itself, if anything
  bool Any() const { return Processes || Modules || Handles || Endpoints || Find; }
  // A table whose rows stand for every selected process, or inside each.
  bool AnyProcessTable() const { return Processes || Modules || Handles; }
};

// A process row: the process table's columns, then the signature's, the
// details' and the depth, as the run asks for them.
TTable<TqxProcessItem> ProcessRowColumns(const TFormTables& tables);
// A module row: the module table's columns, then the signature's.
TTable<TqxModuleItem> ModuleRowColumns(const TFormTables& tables);

// Whether a process's or module's row is written: with /unsigned only when
// its file is not signed. A form that nests rows keeps a row that holds a
// kept one too (README, "Forms").
bool KeepsRow(const TFormTables& tables, TSystemLogItem& item);

// Reads what the tables show for the selected processes. The handle table
// comes first: when it cannot be read, nothing has been written.
void ReadFormFacts(TqxProcessList& list, const TFormTables& tables);

}  // namespace kvt
