#include "tables/find_table.h"

namespace kvt {
namespace {

using F = TqxFindItem;
using C = TColumn<F>;

}  // namespace

const TTable<TqxFindItem>& FindTable() {
  static const TTable<F> kTable = {
      C().Titled("PID", 6).Form("PID", "ProcessID").Decimal([](F& f) { return f.ProcessID; }),
      C().Titled("Filename", 24).Form("Filename", "Filename").Text([](F& f) { return f.Filename; }),
      C().Titled("Kind", 12).Form("Kind", "Kind").Text([](F& f) { return f.Kind; }),
      C().Titled("Handle", 16).Form("Handle", "Handle").Hex([](F& f) { return f.Handle; }),
      C().Titled("Name").Form("Name", "Name").Text([](F& f) { return f.Name; }),
  };
  return kTable;
}

}  // namespace kvt
