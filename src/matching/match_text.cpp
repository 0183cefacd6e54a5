#include "matching/match_text.h"

#include <cstring>

#include "matching/compare_rule.h"
#include "matching/regular_expression.h"
#include "matching/text_search.h"
#include "matching/wildcard.h"
#include "os/os.h"

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
  // The system's upper case on both sides: a letter of any script it knows a
  // case of compares with its other case, as it does in the system's own
  // comparisons of names.
  const auto fold = [&os, ignoreCase](const std::string& value) {
    return ignoreCase ? os.LCMapStringW(kLocaleUserDefault, kLcmapUppercase, value) : value;
  };
  const std::string foldedText = fold(text);
  const std::string foldedPattern = fold(pattern);
  switch (method) {
    case cmSubstring:
      return ContainsOnCharBoundary(foldedText, foldedPattern);
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
