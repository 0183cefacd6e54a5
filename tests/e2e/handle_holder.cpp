#include "handle_holder.h"

#include <cstdio>
#include <fstream>

#include "inventory/column_template.h"

namespace kvt_e2e {

THandleHolder::THandleHolder(const std::string& name, const std::string& library)
    : name_(name), file_("C:\\" + name + ".txt"), report_("C:\\" + name + ".report") {
  HANDLE file = CreateFileA(file_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  CloseHandle(file);
  DeleteFileA(report_.c_str());
  child_ = std::make_unique<TChildProcess>(
      "kvt_handle_child.exe", "Global\\" + name + " " + file_ + " " + report_ + " " + library);
  // The report is there, whole, once the child has read its table; a child
  // started through the emulator on a busy machine may take seconds.
  for (int i = 0; i < 300 && GetFileAttributesA(report_.c_str()) == INVALID_FILE_ATTRIBUTES; ++i)
    Sleep(50);
}

THandleHolder::~THandleHolder() {
  child_.reset();
  DeleteFileA(file_.c_str());
  DeleteFileA(report_.c_str());
  DeleteFileA((report_ + ".part").c_str());
}

std::vector<THandleHolder::TOwnEntry> THandleHolder::OwnEntries() const {
  std::vector<TOwnEntry> entries;
  std::ifstream report(report_);
  TOwnEntry entry;
  while (report >> std::hex >> entry.Handle >> entry.Access) entries.push_back(entry);
  return entries;
}

std::string HandleBlockHead(const TChildProcess& child) {
  return std::string("Process:\r\n") + kProcessHeader +
         ProcessLine(child.Pid(), GetCurrentProcessId(), child.Path()) + "\r\nHandles:\r\n" +
         kvt_expected::kHandleHeader;
}

std::vector<std::string> HandleRows(const std::string& out, const TChildProcess& child) {
  std::vector<std::string> rows;
  const std::string head = HandleBlockHead(child);
  const size_t at = out.find(head);
  if (at == std::string::npos) return rows;
  const size_t end = out.find("\r\n\r\n", at + head.size() - 2);
  for (size_t row = at + head.size(); row < end; row = out.find("\r\n", row) + 2)
    rows.push_back(out.substr(row, out.find("\r\n", row) - row));
  return rows;
}

std::string HandleRow(unsigned typeNumber, const std::string& typeText, const std::string& name,
                      unsigned long pid, unsigned long long handle, unsigned long access) {
  char row[256];
  std::snprintf(row, sizeof row, "%4u: %-20.20s  %-32.32s  (%4lu)  %s  %s      0", typeNumber,
                typeText.c_str(), name.c_str(), pid, kvt::HexDigits(handle).c_str(),
                kvt::HexDigits(access).c_str());
  return row;
}

}  // namespace kvt_e2e
