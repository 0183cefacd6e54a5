#include "support/string_list.h"

#include "support/text.h"

namespace kvt {

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

}  // namespace kvt
