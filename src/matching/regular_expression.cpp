#include "matching/regular_expression.h"

#include <regex>

#include "support/format.h"
#include "support/utf8.h"

// The engine compiles and searches by recursion whose depth grows with the
// number of automaton states, so the state limit is what keeps a short
// expression such as "(a?){5000}" from overflowing the stack. It is set for
// the whole build, since every unit that instantiates the engine must agree.
#if !defined(_GLIBCXX_REGEX_STATE_LIMIT) || _GLIBCXX_REGEX_STATE_LIMIT > 2000
#error "build with _GLIBCXX_REGEX_STATE_LIMIT of at most 2000"
#endif

namespace kvt {
namespace {

// Nesting depth, and with it the compiler's recursion, is bounded by the
// length in characters; file-name expressions are far shorter.
constexpr size_t kMaxExpressionLength = 1024;

// The engine's texts for these speak of its build settings and modes, which
// mean nothing to the user who typed the expression.
struct TOwnMessage {
  std::regex_constants::error_type Code;
  const char* Text;
};
const TOwnMessage kOwnMessages[] = {
    {std::regex_constants::error_space, "Regular expression too complex."},
    {std::regex_constants::error_complexity, "Back-references are not supported."},
};

std::string MessageOf(const std::regex_error& error) {
  for (const TOwnMessage& own : kOwnMessages)
    if (error.code() == own.Code) return own.Text;
  return error.what();
}

// Character classes (\w, \s, [[:alpha:]] and the word boundaries) hold ASCII
// characters only, as they did when expressions ran on the bytes of the ANSI
// code page, and as they do in the native build. The Windows runtime's wide
// classes would take in every letter of every script and change what an
// expression selects among the names it selected before.
struct TAsciiClassTraits : std::regex_traits<wchar_t> {
  bool isctype(wchar_t c, char_class_type classes) const {
    return c < 0x80 && std::regex_traits<wchar_t>::isctype(c, classes);
  }
};
using TExpression = std::basic_regex<wchar_t, TAsciiClassTraits>;

TExpression Compile(const std::wstring& expression, bool ignoreCase) {
  // __polynomial makes the engine run its automaton breadth-first, in time
  // proportional to text length times states, instead of backtracking, which
  // takes exponential time on expressions such as "(a*)*b".
  auto flags = std::regex::ECMAScript | std::regex_constants::__polynomial;
  if (ignoreCase) flags |= std::regex::icase;
  try {
    return TExpression(expression, flags);
  } catch (const std::regex_error& error) {
    throw ERegExprError(MessageOf(error));
  }
}

}  // namespace

bool RegularExpressionFinds(const std::string& text, const std::string& expression,
                            bool ignoreCase) {
  if (expression.empty()) throw ERegExprError("Empty regular expression");
  if (Utf8CharacterCount(expression) > kMaxExpressionLength)
    throw ERegExprError(Format("Regular expression longer than %d characters",
                               static_cast<int>(kMaxExpressionLength)));
  // On the wide form, so that "." and a bracket take a whole character where
  // wchar_t holds one; where it holds UTF-16, a character outside the Basic
  // Multilingual Plane is two.
  const std::wstring wideExpression = Utf8ToWide(expression);
  // Compiled alone first, so that the expression is judged on its own and
  // cannot close the group it is wrapped in below.
  Compile(wideExpression, ignoreCase);
  // The engine's own search restarts the automaton at every text position,
  // which is quadratic in the text; one anchored pass with a leading "any run"
  // finds the same matches. Anchors and word boundaries still see the whole
  // text, so "^" holds only at its start, as in a search.
  const TExpression anywhere = Compile(L"[\\s\\S]*(?:" + wideExpression + L")", ignoreCase);
  return std::regex_search(Utf8ToWide(text), anywhere, std::regex_constants::match_continuous);
}

}  // namespace kvt
