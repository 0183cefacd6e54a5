#pragma once
// Comparing a name with a pattern under one of six methods. A tag at the start
// of the pattern can choose the method, so a user can say on the command line
// how a selector is meant.
#include <cstdint>
#include <string>

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

// Reads an optional method tag, case-sensitive, from the start of Pattern and
// compares Text with the rest of it under that method, or under DefaultMethod
// when Pattern starts with no tag. Throws ERegExprError as MatchByMethod does.
bool MatchText(Os& os, const std::string& text, const std::string& pattern, bool ignoreCase,
               TCompareMethod defaultMethod);

// Compares UTF-8 Text with Pattern under Method, character by character; a
// value outside the six matches nothing. IgnoreCase upper-cases both through
// the system (Os::LCMapStringW), so every letter it folds compares in either
// case; the regular expression uses its own case-insensitive option instead.
// Throws ERegExprError for an expression that cannot be used.
bool MatchByMethod(Os& os, const std::string& text, const std::string& pattern,
                   TCompareMethod method, bool ignoreCase);

}  // namespace kvt
