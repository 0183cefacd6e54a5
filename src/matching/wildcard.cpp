#include "matching/wildcard.h"

#include <vector>

#include "support/utf8.h"

namespace kvt {
namespace {

bool MatchCharacters(const std::u32string& text, const std::u32string& pattern) {
  // Dynamic programming over the suffixes of both: matches(i, j) is the answer of
  // the recursive rules for text[i..] and pattern[j..]. Row i needs only row
  // i + 1 and its own entry j + 1, so two rows of the pattern's length suffice.
  const size_t n = text.size();
  const size_t m = pattern.size();
  const bool endsInStar = m > 0 && pattern[m - 1] == U'*';
  const auto onlyStarLeft = [&](size_t j) { return endsInStar && j == m - 1; };

  std::vector<char> below(m + 1);  // row i + 1
  std::vector<char> row(m + 1);    // row i
  for (size_t j = 0; j <= m; ++j) row[j] = onlyStarLeft(j) || j == m;  // the text is used up
  for (size_t i = n; i-- > 0;) {
    row.swap(below);
    row[m] = false;  // a used-up pattern cannot take a character
    for (size_t j = m; j-- > 0;) {
      const char32_t p = pattern[j];
      if (onlyStarLeft(j))
        row[j] = true;
      else if (p == U'*')
        row[j] = row[j + 1] || below[j];
      else
        row[j] = (p == U'?' || p == text[i]) && below[j + 1];
    }
  }
  return row[0] != 0;
}

}  // namespace

bool WildcardMatch(const std::string& text, const std::string& pattern) {
  return MatchCharacters(Utf8CodePoints(text), Utf8CodePoints(pattern));
}

bool WildcardCompare(const std::string& text, const std::string& pattern) {
  const std::u32string characters = Utf8CodePoints(pattern);
  if (characters.size() > 1 && characters.front() == U'*' && characters.back() == U'*') {
    const std::u32string inner = characters.substr(1, characters.size() - 2);
    if (inner.find_first_of(U"*?") == std::u32string::npos)
      return !inner.empty() && Utf8CodePoints(text).find(inner) != std::u32string::npos;
  }
  // The empty pattern and "*" need no case of their own: the rules give an
  // empty pattern only the empty text, and "*" every text.
  return MatchCharacters(Utf8CodePoints(text), characters);
}

}  // namespace kvt
