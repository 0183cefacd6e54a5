#include "matching/wildcard.h"

#include <gtest/gtest.h>

#include <random>
#include <string_view>
#include <vector>

#include "support/utf8.h"

namespace kvt {
namespace {

// The wildcard rules written down as they read, one line each, first rule that
// applies decides; on characters. Exponential on many stars, so only for
// short inputs.
bool RulesMatch(std::u32string_view text, std::u32string_view pattern) {
  if (pattern == U"*") return true;
  if (text.empty()) return pattern.empty();
  if (pattern.empty()) return false;
  if (pattern[0] == U'*')
    return RulesMatch(text, pattern.substr(1)) || RulesMatch(text.substr(1), pattern);
  if (pattern[0] == U'?') return RulesMatch(text.substr(1), pattern.substr(1));
  return pattern[0] == text[0] && RulesMatch(text.substr(1), pattern.substr(1));
}

bool RulesMatch(const std::string& text, const std::string& pattern) {
  return RulesMatch(Utf8CodePoints(text), Utf8CodePoints(pattern));
}

// Texts hold the wildcard characters too: in a text they are plain bytes.
std::vector<std::string> AllStrings(size_t maxLength) {
  std::vector<std::string> all{""};
  for (size_t start = 0; start < all.size(); ++start)
    if (all[start].size() < maxLength)
      for (const char c : {'a', 'b', '*', '?'}) all.push_back(all[start] + c);
  return all;
}

TEST(WildcardMatchTest, EqualsTheRulesOnEveryShortInput) {
  const std::vector<std::string> all = AllStrings(4);
  ASSERT_EQ(all.size(), 341u);
  size_t matches = 0;
  for (const std::string& text : all)
    for (const std::string& pattern : all) {
      const bool expected = RulesMatch(text, pattern);
      ASSERT_EQ(WildcardMatch(text, pattern), expected) << text << " / " << pattern;
      matches += expected;
    }
  EXPECT_GT(matches, 1000u);  // both outcomes are well represented
}

TEST(WildcardMatchTest, EqualsTheRulesOnRandomLongerInputs) {
  std::mt19937 random(20260101);
  const auto randomString = [&](const std::vector<std::string>& alphabet) {
    std::string s;
    for (size_t length = random() % 13; length > 0; --length) s += alphabet[random() % alphabet.size()];
    return s;
  };
  // A small text alphabet makes matches frequent enough to be tested. Its
  // characters take one, two and four bytes (a, a with diaeresis, Deseret yee).
  const std::vector<std::string> letters = {"a", "\xC3\xA4", "\xF0\x90\x90\xB7"};
  std::vector<std::string> wildcards = letters;
  wildcards.insert(wildcards.end(), {"*", "?"});
  size_t matches = 0;
  for (int round = 0; round < 20000; ++round) {
    const std::string text = randomString(letters);
    const std::string pattern = randomString(wildcards);
    const bool expected = RulesMatch(text, pattern);
    ASSERT_EQ(WildcardMatch(text, pattern), expected) << text << " / " << pattern;
    matches += expected;
  }
  EXPECT_GT(matches, 500u);
}

TEST(WildcardMatchTest, ManyStarsTakeNoExponentialTime) {
  std::string pattern;
  for (int i = 0; i < 40; ++i) pattern += "*a";
  // Backtracking would try about 5000^40 splits before giving up.
  EXPECT_FALSE(WildcardMatch(std::string(5000, 'a'), pattern + "*b"));
  EXPECT_TRUE(WildcardMatch(std::string(5000, 'a') + "b", pattern + "*b"));
}

}  // namespace
}  // namespace kvt
