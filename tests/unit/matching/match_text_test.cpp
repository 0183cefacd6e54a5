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

// Names outside the Western code page, in UTF-8: Cyrillic "son", a Chinese
// word of two characters, and Deseret's small and capital letter yee, one
// character each outside the Basic Multilingual Plane.
const char kSonLower[] = "\xD1\x81\xD0\xBE\xD0\xBD";
const char kSonUpper[] = "\xD0\xA1\xD0\x9E\xD0\x9D";
const char kHelper[] = "\xE5\x8A\xA9\xE6\x89\x8B";
const char kYeeLower[] = "\xF0\x90\x90\xB7";
const char kYeeUpper[] = "\xF0\x90\x90\x8F";

constexpr TCompareMethod kFoldingMethods[] = {cmSubstring, cmWildcard, cmBoolRule, cmBoyerMoore,
                                              cmEqual};

TEST_F(MatchTextTest, IgnoringCaseFoldsEveryLetterTheSystemFolds) {
  // Upper and lower case: ASCII, Latin-1 (A and a with diaeresis), Greek sigma,
  // Cyrillic, fullwidth Latin, Deseret.
  const std::pair<std::string, std::string> kPairs[] = {
      {"ABC", "abc"},
      {"\xC3\x84", "\xC3\xA4"},
      {"\xCE\xA3", "\xCF\x83"},
      {kSonUpper, kSonLower},
      {"\xEF\xBC\xA1", "\xEF\xBD\x81"},
      {kYeeUpper, kYeeLower},
  };
  for (const TCompareMethod method : kFoldingMethods) {
    for (const auto& pair : kPairs) {
      EXPECT_TRUE(By(method, pair.first, pair.second, true)) << int(method) << pair.first;
      EXPECT_TRUE(By(method, pair.second, pair.first, true)) << int(method) << pair.first;
      EXPECT_FALSE(By(method, pair.first, pair.second, false)) << int(method) << pair.first;
    }
    EXPECT_FALSE(By(method, "\xC3\x9F", "SS", true)) << int(method);  // sharp s stays one letter
  }
  // The regular expression engine folds A to Z only, in the native build and
  // in both Windows programs; README says so, and this keeps it true.
  EXPECT_TRUE(By(cmRegExpr, "ABC", "abc", true));
  for (const auto& pair : kPairs) {
    if (pair.first != "ABC") {
      EXPECT_FALSE(By(cmRegExpr, pair.first, pair.second, true)) << pair.first;
    }
  }
}

TEST_F(MatchTextTest, NamesOutsideTheWesternCodePageByEveryMethod) {
  const std::string son = std::string(kSonLower) + ".exe";
  const std::string helper = std::string(kHelper) + ".exe";
  const std::string yee = std::string(kYeeLower) + ".exe";
  const struct {
    std::string Pattern;
    std::string Name;
    bool Selected;
  } kCases[] = {
      {"???.exe", son, true},
      {"??.exe", son, false},
      {"????.exe", son, false},
      {std::string(kSonUpper) + ".EXE", son, true},
      {"??.exe", helper, true},
      {"?.exe", helper, false},
      {"?.exe", yee, true},
      {"??.exe", yee, false},
      {std::string(kYeeUpper) + ".EXE", yee, true},
      {"<wc>*\xE6\x89\x8B*", helper, true},
      {"<substr>\xD0\x9E\xD0\x9D.", son, true},
      {"<substr>\xE5\x8A\xA9.", helper, false},
      {"<bm>\xE6\x89\x8B.E", helper, true},
      {"<bm>\xE5\x8A\xA9.", helper, false},
      {std::string("<bool>") + kSonUpper + " AND NOT \xE5\x8A\xA9", son, true},
      {std::string("<bool>") + kSonUpper + " AND NOT \xE5\x8A\xA9", kSonLower + helper, false},
      {std::string("<bool>x OR ") + kYeeUpper, yee, true},
      {"<regexpr>^...\\.exe$", son, true},
      {"<regexpr>^..\\.exe$", helper, true},
      {"<regexpr>^.\\.exe$", helper, false},
      {"<regexpr>^[\xE5\x8A\xA9\xE6\x89\x8B]+\\.EXE$", helper, true},
  };
  for (const auto& c : kCases) EXPECT_EQ(Selects(c.Pattern, c.Name), c.Selected) << c.Pattern;
  // "." is one wchar_t: a whole character where it holds a code point, a
  // UTF-16 unit where it holds 16 bits.
  EXPECT_EQ(Selects("<regexpr>^.\\.exe$", yee), sizeof(wchar_t) == 4);
  EXPECT_EQ(Selects("<regexpr>^..\\.exe$", yee), sizeof(wchar_t) == 2);
}

TEST_F(MatchTextTest, MethodsOutsideTheSixMatchNothing) {
  EXPECT_FALSE(By(static_cast<TCompareMethod>(6), "a", "a"));
  EXPECT_FALSE(By(static_cast<TCompareMethod>(255), "", ""));
  EXPECT_FALSE(MatchText(os, "a", "a", false, static_cast<TCompareMethod>(6)));
}

TEST_F(MatchTextTest, SearchesNeverStartOrEndInsideACharacter) {
  EXPECT_FALSE(By(cmSubstring, "", "a"));
  EXPECT_FALSE(By(cmSubstring, "a", ""));
  // A byte outside any sequence is a character of its own; it never matches
  // the same byte inside a well-formed character.
  for (const TCompareMethod method : {cmSubstring, cmBoolRule, cmBoyerMoore}) {
    EXPECT_FALSE(By(method, "\xC3\xA4", "\xA4")) << int(method);
    EXPECT_FALSE(By(method, "\xC3\xA4", "\xC3")) << int(method);
    EXPECT_TRUE(By(method, "x\xA4", "\xA4")) << int(method);
    EXPECT_TRUE(By(method, "x\xC3\xA4", "\xC3\xA4")) << int(method);
  }
  EXPECT_FALSE(By(cmWildcard, "\xC3\xA4", "*\xA4*"));
  EXPECT_TRUE(By(cmWildcard, "\xC3\xA4", "?"));
  EXPECT_TRUE(By(cmWildcard, "\xE2\x82", "??"));  // a cut sequence: two bytes, two characters
  EXPECT_FALSE(By(cmWildcard, "\xE2\x82", "?"));
}

TEST_F(MatchTextTest, BoyerMooreFindsWhatAPlainSearchFinds) {
  EXPECT_TRUE(By(cmBoyerMoore, "", ""));
  EXPECT_FALSE(By(cmBoyerMoore, "ab", "abc"));
  std::mt19937 random(7);
  // The skip table has one entry per low byte of a character: s with caron
  // (U+0161) and U+1F461 share theirs with "a". On well-formed text a search
  // of the bytes finds what a search of the characters finds.
  const char* const kLetters[] = {"a", "b", "c", "\xC5\xA1", "\xF0\x9F\x91\xA1"};
  const auto randomString = [&](size_t maxLength) {
    std::string s;
    for (size_t length = random() % (maxLength + 1); length > 0; --length)
      s += kLetters[random() % (random() % 4 == 0 ? 5 : 3)];
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

TEST_F(MatchTextTest, RegularExpressionClassesHoldAsciiOnly) {
  // e with acute, Cyrillic s: letters, but not to \w on any build, as they
  // were not when expressions ran on the code page's bytes.
  for (const char* letter : {"\xC3\xA9", "\xD1\x81"}) {
    const std::string name = std::string(letter) + "exe";
    EXPECT_FALSE(By(cmRegExpr, name, "^\\w")) << letter;
    EXPECT_FALSE(By(cmRegExpr, name, "^[[:alpha:]]")) << letter;
    EXPECT_TRUE(By(cmRegExpr, name, "^\\W")) << letter;
    EXPECT_TRUE(By(cmRegExpr, name, "\\bexe")) << letter;
  }
  EXPECT_FALSE(By(cmRegExpr, "\xC2\xA0x", "^\\s"));  // no-break space
  EXPECT_TRUE(By(cmRegExpr, "a b", "a\\sb"));
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
