#include "tables/tree_table.h"

#include <string>

namespace kvt {
namespace {

using P = TqxProcessItem;
using C = TColumn<P>;

}  // namespace

const TTable<TqxProcessItem>& TreeTable() {
  // The text's line is its indentation, the process and how it was started;
  // a form's row has the rest in its other columns.
  static const TTable<P> kTable = {
      C().Form("Depth", "Depth").Decimal([](P& p) { return static_cast<uint64_t>(p.TreeDepth); }),
      C().Titled("PID").Decimal([](P& p) { return p.ProcessID; }),
      C().Titled("Filename").Text([](P& p) { return p.FilenameOnly(); }),
      C().Titled("Command line").Text([](P& p) { return p.Details.CommandLine; }),
  };
  return kTable;
}

}  // namespace kvt
