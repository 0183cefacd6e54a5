#pragma once
// What a machine-readable run reads before it writes: the tables its
// commands ask for, and the rows beyond the list (the hits of /find, the
// endpoints /net keeps, the order of /tree).
#include "processes/endpoint_rows.h"
#include "processes/find.h"
#include "tables/form_tables.h"

namespace kvt {

class TCommandLine;
struct TRunParameters;

// The tables of the commands on Command line, with what the parameters make of them.
TFormTables FormTablesOf(const TCommandLine& commandLine, const TRunParameters& parameters);

// The rows a form writes beyond the list; Tables points at them.
struct TFormRows {
  TFindResult Found;
  TEndpointRows Endpoints;
};
void ReadFormRows(TqxProcessList& list, const TRunParameters& parameters, TFormTables& tables,
                  TFormRows& rows);

}  // namespace kvt
