#pragma once
#include <string>
#include <vector>

namespace kvt {

// An ordered list of 8-bit texts, the carrier of log lines, snapshot lines and
// version entries. Entries of the form name=value can be looked up by name.
class TStringList {
 public:
  void Add(const std::string& text) { items_.push_back(text); }
  void Clear() { items_.clear(); }
  int Count() const { return static_cast<int>(items_.size()); }
  const std::string& operator[](int index) const { return items_.at(static_cast<size_t>(index)); }
  std::string& operator[](int index) { return items_.at(static_cast<size_t>(index)); }
  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }

  // The text before the entry's first "="; empty when it has none.
  std::string Names(int index) const;
  // The text after the entry's first "="; empty when it has none.
  std::string ValueFromIndex(int index) const;
  // The value of the first entry whose name equals Name, case ignored; empty when none does.
  std::string Values(const std::string& name) const;
  // The entries joined with commas; an entry holding a blank, a control
  // character, a comma or a double quote is quoted, so the line splits back
  // into the same entries. One empty entry gives "" to tell it from no entry.
  std::string CommaText() const;

 private:
  std::vector<std::string> items_;
};

}  // namespace kvt
