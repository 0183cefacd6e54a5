// The command that writes who talks to whom: each selected process's TCP and
// UDP endpoints.
#include "app/texts.h"
#include "commands/command_table.h"
#include "commands/commands.h"
#include "commands/process_blocks.h"
#include "processes/endpoint_rows.h"
#include "tables/endpoint_table.h"
#include "tables/text_views.h"

namespace kvt {
namespace {

// A UDP endpoint or a socket of no service leaves its last columns empty:
// no line ends in their padding.
std::string WithoutTrailingBlanks(std::string line) {
  line.erase(line.find_last_not_of(' ') + 1);
  return line;
}

void WriteEndpoints(const char* title, const std::vector<TEndpointRow>& rows, TConsoleOutput& out) {
  const TTable<TEndpointRow>& table = EndpointTable();
  out.Line("");
  out.Line(title);
  out.Line(AlignedHeader(table));
  for (TEndpointRow row : rows) out.Line(WithoutTrailingBlanks(AlignedLine(table, row)));
  out.Line("");
}

}  // namespace

TEndpointFilter EndpointFilterOf(const TRunParameters& parameters) {
  TEndpointFilter filter;
  filter.ListeningOnly = parameters.ListeningOnly;
  filter.Port = static_cast<uint16_t>(parameters.Port);
  return filter;
}

int RunNetCommand(TCommandRun& run) {
  TqxProcessList& list = run.List;
  TConsoleOutput& out = run.Out;
  const TEndpointRows rows =
      SelectEndpointRows(list, EndpointFilterOf(run.Parameters), !run.Parameters.Selector.Given);
  if (rows.OwnersUnknown) {
    out.Flush();
    WriteErrorLine(list.ProcessContext().Sys, kEndpointOwnersUnknownLine);
    return kExitDone;
  }
  for (TqxProcessItem* process : rows.Processes) {
    WriteProcessHead(*process, out);
    WriteEndpoints("Endpoints:", rows.RowsOf(*process), out);
  }
  if (!rows.Unowned.empty()) WriteEndpoints(kUnownedEndpointsTitle, rows.Unowned, out);
  if (rows.Empty()) {
    out.Line(kNoEndpointsLine);
    out.Line("");
  }
  return kExitDone;
}

}  // namespace kvt
