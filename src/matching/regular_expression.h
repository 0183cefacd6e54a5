#pragma once
// Regular expressions of the ECMAScript grammar, as a comparison method.
#include <string>

#include "support/errors.h"

namespace kvt {

// A regular expression that is empty, cannot be compiled, or is beyond what
// the matcher takes on; the message says which.
class ERegExprError : public EError {
 public:
  using EError::EError;
  const char* ClassName() const override { return "ERegExprError"; }
};

// Whether Expression finds a match anywhere in UTF-8 Text (it is anchored only
// where it says so itself). "." matches one character where the platform's
// wchar_t holds a code point, one UTF-16 unit where it holds 16 bits. IgnoreCase
// folds ASCII letters only: the engine folds no other letter on either
// platform; character classes hold ASCII characters only. Back-references are
// refused: without them the search time stays polynomial.
bool RegularExpressionFinds(const std::string& text, const std::string& expression,
                            bool ignoreCase);

}  // namespace kvt
