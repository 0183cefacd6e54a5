#include "files/location_table.h"

#include "os/os.h"

namespace kvt {
namespace {

// A directory read from the registry may itself hold a macro name; it would
// otherwise be expanded into itself for ever. Real texts need one expansion.
constexpr int kMaxExpansions = 64;

}  // namespace

std::string CleanDirectoryValue(const std::string& value) {
  std::string result;
  for (char c : value)
    if (c != '\\' || result.empty() || result.back() != '\\') result += c;
  if (!result.empty() && result.back() == '\\') result.pop_back();
  return result;
}

int TLocationTable::Compare(const std::string& a, const std::string& b) const {
  return os_->CompareStringW(kLocaleUserDefault, kNormIgnoreCase, a.data(),
                             static_cast<int>(a.size()), b.data(), static_cast<int>(b.size())) -
         kCstrEqual;
}

void TLocationTable::Add(const std::string& name, const std::string& directory) {
  TLocation* location = nullptr;
  for (auto& known : locations_) {
    if (Compare(known.Name, name) == 0) {
      location = &known;
      break;
    }
  }
  if (location == nullptr) {
    locations_.push_back({name, {}});
    location = &locations_.back();
  }
  const std::string path = CleanDirectoryValue(directory);
  std::vector<std::string>& paths = location->Paths;
  size_t low = 0;
  size_t high = paths.size();
  while (low < high) {
    const size_t middle = low + (high - low) / 2;
    const int order = Compare(paths[middle], path);
    if (order == 0) return;
    if (order < 0)
      low = middle + 1;
    else
      high = middle;
  }
  paths.insert(paths.begin() + static_cast<std::ptrdiff_t>(low), path);
}

const std::vector<std::string>& TLocationTable::Paths(const std::string& name) const {
  static const std::vector<std::string> kNone;
  for (const auto& location : locations_)
    if (Compare(location.Name, name) == 0) return location.Paths;
  return kNone;
}

bool TLocationTable::FindMacro(const std::string& entry, std::string& macro,
                               size_t& position) const {
  for (const auto& location : locations_) {
    position = entry.find(location.Name);
    if (position != std::string::npos) {
      macro = location.Name;
      return true;
    }
  }
  return false;
}

void TLocationTable::ExpandLocationMacros(const std::string& text, TStringList& list) const {
  std::vector<std::string> entries{text};
  for (int expansion = 0; expansion < kMaxExpansions; ++expansion) {
    // The last entry that still names a macro is expanded, one per round.
    size_t index = entries.size();
    std::string macro;
    size_t position = 0;
    while (index > 0 && !FindMacro(entries[index - 1], macro, position)) --index;
    if (index == 0) break;
    const std::string entry = entries[index - 1];
    entries.erase(entries.begin() + static_cast<std::ptrdiff_t>(index - 1));
    for (const std::string& path : Paths(macro))
      entries.push_back(std::string(entry).replace(position, macro.size(), path));
  }
  for (const std::string& entry : entries) list.Add(entry);
}

}  // namespace kvt
