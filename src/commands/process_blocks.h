#pragma once
// The blocks the per-process commands write: the process's line under its
// header, then a table of what it holds.
#include "app/console_output.h"
#include "processes/process_list.h"

namespace kvt {

// Each block begins with the process's line.
void WriteProcessHead(TqxProcessItem& item, TConsoleOutput& out);

// A process's table under its title, between empty lines; Note, when
// given, follows the rows.
template <typename TItemClass, typename TList>
void WriteTable(const char* title, const char* tmpl, TList& items, TConsoleOutput& out,
                const char* note = nullptr) {
  out.Line("");
  out.Line(title);
  out.Line(TItemClass::FormatHeader(tmpl));
  for (int i = 0; i < items.Count(); ++i) out.Line(items.Items(i).FormatLine(tmpl));
  if (note != nullptr) out.Line(note);
  out.Line("");
}

}  // namespace kvt
