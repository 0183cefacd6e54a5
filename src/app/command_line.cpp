#include "app/command_line.h"

#include <algorithm>
#include <cstddef>

#include "os/os.h"
#include "support/text.h"

namespace kvt {
namespace {

bool IsSeparator(char c) {
  const auto code = static_cast<uint8_t>(c);
  return code >= 1 && code <= 32;
}

// Reads the word that starts at I (after separators and skipped quote
// pairs), leaving I just past it; false when the text holds no further word.
bool ReadWord(const std::string& line, size_t& i, std::string& word) {
  const size_t n = line.size();
  for (;;) {
    while (i < n && IsSeparator(line[i])) ++i;
    if (i + 1 < n && line[i] == '"' && line[i + 1] == '"')
      i += 2;
    else
      break;
  }
  if (i >= n) return false;
  word.clear();
  bool quoted = false;
  while (i < n && (quoted || !IsSeparator(line[i]))) {
    const char c = line[i];
    if (c == '"') {
      quoted = !quoted;
      ++i;
      continue;
    }
    word += c;
    ++i;
  }
  return true;
}

}  // namespace

TCommandLine::TCommandLine(Os& os, const std::string& text) : os_(os) {
  // The text ends at its first zero character.
  const std::string line = TextUpToZero(text.data(), text.size());
  size_t i = 0;
  std::string word;
  while (ReadWord(line, i, word)) words_.push_back(word);
  if (words_.empty()) words_.emplace_back();
}

std::string ParametersText(const std::string& text) {
  const std::string line = TextUpToZero(text.data(), text.size());
  size_t i = 0;
  std::string programName;
  ReadWord(line, i, programName);
  return line.substr(i);
}

std::string TCommandLine::Param(int index) const {
  if (index < 0 || index >= static_cast<int>(words_.size())) return std::string();
  return words_[static_cast<size_t>(index)];
}

bool LooksLikeSwitch(const std::string& word) {
  return !word.empty() && (word[0] == '/' || word[0] == '-');
}

bool TCommandLine::IsSwitch(const std::string& word, const std::string& name) const {
  if (!LooksLikeSwitch(word)) return false;
  const std::string rest = word.substr(1);
  return os_.CompareStringW(kLocaleUserDefault, kNormIgnoreCase, rest.c_str(),
                            static_cast<int>(rest.size()), name.c_str(),
                            static_cast<int>(name.size())) == kCstrEqual;
}

bool TCommandLine::HasSwitch(const std::string& name) const { return SwitchCount(name) > 0; }

bool TCommandLine::TakeSwitch(const std::string& name) {
  const auto parameters = words_.begin() + 1;
  const auto kept = std::remove_if(parameters, words_.end(), [&](const std::string& word) {
    return IsSwitch(word, name);
  });
  const bool found = kept != words_.end();
  words_.erase(kept, words_.end());
  return found;
}

std::string TCommandLine::TakeSwitchArgument(const std::string& name) {
  for (size_t i = 1; i + 1 < words_.size(); ++i) {
    if (!IsSwitch(words_[i], name)) continue;
    const std::string argument = words_[i + 1];
    words_.erase(words_.begin() + static_cast<std::ptrdiff_t>(i) + 1);
    return argument;
  }
  return std::string();
}

int TCommandLine::SwitchCount(const std::string& name) const {
  int count = 0;
  for (int i = 1; i <= Count(); ++i)
    if (IsSwitch(words_[static_cast<size_t>(i)], name)) ++count;
  return count;
}

void TCommandLine::InsertParam(int index, const std::string& word) {
  const int at = std::max(1, std::min(index, Count() + 1));
  words_.insert(words_.begin() + at, word);
}

}  // namespace kvt
