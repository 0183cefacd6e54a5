#include "tables/text_views.h"

#include <algorithm>

#include "support/utf8.h"

namespace kvt {

const char* const kDeniedText = "Access denied.";

std::string AlignedText(const std::vector<std::string>& texts, const std::vector<size_t>& widths) {
  std::string line;
  for (size_t i = 0; i < texts.size() && i < widths.size(); ++i) {
    if (i > 0) line += "  ";
    line += texts[i];
    const size_t characters = Utf8CharacterCount(texts[i]);
    if (i + 1 < widths.size() && characters < widths[i]) line.append(widths[i] - characters, ' ');
  }
  return line;
}

std::vector<std::string> LabelledLines(
    const std::vector<std::pair<std::string, std::string>>& facts) {
  size_t width = 0;
  for (const auto& fact : facts) width = std::max(width, Utf8CharacterCount(fact.first) + 2);
  std::vector<std::string> lines;
  for (const auto& fact : facts) {
    std::string line = "  " + fact.first + ":";
    if (!fact.second.empty())
      line += std::string(width - Utf8CharacterCount(fact.first) - 1, ' ') + fact.second;
    lines.push_back(line);
  }
  return lines;
}

std::string IndentedText(int depth, std::vector<std::string> texts) {
  while (!texts.empty() && texts.back().empty()) texts.pop_back();
  std::string line(2 * static_cast<size_t>(depth > 0 ? depth : 0), ' ');
  for (size_t i = 0; i < texts.size(); ++i) line += (i > 0 ? "  " : "") + texts[i];
  return line;
}

}  // namespace kvt
