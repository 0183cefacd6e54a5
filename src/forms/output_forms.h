#pragma once
// The machine-readable forms of the list, modules, handles and find commands:
// standard output holds the document and nothing else, in UTF-8.
#include "tables/form_tables.h"

namespace kvt {

class Os;
class TConsoleOutput;
class TqxProcessList;
class TXmlDocument;

// One table per command, in the fixed command order, each headed by its
// column names and separated from the next by an empty line. The modules
// and handles tables hold the rows of every selected process.
void WriteCsvTables(TqxProcessList& list, const TFormTables& tables, TConsoleOutput& out);
// One document with an element per selected process, holding its modules and
// its handles when asked for, and the hits of /find after them; nothing when
// no table is.
void WriteXmlDocument(TqxProcessList& list, const TFormTables& tables, TConsoleOutput& out);
// The same content as one JSON document (RFC 8259): the lists as arrays, each
// item as an object of its facts and its lists, decimal facts as numbers.
void WriteJsonDocument(TqxProcessList& list, const TFormTables& tables, TConsoleOutput& out);
void WriteDocumentAsJson(const TXmlDocument& document, TConsoleOutput& out);
void WriteXmlText(const TXmlDocument& document, TConsoleOutput& out);
// The document both write: an element per selected process, its modules and
// its handles inside it when asked for.
void SaveFormDocument(TqxProcessList& list, const TFormTables& tables, TXmlDocument& document);
// After any form: one line on standard error for each selected process
// whose details, modules, or handles' names a table asked for but could not
// read for want of rights; standard output keeps the document alone.
void WriteFormDenials(Os& os, const TqxProcessList& list, const TFormTables& tables);

}  // namespace kvt
