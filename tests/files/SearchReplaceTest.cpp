// Search and replace over the lines of a loaded file: occurrences, case folding, replacement rules,
// empty regex matches, the whole-buffer scan and the trace line.
#include "files/uFL_RegExpWrapper.h"

#include <gtest/gtest.h>

#include "regex/uFL_RegexEngine.h"
#include "files/LoadedFile.h"
#include "support/TextBuilders.h"
#include "support/uFL_Log.h"

namespace {

struct SearchCase {
  const char* Name;
  std::string Text;  // file content
  std::string Term;
  bool Regex;
  bool CaseSensitive;
  int Count;
  std::string Matched;  // flags per line
};

class SearchRules : public ::testing::TestWithParam<SearchCase> {};

TEST_P(SearchRules, CountsAndMarksLines) {
  const SearchCase& C = GetParam();
  TLoadedTextFile F(C.Text);
  ASSERT_TRUE(F.File.Loaded);
  EXPECT_EQ(F.File.Search(C.Term, C.Regex, C.CaseSensitive), C.Count);
  EXPECT_EQ(F.Matched(), C.Matched);
  EXPECT_FALSE(F.File.Changed);
}

INSTANTIATE_TEST_SUITE_P(
    Plain, SearchRules,
    ::testing::Values(
        SearchCase{"NoOverlapAb", "ababab\n", "ab", false, true, 3, "1"},
        SearchCase{"NoOverlapAa", "aaaa\n", "aa", false, true, 2, "1"},
        SearchCase{"CaseFoldsAscii", "BEGIN begin BeGiN\nnothing\n", "Begin", false, false, 3,
                   "10"},
        SearchCase{"CaseSensitiveExact", "BEGIN begin BeGiN\n", "begin", false, true, 1, "1"},
        // é (C3 A9) and É (C3 89) are not folded: only ASCII letters are.
        SearchCase{"AccentsNotFolded", "\xC3\x89t\xC3\xA9\n", "\xC3\xA9", false, false, 1, "1"},
        SearchCase{"AccentsNotFoldedUpper", "\xC3\x89t\n", "\xC3\xA9", false, false, 0, "0"},
        SearchCase{"LinesFiveAndNine", "1\n2\n3\n4\nxx x\n6\n7\n8\nx\n", "x", false, true, 4,
                   "000010001"},
        // A term never reaches across a line end, whatever the line break.
        SearchCase{"NotAcrossLf", "ab\ncd\n", "b\nc", false, true, 0, "00"},
        SearchCase{"NotAcrossCrLf", "ab\r\ncd\r\n", "bc", false, true, 0, "00"},
        SearchCase{"AtLineEdges", "ab\r\nba\rab", "ab", false, true, 2, "101"},
        SearchCase{"HitsOnNeighbouringLines", "xab ab\r\nab\nno\nabab", "ab", false, true, 5,
                   "1101"},
        SearchCase{"TermLongerThanLine", "a\nab\n", "abc", false, true, 0, "00"},
        SearchCase{"EmptyFile", "", "x", false, true, 0, ""}),
    [](const auto& Info) { return std::string(Info.param.Name); });

INSTANTIATE_TEST_SUITE_P(
    Regex, SearchRules,
    ::testing::Values(
        // The expression is not upper-cased: \d keeps its meaning when case is ignored.
        SearchCase{"DigitsIgnoringCase", "abc 123 DEF 45\nnone\n", "\\d+", true, false, 2, "10"},
        SearchCase{"WordIgnoringCase", "BEGIN x\n", "\\bbegin\\b", true, false, 1, "1"},
        SearchCase{"CaseSensitiveRegex", "BEGIN x\n", "begin", true, true, 0, "0"},
        // Every empty match counts and the scan moves on by one character: the lazy repeat
        // matches empty where an x stands (positions 1 and 2), never at the b.
        SearchCase{"EmptyMatchesCounted", "xxb\nb\n", "x*?", true, true, 2, "10"},
        SearchCase{"StartOfEveryLine", "a\n\nb\n", "^", true, true, 3, "111"}),
    [](const auto& Info) { return std::string(Info.param.Name); });

struct ReplaceCase {
  const char* Name;
  std::string Text;
  std::string Term, Replacement;
  bool Regex;
  bool CaseSensitive;
  int Count;
  std::string After;  // lines joined with "|"
};

class ReplaceRules : public ::testing::TestWithParam<ReplaceCase> {};

TEST_P(ReplaceRules, ChangesTheLines) {
  const ReplaceCase& C = GetParam();
  TLoadedTextFile F(C.Text);
  EXPECT_EQ(F.File.Replace(C.Term, C.Replacement, C.Regex, C.CaseSensitive), C.Count);
  EXPECT_EQ(F.Text(), C.After);
  EXPECT_EQ(F.File.Changed, C.Count > 0);
}

INSTANTIATE_TEST_SUITE_P(
    All, ReplaceRules,
    ::testing::Values(
        ReplaceCase{"GrowsWithoutRescanning", "aaa\n", "a", "aa", false, true, 3, "aaaaaa|"},
        ReplaceCase{"ReplacementHoldsTerm", "ab ab\n", "ab", "abab", false, true, 2, "abab abab|"},
        ReplaceCase{"EmptyReplacementDeletes", "xaxbx\n", "x", "", false, true, 3, "ab|"},
        ReplaceCase{"EmptyReplacementThenAdjacent", "xxxx\n", "xx", "", false, true, 2, "|"},
        ReplaceCase{"CaseInsensitiveEveryCase", "XxX\n", "x", "y", false, false, 3, "yyy|"},
        ReplaceCase{"RestKeepsItsCase", "Hello WORLD and World\n", "world", "There", false, false,
                    2, "Hello There and There|"},
        ReplaceCase{"RegexReplacementIsLiteral", "a1b22\n", "(\\d)+", "<\\1>", true, true, 2,
                    "a<\\1>b<\\1>|"},
        ReplaceCase{"RegexIgnoringCaseKeepsClasses", "Ab12cD\n", "[a-z]+", "_", true, false, 2,
                    "_12_|"},
        // An empty match takes the replacement, then the scan skips one character of the line's
        // own text: the inserted text is not searched, and no position is tried twice.
        ReplaceCase{"EmptyMatchesInsertOncePerPosition", "xxb\n", "x*?", "-", true, true, 2,
                    "-x-xb|"},
        ReplaceCase{"PrefixEveryLine", "a\nb\n", "^", "> ", true, true, 2, "> a|> b|"},
        ReplaceCase{"NothingFound", "abc\n", "z", "y", false, true, 0, "abc|"},
        // Many occurrences in one long line, found without regard to case; the text between them
        // keeps its own case.
        ReplaceCase{"LongLineManyOccurrences", Repeat("aB.", 60000) + "Tail\nab\n", "ab", "a",
                    false, false, 60001, Repeat("a.", 60000) + "Tail|a|"},
        // Each "aabb" becomes "aab", which holds the term again across the inserted text: the scan
        // goes on after the inserted text and never looks back.
        ReplaceCase{"LongLineNoRescanOfInsertedText", Repeat("aabb", 40000) + "\n", "ab", "a",
                    false, true, 40000, Repeat("aab", 40000) + "|"}),
    [](const auto& Info) { return std::string(Info.param.Name); });

TEST(SearchReplace, LaterTermsSeeEarlierReplacementsAndFlagsAccumulate) {
  TLoadedTextFile F("one\ntwo\nthree\n");
  EXPECT_EQ(F.File.Replace("one", "zwei", false, true), 1);
  EXPECT_EQ(F.File.Search("two", false, true), 1);
  EXPECT_EQ(F.File.Search("zwei", false, true), 1);
  EXPECT_EQ(F.Matched(), "110");
  // Search after a replacement: the changed line is searched in its new text.
  EXPECT_EQ(F.File.Search("ZWEI", false, false), 1);
  EXPECT_EQ(F.File.Search("one", false, false), 0);
}

TEST(SearchReplace, ResultsShowMatchedLinesAfterReplacement) {
  TLoadedTextFile F("keep\nold text\n");
  F.File.Replace("old", "new", false, true);
  EXPECT_EQ(F.TreeText(), F.Path + "\n\tSearch\n\t\t[Line    2] new text\n");
}

TEST(SearchReplace, FileNotLoadedFindsNothingButTraces) {
  TTraceLines Trace;
  TTraceLog Log(Trace, true);
  const TTraceBinding Bind(Log);
  TLoadedTextFile F(std::string("ab\0cd", 5), "binary.dat");
  F.File.FileRec.Size = 1000;  // recorded size far above the text read
  F.File.LoadFromBytes(F.Bytes);
  ASSERT_FALSE(F.File.Loaded);
  EXPECT_EQ(F.File.Search("ab", false, true), 0);
  EXPECT_EQ(F.File.Replace("ab", "x", false, true), 0);
  EXPECT_FALSE(F.File.Changed);
  ASSERT_GE(Trace.Count(), 2);
  EXPECT_EQ(Trace[Trace.Count() - 2].substr(TraceColumnWidth), "Found 0 occurences of ab");
}

TEST(SearchReplace, TraceNamesTheTermAsGiven) {
  TTraceLines Trace;
  TTraceLog Log(Trace, true);
  const TTraceBinding Bind(Log);
  TLoadedTextFile F("BEGIN begin\n");
  F.File.Search("Begin", false, false);
  ASSERT_GE(Trace.Count(), 1);
  EXPECT_EQ(Trace[Trace.Count() - 1].substr(TraceColumnWidth), "Found 2 occurences of Begin");
}

TEST(SearchReplace, EmptyTermFindsNothing) {
  TLoadedTextFile F("abc\n");
  EXPECT_EQ(F.File.Search("", false, true), 0);
  EXPECT_EQ(F.File.Search("", true, true), 0);
}

// The whole-buffer scan must agree with the line-by-line one, also once lines were edited or
// deleted (the deleted line's text is still in the buffer but belongs to no line).
TEST(SearchReplace, BufferScanAgreesAfterEdits) {
  TLoadedTextFile F("xa\nb x\nxx\nnone\n");
  F.File.Lines.Delete(0);
  F.File.MatchedLines.clear();
  EXPECT_EQ(F.File.Search("x", false, true), 3);
  EXPECT_EQ(F.Matched(), "110");
  F.File.Lines.Set(2, "x here");
  EXPECT_EQ(F.File.Search("X", false, false), 4);
  EXPECT_EQ(F.Matched(), "111");
}

TEST(SearchReplace, RegexThatDoesNotCompileRaisesTheEngineError) {
  TLoadedTextFile F("text\n");
  try {
    F.File.Search("a(", true, true);
    FAIL() << "no error";
  } catch (const ERegexError& E) {
    EXPECT_EQ(E.Code, 103);
    EXPECT_STREQ(E.what(), "Regex(comp): ParseReg Unmatched () (pos 2)");
  }
}

TEST(SearchReplace, BadRegexInAFileWithoutLinesRaisesNothing) {
  TLoadedTextFile F("");
  EXPECT_EQ(F.File.Search("a(", true, true), 0);
}

TEST(FindInLine, PlainAndRegexPositions) {
  int Len = -1;
  EXPECT_EQ(FindInLine("xxabyyab", "ab", 1, Len, false), 3);
  EXPECT_EQ(Len, 2);
  EXPECT_EQ(FindInLine("xxabyyab", "ab", 4, Len, false), 7);
  EXPECT_EQ(FindInLine("xxabyyab", "ab", 8, Len, false), 0);
  EXPECT_EQ(Len, 0);
  EXPECT_EQ(FindInLine("xxABy", "ab", 1, Len, true, true), 3);
  EXPECT_EQ(Len, 2);
  EXPECT_EQ(FindInLine("xxABy", "ab", 1, Len, true, false), 0);
}

}  // namespace
