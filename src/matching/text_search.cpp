#include "matching/text_search.h"

#include <array>
#include <cstdint>

#include "os/os.h"

namespace kvt {

bool ContainsOnCharBoundary(Os&, const std::string& text, const std::string& pattern) {
  if (text.empty() || pattern.empty()) return false;
  // A hit at a UTF-8 continuation byte (10xxxxxx) starts inside a character.
  for (size_t at = text.find(pattern); at != std::string::npos; at = text.find(pattern, at + 1))
    if ((static_cast<uint8_t>(text[at]) & 0xC0) != 0x80) return true;
  return false;
}

bool HorspoolContains(const std::string& text, const std::string& pattern) {
  const size_t m = pattern.size();
  const size_t n = text.size();
  if (m == 0) return true;
  std::array<size_t, 256> skip;
  skip.fill(m);
  // The last pattern byte keeps the full skip: after a mismatch its next
  // occurrence must lie further left.
  for (size_t j = 0; j + 1 < m; ++j) skip[static_cast<uint8_t>(pattern[j])] = m - 1 - j;
  for (size_t end = m; end <= n; end += skip[static_cast<uint8_t>(text[end - 1])]) {
    size_t j = m;
    while (j > 0 && text[end - m + j - 1] == pattern[j - 1]) --j;
    if (j == 0) return true;
  }
  return false;
}

}  // namespace kvt
