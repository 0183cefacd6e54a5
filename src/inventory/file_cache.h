#pragma once
// What the run learnt about files, by file name: names are compared without
// regard to case. Entries are only added, so a fact of a file is read at most
// once per run, also when the file changes meanwhile.
#include <string>
#include <unordered_map>
#include <utility>

#include "support/text.h"

namespace kvt {

template <typename TFact>
class TFileCache {
 public:
  // The fact stored for FileName, or null.
  const TFact* Find(const std::string& fileName) const {
    const auto found = entries_.find(AsciiUpperCase(fileName));
    return found == entries_.end() ? nullptr : &found->second;
  }
  const TFact& Add(const std::string& fileName, TFact fact) {
    return entries_[AsciiUpperCase(fileName)] = std::move(fact);
  }
  // The fact for FileName, read by Read(FileName) when it is not stored yet.
  template <typename TRead>
  const TFact& FindOrRead(const std::string& fileName, TRead&& read) {
    const TFact* found = Find(fileName);
    return found != nullptr ? *found : Add(fileName, read(fileName));
  }
  int Count() const { return static_cast<int>(entries_.size()); }

 private:
  std::unordered_map<std::string, TFact> entries_;  // by upper-cased name
};

}  // namespace kvt
