#pragma once
// Regular expressions of the ECMAScript grammar, as a comparison method.
#include <memory>
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

// An expression compiled once, for comparing with many names. Construction
// throws ERegExprError for an expression that is empty, cannot be compiled or
// is beyond what the matcher takes on.
class TRegularExpression {
 public:
  TRegularExpression(const std::string& expression, bool ignoreCase);
  ~TRegularExpression();
  TRegularExpression(const TRegularExpression&) = delete;
  TRegularExpression& operator=(const TRegularExpression&) = delete;

  // Whether the expression finds a match anywhere in UTF-8 Text (it is
  // anchored only where it says so itself). "." matches one character where
  // the platform's wchar_t holds a code point, one UTF-16 unit where it holds
  // 16 bits. IgnoreCase folds ASCII letters only: the engine folds no other
  // letter on either platform; character classes hold ASCII characters only.
  // Back-references are refused: without them the search time stays
  // polynomial.
  bool FindsIn(const std::string& text) const;

 private:
  struct TCompiled;
  std::unique_ptr<TCompiled> compiled_;
};

}  // namespace kvt
