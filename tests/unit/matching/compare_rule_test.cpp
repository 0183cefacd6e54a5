#include "matching/compare_rule.h"

#include <gtest/gtest.h>

#include "support/errors.h"

namespace kvt {
namespace {

// The parsed rule in one line: each term with "&" or "|" for its join and "!"
// when it is negated.
std::string Parsed(const std::string& ruleText) {
  TCompareRule rule;
  rule.Parse(ruleText);
  std::string out;
  for (int i = 0; i < rule.Count(); ++i) {
    const TCompareRuleItem& item = rule.Items(i);
    if (i > 0) out += ' ';
    out += std::string(item.Join == rjAnd ? "&" : "|") + (item.Negate ? "!" : "") + item.Term;
  }
  return out;
}

TEST(CompareRuleParseTest, KeywordsFoldIntoTheTermAfterThem) {
  EXPECT_EQ(Parsed("word1 word2"), "|word1 |word2");
  EXPECT_EQ(Parsed("a AND b"), "|a &b");
  EXPECT_EQ(Parsed("a AND NOT b"), "|a &!b");
  EXPECT_EQ(Parsed("a and not b or c"), "|a &!b |c");  // keywords in any case
  EXPECT_EQ(Parsed("NOT a"), "|!a");
  EXPECT_EQ(Parsed("NOT NOT a"), "|!a");
  EXPECT_EQ(Parsed("a AND AND b"), "|a &b");
}

TEST(CompareRuleParseTest, KeywordsAtTheEdges) {
  EXPECT_EQ(Parsed("AND a"), "|AND |a");  // a leading keyword is a word to search for
  EXPECT_EQ(Parsed("OR a"), "|OR |a");
  EXPECT_EQ(Parsed("a OR"), "|a");
  EXPECT_EQ(Parsed("a AND"), "|a");
  EXPECT_EQ(Parsed("a AND OR"), "|a");
  EXPECT_EQ(Parsed("a NOT"), "|a");
  EXPECT_EQ(Parsed("a OR AND"), "|a |OR");
  EXPECT_EQ(Parsed("NOT"), "");
}

TEST(CompareRuleParseTest, QuotesGroupPhrases) {
  EXPECT_EQ(Parsed("a \"two words\" b"), "|a |two words |b");
  EXPECT_EQ(Parsed("\"\" a"), "|a");
  EXPECT_EQ(Parsed("   "), "");
  EXPECT_EQ(Parsed("x\"y z\"w"), "|xy z |w");  // an opening quote keeps what came before
  EXPECT_EQ(Parsed("\"a  b"), "|a  b");        // an unclosed phrase runs to the end
  EXPECT_EQ(Parsed("a \"AND\" b"), "|a &b");   // quoting does not make a keyword a word
}

TEST(CompareRuleParseTest, ParseReplacesTheTerms) {
  TCompareRule rule;
  rule.Add({"old", true, rjAnd});
  rule.Parse("new");
  ASSERT_EQ(rule.Count(), 1);
  EXPECT_EQ(rule.Items(0).Term, "new");
}

TEST(CompareRuleEvaluateTest, JoinsFromLeftToRightWithoutPrecedence) {
  TCompareRule rule;
  rule.Parse("a OR b AND c");  // ((a OR b) AND c)
  EXPECT_FALSE(rule.Evaluate("a"));
  EXPECT_TRUE(rule.Evaluate("bc"));
  EXPECT_TRUE(rule.Evaluate("ac"));
  rule.Parse("svc AND NOT host");
  EXPECT_TRUE(rule.Evaluate("mysvc.exe"));
  EXPECT_FALSE(rule.Evaluate("svchost.exe"));
  EXPECT_FALSE(rule.Evaluate("Svc.exe"));  // case-sensitive
  rule.Parse("");
  EXPECT_FALSE(rule.Evaluate("anything"));
}

TEST(CompareRuleTest, IndexesOutsideTheRuleRaiseTheListError) {
  TCompareRule rule;
  EXPECT_EQ(rule.Add({"a"}), 0);
  EXPECT_EQ(rule.Add({"b"}), 1);
  EXPECT_THROW(rule.Items(2), EListError);
  EXPECT_THROW(rule.Delete(-1), EListError);
  rule.Delete(0);
  ASSERT_EQ(rule.Count(), 1);
  EXPECT_EQ(rule.Items(0).Term, "b");
}

}  // namespace
}  // namespace kvt
