#include "matching/match_text.h"

#include <cstring>

#include "matching/compare_rule.h"
#include "matching/regular_expression.h"
#include "matching/text_search.h"
#include "matching/wildcard.h"
#include "support/text.h"

namespace kvt {
namespace {

struct TMethodTag {
  const char* Tag;
  TCompareMethod Method;
};

// Tested in this order; the first tag that starts the pattern decides.
constexpr TMethodTag kMethodTags[] = {
    {"<wc>", cmWildcard},
    {"<substr>", cmSubstring},
    {"<bool>", cmBoolRule},
    {"<regexpr>", cmRegExpr},
    {"<bm>", cmBoyerMoore},
};

}  // namespace

bool MatchText(Os& os, const std::string& text, const std::string& pattern, bool ignoreCase,
               TCompareMethod defaultMethod) {
  for (const TMethodTag& entry : kMethodTags) {
    const size_t length = std::strlen(entry.Tag);
    if (pattern.compare(0, length, entry.Tag) == 0)
      return MatchByMethod(os, text, pattern.substr(length), entry.Method, ignoreCase);
  }
  return MatchByMethod(os, text, pattern, defaultMethod, ignoreCase);
}

bool MatchByMethod(Os& os, const std::string& text, const std::string& pattern,
                   TCompareMethod method, bool ignoreCase) {
  if (method == cmRegExpr) return RegularExpressionFinds(text, pattern, ignoreCase);
  const std::string foldedText = ignoreCase ? AsciiUpperCase(text) : text;
  const std::string foldedPattern = ignoreCase ? AsciiUpperCase(pattern) : pattern;
  switch (method) {
    case cmSubstring:
      return ContainsOnCharBoundary(os, foldedText, foldedPattern);
    case cmWildcard:
      return WildcardCompare(foldedText, foldedPattern);
    case cmBoolRule: {
      TCompareRule rule;
      rule.Parse(foldedPattern);
      return rule.Evaluate(foldedText);
    }
    case cmBoyerMoore:
      return HorspoolContains(foldedText, foldedPattern);
    case cmEqual:
      return foldedText == foldedPattern;
    default:
      return false;
  }
}

}  // namespace kvt
