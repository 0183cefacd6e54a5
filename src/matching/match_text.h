#pragma once
// Comparing names with a pattern under one of six methods.
#include <cstdint>
#include <memory>
#include <string>

#include "matching/compare_rule.h"
#include "matching/regular_expression.h"

namespace kvt {

class Os;

enum TCompareMethod : uint8_t {
  cmSubstring = 0,   // tag "<substr>"
  cmWildcard = 1,    // tag "<wc>"
  cmBoolRule = 2,    // tag "<bool>"
  cmRegExpr = 3,     // tag "<regexpr>"
  cmBoyerMoore = 4,  // tag "<bm>"
  cmEqual = 5,       // no tag
};

// A pattern as the user wrote it: the method its tag names (DefaultMethod
// without one) and the text after the tag.
struct TTaggedPattern {
  TCompareMethod Method;
  std::string Text;
};
// Reads an optional method tag, case-sensitive, from the start of Pattern.
TTaggedPattern SplitMethodTag(const std::string& pattern, TCompareMethod defaultMethod);

// A pattern prepared once (its case folded, its rule parsed, its expression
// compiled) for comparing with many texts. Compares UTF-8 texts with the
// pattern under Method, character by character; a value outside the six
// matches nothing. IgnoreCase upper-cases both through the system
// (Os::LCMapStringW), so every letter it folds compares in either case; the
// regular expression uses its own case-insensitive option instead.
// Construction throws ERegExprError for an expression that cannot be used.
class TTextMatcher {
 public:
  TTextMatcher(Os& os, const std::string& pattern, TCompareMethod method, bool ignoreCase);
  // Reads an optional method tag, case-sensitive, from the start of Pattern
  // and compares under that method, or under DefaultMethod when Pattern starts
  // with no tag, so a user can say on the command line how a pattern is meant.
  static TTextMatcher Tagged(Os& os, const std::string& pattern, bool ignoreCase,
                             TCompareMethod defaultMethod);

  bool Matches(const std::string& text) const;

 private:
  std::string Folded(const std::string& text) const;

  Os* os_;
  TCompareMethod method_;
  bool ignoreCase_;
  std::string foldedPattern_;
  TCompareRule rule_;
  std::unique_ptr<TRegularExpression> expression_;
};

}  // namespace kvt
