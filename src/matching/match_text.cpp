#include "matching/match_text.h"

#include <cstring>

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

TTextMatcher::TTextMatcher(Os& os, const std::string& pattern, TCompareMethod method,
                           bool ignoreCase)
    : os_(&os), method_(method), ignoreCase_(ignoreCase) {
  if (method == cmRegExpr) {
    expression_ = std::make_unique<TRegularExpression>(pattern, ignoreCase);
    return;
  }
  foldedPattern_ = Folded(pattern);
  if (method == cmBoolRule) rule_.Parse(foldedPattern_);
}

TTaggedPattern SplitMethodTag(const std::string& pattern, TCompareMethod defaultMethod) {
  for (const TMethodTag& entry : kMethodTags) {
    const size_t length = std::strlen(entry.Tag);
    if (pattern.compare(0, length, entry.Tag) == 0) return {entry.Method, pattern.substr(length)};
  }
  return {defaultMethod, pattern};
}

TTextMatcher TTextMatcher::Tagged(Os& os, const std::string& pattern, bool ignoreCase,
                                  TCompareMethod defaultMethod) {
  const TTaggedPattern tagged = SplitMethodTag(pattern, defaultMethod);
  return TTextMatcher(os, tagged.Text, tagged.Method, ignoreCase);
}

// The system's upper case on both sides: a letter of any script it knows a
// case of compares with its other case, as it does in the system's own
// comparisons of names.
std::string TTextMatcher::Folded(const std::string& text) const {
  return ignoreCase_ ? os_->LCMapStringW(kLocaleUserDefault, kLcmapUppercase, text) : text;
}

bool TTextMatcher::Matches(const std::string& text) const {
  if (method_ == cmRegExpr) return expression_->FindsIn(text);
  const std::string foldedText = Folded(text);
  switch (method_) {
    case cmSubstring:
      return ContainsOnCharBoundary(foldedText, foldedPattern_);
    case cmWildcard:
      return WildcardCompare(foldedText, foldedPattern_);
    case cmBoolRule:
      return rule_.Evaluate(foldedText);
    case cmBoyerMoore:
      return HorspoolContains(foldedText, foldedPattern_);
    case cmEqual:
      return foldedText == foldedPattern_;
    default:
      return false;
  }
}

}  // namespace kvt
