#pragma once
// The machine-readable forms of the list, modules and handles commands:
// standard output holds the document and nothing else, in UTF-8.
namespace kvt {

class Os;
class TConsoleOutput;
class TqxProcessList;

// The commands whose tables a form writes.
struct TFormTables {
  bool Processes = false;
  bool Modules = false;
  bool Handles = false;
  bool Details = false;  // the process rows carry the details (and are written)
  bool Any() const { return Processes || Modules || Handles; }
};

// One table per command, in the fixed command order, each headed by its
// column names and separated from the next by an empty line. The modules
// and handles tables hold the rows of every selected process.
void WriteCsvTables(TqxProcessList& list, const TFormTables& tables, TConsoleOutput& out);
// One document with an element per selected process, holding its modules and
// its handles when asked for; nothing when no table is.
void WriteXmlDocument(TqxProcessList& list, const TFormTables& tables, TConsoleOutput& out);
// After either form: one line on standard error for each selected process
// whose modules, or whose handles' names, a table asked for but could not
// read for want of rights; standard output keeps the document alone.
void WriteFormDenials(Os& os, const TqxProcessList& list, const TFormTables& tables);

}  // namespace kvt
