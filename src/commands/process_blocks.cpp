#include "commands/process_blocks.h"

#include "app/texts.h"

namespace kvt {

void WriteProcessHead(TqxProcessItem& item, TConsoleOutput& out) {
  out.Line("Process:");
  out.Line(TqxProcessItem::FormatHeader(kProcessTemplate));
  out.Line(item.FormatLine(kProcessTemplate));
}

}  // namespace kvt
