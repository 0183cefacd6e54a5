#pragma once
// A test child holding handles for /handles to list, and the parts of the
// program's /handles output the tests compare.
#include <memory>
#include <string>
#include <vector>

#include "e2e_support.h"

namespace kvt_e2e {

// A child holding the named event Global\<name>, the file C:\<name>.txt and
// an unnamed event, all short enough for the 32-character name column, and
// the library at Library (a path) when one is given.
class THandleHolder {
 public:
  explicit THandleHolder(const std::string& name, const std::string& library = "");
  ~THandleHolder();

  const TChildProcess& Child() const { return *child_; }
  std::string EventName() const { return "\\BaseNamedObjects\\" + name_; }
  std::string FileName() const { return "\\??\\" + file_; }
  std::string FilePath() const { return file_; }

  // Value and granted access of each handle as the child read them from the
  // system's table: the named event, the file, the unnamed event; then the
  // library's base address, with access 0.
  struct TOwnEntry {
    unsigned long long Handle = 0;
    unsigned long Access = 0;
  };
  std::vector<TOwnEntry> OwnEntries() const;

 private:
  std::string name_;
  std::string file_;
  std::string report_;
  std::unique_ptr<TChildProcess> child_;
};

// The head of a process's /handles block, up to the handle header.
std::string HandleBlockHead(const TChildProcess& child);

// The handle rows of the child's block in Out, one text a row.
std::vector<std::string> HandleRows(const std::string& out, const TChildProcess& child);

// A row as the handle template writes it.
std::string HandleRow(unsigned typeNumber, const std::string& typeText, const std::string& name,
                      unsigned long pid, unsigned long long handle, unsigned long access);

}  // namespace kvt_e2e
