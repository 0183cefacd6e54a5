#include "matching/match_text.h"

#include <gtest/gtest.h>

#include <random>

#include "matching/regular_expression.h"
#include "os/fake/fake_os.h"

namespace kvt {
namespace {

class MatchTextTest : public ::testing::Test {
 protected:
  // The way the file-name selector asks: case ignored, wildcards by default.
  bool Selects(const std::string& pattern, const std::string& name) {
    return MatchText(os, name, pattern, true, cmWildcard);
  }
  bool By(TCompareMethod method, const std::string& text, const std::string& pattern,
          bool ignoreCase = false) {
    return MatchByMethod(os, text, pattern, method, ignoreCase);
  }
  FakeOs os;
};

TEST_F(MatchTextTest, PlainNamesMatchWholeNamesInAnyCase) {
  EXPECT_TRUE(Selects("notepad.exe", "NOTEPAD.EXE"));
  EXPECT_TRUE(Selects("notepad.exe", "Notepad.exe"));
  EXPECT_FALSE(Selects("notepad.exe", "notepad.exe.bak"));
  EXPECT_FALSE(Selects("notepad.exe", "my notepad.exe"));
}

TEST_F(MatchTextTest, WildcardPatterns) {
  EXPECT_TRUE(Selects("note*", "notepad.exe"));
  EXPECT_FALSE(Selects("note*", "denote.exe"));
  EXPECT_TRUE(Selects("*pad*", "NotePad.exe"));
  EXPECT_TRUE(Selects("*a?c*", "xabcx"));
  EXPECT_TRUE(Selects("*a?c*", "abc"));
  EXPECT_TRUE(Selects("a?c", "abc"));
  EXPECT_FALSE(Selects("a?c", "ac"));
  EXPECT_FALSE(Selects("**", "a"));
  EXPECT_FALSE(Selects("**", ""));
  EXPECT_TRUE(Selects("a**", "ab"));
  EXPECT_FALSE(Selects("a**", "a"));
  EXPECT_TRUE(Selects("a*", "a"));
  EXPECT_TRUE(Selects("", ""));
  EXPECT_FALSE(Selects("", "a"));
}

TEST_F(MatchTextTest, TagsOnlyExactAndOnlyAtTheStart) {
  EXPECT_TRUE(Selects("<substr>pad", "notepad.exe"));
  EXPECT_FALSE(Selects("<SUBSTR>pad", "notepad.exe"));  // no tag: a wildcard pattern
  EXPECT_TRUE(Selects("<SUBSTR>pad", "<substr>PAD"));
  EXPECT_FALSE(Selects("x<substr>pad", "notepad.exe"));
  EXPECT_TRUE(Selects("<wc><bm>x", "<BM>X"));  // one tag is read, the next is text
  EXPECT_TRUE(Selects("<bm>PAD", "notepad.exe"));
  EXPECT_TRUE(Selects("<bool>svc AND NOT host", "mysvc.exe"));
  EXPECT_FALSE(Selects("<bool>svc AND NOT host", "svchost.exe"));
  EXPECT_TRUE(Selects("<regexpr>^n.*d\\.", "notepad.exe"));
  EXPECT_TRUE(Selects("<wc>*.exe", "a.EXE"));
  // The default method is the caller's.
  EXPECT_TRUE(MatchText(os, "a*", "a*", false, cmEqual));
  EXPECT_FALSE(MatchText(os, "ab", "a*", false, cmEqual));
}

TEST_F(MatchTextTest, TagAlonePatterns) {
  for (const char* name : {"", "a.exe"}) {
    EXPECT_FALSE(Selects("<substr>", name)) << name;
    EXPECT_FALSE(Selects("<bool>", name)) << name;
    EXPECT_TRUE(Selects("<bm>", name)) << name;
  }
  EXPECT_TRUE(Selects("<wc>", ""));
  EXPECT_FALSE(Selects("<wc>", "a.exe"));
  EXPECT_THROW(Selects("<regexpr>", "a.exe"), ERegExprError);
}

TEST_F(MatchTextTest, CaseFoldsAsciiLettersOnly) {
  // 0xE4 and 0xC4 are a lower and an upper letter in the Western code pages.
  for (const TCompareMethod method : {cmSubstring, cmWildcard, cmBoolRule, cmRegExpr,
                                      cmBoyerMoore, cmEqual}) {
    EXPECT_TRUE(By(method, "ABC", "abc", true)) << int(method);
    EXPECT_FALSE(By(method, "ABC", "abc", false)) << int(method);
    EXPECT_FALSE(By(method, "\xC4", "\xE4", true)) << int(method);
    EXPECT_TRUE(By(method, "x\xC4", "X\xC4", true)) << int(method);
  }
}

TEST_F(MatchTextTest, MethodsOutsideTheSixMatchNothing) {
  EXPECT_FALSE(By(static_cast<TCompareMethod>(6), "a", "a"));
  EXPECT_FALSE(By(static_cast<TCompareMethod>(255), "", ""));
  EXPECT_FALSE(MatchText(os, "a", "a", false, static_cast<TCompareMethod>(6)));
}

TEST_F(MatchTextTest, SubstringNeverStartsInsideACharacter) {
  EXPECT_FALSE(By(cmSubstring, "", "a"));
  EXPECT_FALSE(By(cmSubstring, "a", ""));
  EXPECT_TRUE(By(cmSubstring, "x\xD0\xA1", "\xD0\xA1"));
  // A stray continuation byte in a pattern never matches the tail of a character.
  EXPECT_FALSE(By(cmSubstring, "\xD0\xA1", "\xA1"));
}

TEST_F(MatchTextTest, BoyerMooreFindsWhatAPlainSearchFinds) {
  EXPECT_TRUE(By(cmBoyerMoore, "", ""));
  EXPECT_FALSE(By(cmBoyerMoore, "ab", "abc"));
  std::mt19937 random(7);
  const auto randomString = [&](size_t maxLength) {
    std::string s(random() % (maxLength + 1), ' ');
    for (char& c : s) c = "abc"[random() % 3];
    return s;
  };
  int found = 0;
  for (int round = 0; round < 20000; ++round) {
    const std::string text = randomString(12);
    const std::string pattern = randomString(4);
    const bool expected = text.find(pattern) != std::string::npos;
    ASSERT_EQ(By(cmBoyerMoore, text, pattern), expected) << text << " / " << pattern;
    found += expected;
  }
  EXPECT_GT(found, 5000);
  EXPECT_LT(found, 15000);
}

TEST_F(MatchTextTest, EqualComparesWholeTexts) {
  EXPECT_TRUE(By(cmEqual, "", ""));
  EXPECT_TRUE(By(cmEqual, "a*", "a*"));
  EXPECT_FALSE(By(cmEqual, "ab", "a"));
}

TEST_F(MatchTextTest, RegularExpressionsSearchAnywhereUnlessAnchored) {
  EXPECT_TRUE(By(cmRegExpr, "notepad.exe", "pad"));
  EXPECT_TRUE(By(cmRegExpr, "notepad.exe", "^note"));
  EXPECT_FALSE(By(cmRegExpr, "notepad.exe", "^pad"));
  EXPECT_TRUE(By(cmRegExpr, "notepad.exe", "exe$"));
  EXPECT_FALSE(By(cmRegExpr, "notepad.exe", "pad$"));
  EXPECT_FALSE(By(cmRegExpr, "notepad", "\\bpad"));
  EXPECT_TRUE(By(cmRegExpr, "note pad", "\\bpad"));
  EXPECT_TRUE(By(cmRegExpr, "xb", "^a|b$"));  // the alternation spans the whole expression
  EXPECT_TRUE(By(cmRegExpr, "line1\nline2", "line2"));  // "." would stop at a line break
}

TEST_F(MatchTextTest, RegularExpressionErrors) {
  EXPECT_THROW(By(cmRegExpr, "a", ""), ERegExprError);
  EXPECT_THROW(By(cmRegExpr, "a", "("), ERegExprError);
  EXPECT_THROW(By(cmRegExpr, "ab", "a)(?:b"), ERegExprError);  // cannot escape its group
  // The engine's own words where they are plain; the program's where they
  // would speak of the engine's settings.
  const struct {
    const char* Expression;
    const char* Message;
  } kMessages[] = {
      {"[a", nullptr},
      {"(a)\\1", "Back-references are not supported."},
      {"(a?){5000}b", "Regular expression too complex."},
  };
  for (const auto& expected : kMessages) {
    try {
      By(cmRegExpr, "aa", expected.Expression);
      ADD_FAILURE() << "no error for " << expected.Expression;
    } catch (const ERegExprError& error) {
      EXPECT_STREQ(error.ClassName(), "ERegExprError");
      EXPECT_EQ(std::string(error.what()).find("_GLIBCXX"), std::string::npos) << error.what();
      if (expected.Message) {
        EXPECT_STREQ(error.what(), expected.Message);
      }
    }
  }
}

TEST_F(MatchTextTest, RegularExpressionsCannotExhaustStackOrTime) {
  // Each of these overflows the stack or runs for hours in a backtracking engine.
  EXPECT_THROW(By(cmRegExpr, "aaaa", "(a?){5000}b"), ERegExprError);
  EXPECT_THROW(By(cmRegExpr, "a", std::string(1025, 'a')), ERegExprError);
  EXPECT_TRUE(By(cmRegExpr, std::string(1024, 'a'), std::string(1024, 'a')));
  EXPECT_TRUE(By(cmRegExpr, "a", std::string(511, '(') + "a" + std::string(511, ')')));
  EXPECT_FALSE(By(cmRegExpr, std::string(5000, 'a'), "(a*)*b"));
  EXPECT_FALSE(By(cmRegExpr, std::string(20000, 'a'), "(a|b)*c"));
}

}  // namespace
}  // namespace kvt
