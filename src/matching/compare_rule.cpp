#include "matching/compare_rule.h"

#include "matching/text_search.h"
#include "support/errors.h"
#include "support/format.h"
#include "support/text.h"

namespace kvt {
namespace {

std::vector<std::string> SplitTerms(const std::string& ruleText) {
  std::vector<std::string> tokens;
  std::string token;
  const auto endToken = [&] {
    if (!token.empty()) tokens.push_back(token);
    token.clear();
  };
  bool quoted = false;
  for (const char c : ruleText) {
    if (c == '"') {
      // An opening quote keeps what the token already has; a closing one ends it.
      if (quoted) endToken();
      quoted = !quoted;
    } else if (c == ' ' && !quoted) {
      endToken();
    } else {
      token += c;
    }
  }
  endToken();  // also a phrase whose closing quote is missing
  return tokens;
}

}  // namespace

int TCompareRule::Add(TCompareRuleItem item) {
  items_.push_back(std::move(item));
  return Count() - 1;
}

void TCompareRule::Delete(int index) {
  Items(index);
  items_.erase(items_.begin() + index);
}

TCompareRuleItem& TCompareRule::Items(int index) {
  if (index < 0 || index >= Count())
    throw EListError(Format("List index out of bounds (%d)", index));
  return items_[static_cast<size_t>(index)];
}

bool TCompareRule::TermIs(int index, const char* keyword) const {
  return AsciiUpperCase(items_[static_cast<size_t>(index)].Term) == keyword;
}

void TCompareRule::Parse(const std::string& ruleText) {
  items_.clear();
  for (const std::string& token : SplitTerms(ruleText)) Add(TCompareRuleItem{token, false, rjOr});

  // NOT folds into the term after it, right to left, so NOT NOT x still negates
  // x once; a NOT with nothing after it is dropped.
  if (Count() > 0 && TermIs(Count() - 1, "NOT")) Delete(Count() - 1);
  for (int i = Count() - 2; i >= 0; --i) {
    if (!TermIs(i, "NOT")) continue;
    items_[static_cast<size_t>(i) + 1].Negate = true;
    Delete(i);
  }

  // A trailing OR goes, then a trailing AND; "x OR AND" thus keeps its OR as a word.
  if (Count() > 0 && TermIs(Count() - 1, "OR")) Delete(Count() - 1);
  if (Count() > 0 && TermIs(Count() - 1, "AND")) Delete(Count() - 1);

  // AND and OR fold into the term after them. The first term is never a
  // keyword here: a rule may search for the word AND itself by leading with it.
  for (int i = Count() - 2; i >= 1; --i) {
    TRuleJoin join;
    if (TermIs(i, "AND"))
      join = rjAnd;
    else if (TermIs(i, "OR"))
      join = rjOr;
    else
      continue;
    items_[static_cast<size_t>(i) + 1].Join = join;
    Delete(i);
  }
}

bool TCompareRule::Evaluate(const std::string& text) const {
  bool result = false;
  for (const TCompareRuleItem& item : items_) {
    const bool hit = ContainsOnCharBoundary(text, item.Term) != item.Negate;
    result = item.Join == rjAnd ? result && hit : result || hit;
  }
  return result;
}

}  // namespace kvt
