#include "support/string_list.h"

#include "support/text.h"

namespace kvt {
namespace {

bool NeedsQuotes(const std::string& entry) {
  for (const char c : entry)
    if (static_cast<unsigned char>(c) <= ' ' || c == '"' || c == ',') return true;
  return false;
}

std::string Quoted(const std::string& entry) {
  std::string result = "\"";
  for (const char c : entry) {
    if (c == '"') result += '"';
    result += c;
  }
  return result + '"';
}

}  // namespace

std::string TStringList::Names(int index) const {
  const std::string& entry = (*this)[index];
  const size_t separator = entry.find('=');
  return separator == std::string::npos ? std::string() : entry.substr(0, separator);
}

std::string TStringList::ValueFromIndex(int index) const {
  const std::string& entry = (*this)[index];
  const size_t separator = entry.find('=');
  return separator == std::string::npos ? std::string() : entry.substr(separator + 1);
}

std::string TStringList::Values(const std::string& name) const {
  for (int i = 0; i < Count(); ++i)
    if ((*this)[i].find('=') != std::string::npos && SameTextAscii(Names(i), name))
      return ValueFromIndex(i);
  return std::string();
}

std::string TStringList::CommaText() const {
  if (items_.size() == 1 && items_[0].empty()) return "\"\"";
  std::string result;
  for (size_t i = 0; i < items_.size(); ++i) {
    if (i > 0) result += ',';
    result += NeedsQuotes(items_[i]) ? Quoted(items_[i]) : items_[i];
  }
  return result;
}

}  // namespace kvt
