#pragma once
// Boolean term rules such as `svc AND NOT host`: words searched for in a text,
// character for character, joined left to right by AND and OR without precedence.
#include <cstdint>
#include <string>
#include <vector>

namespace kvt {

enum TRuleJoin : uint8_t { rjAnd = 0, rjOr = 1 };

// One term: its hit is whether Term occurs in the text, inverted by Negate, and
// Join says how the hit joins the result of the terms before it.
struct TCompareRuleItem {
  std::string Term;
  bool Negate = false;
  TRuleJoin Join = rjOr;
};

class TCompareRule {
 public:
  // Appends Item and returns its index.
  int Add(TCompareRuleItem item);
  // Raises EListError for an index outside 0 to Count - 1, as Items does.
  void Delete(int index);
  TCompareRuleItem& Items(int index);
  int Count() const { return static_cast<int>(items_.size()); }

  // Replaces the terms with those written in RuleText: blanks separate words,
  // double quotes group a phrase; NOT negates the next term, AND and OR join it.
  // Keywords are known in any letter case.
  void Parse(const std::string& ruleText);
  // Case-sensitive; a rule without terms is false.
  bool Evaluate(const std::string& text) const;

 private:
  bool TermIs(int index, const char* keyword) const;

  std::vector<TCompareRuleItem> items_;
};

}  // namespace kvt
