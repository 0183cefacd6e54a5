#include "matching/text_search.h"

#include <array>

#include "support/utf8.h"

namespace kvt {

bool ContainsOnCharBoundary(const std::string& text, const std::string& pattern) {
  if (text.empty() || pattern.empty()) return false;
  return Utf8CodePoints(text).find(Utf8CodePoints(pattern)) != std::u32string::npos;
}

bool HorspoolContains(const std::string& textBytes, const std::string& patternBytes) {
  const std::u32string text = Utf8CodePoints(textBytes);
  const std::u32string pattern = Utf8CodePoints(patternBytes);
  const size_t m = pattern.size();
  const size_t n = text.size();
  if (m == 0) return true;
  // One skip entry per value of a character's low byte. Characters that share
  // one take the smallest shift of any of them (the later assignment), which
  // never steps over a match. The last pattern character keeps the full
  // skip: after a mismatch its next occurrence must lie further left.
  const auto slot = [](char32_t c) { return static_cast<size_t>(c & 0xFF); };
  std::array<size_t, 256> skip;
  skip.fill(m);
  for (size_t j = 0; j + 1 < m; ++j) skip[slot(pattern[j])] = m - 1 - j;
  for (size_t end = m; end <= n; end += skip[slot(text[end - 1])]) {
    size_t j = m;
    while (j > 0 && text[end - m + j - 1] == pattern[j - 1]) --j;
    if (j == 0) return true;
  }
  return false;
}

}  // namespace kvt
