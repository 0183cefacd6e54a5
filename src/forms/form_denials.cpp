#include "forms/output_forms.h"
#include "app/texts.h"
#include "os/os.h"
#include "processes/process_list.h"
#include "support/format.h"

namespace kvt {
namespace {

void Note(Os& os, const char* text, uint32_t processId) {
  const std::string line = Format(text, static_cast<int32_t>(processId)) + "\r\n";
  os.WriteStdErr(line.data(), line.size());
}

}  // namespace

void WriteFormDenials(Os& os, const TqxProcessList& list, const TFormTables& tables) {
  for (const TqxProcessItem* item : list.SelectedItems()) {
    if (tables.Details && item->Details.AnyDenied()) Note(os, kDetailsDeniedNote, item->ProcessID);
    if (tables.Modules && item->ModuleList.ReadDenied)
      Note(os, kModulesDeniedNote, item->ProcessID);
    if (tables.Handles && item->HandleList.NamesDenied)
      Note(os, kHandleNamesDeniedNote, item->ProcessID);
  }
}

}  // namespace kvt
