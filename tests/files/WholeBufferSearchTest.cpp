// The whole-buffer plain and regex searches must find what a search of one line at a time finds:
// the same occurrences, counts, lines and columns, wherever breaks, case variants and odd bytes
// fall.
#include <gtest/gtest.h>

#include <random>
#include <sstream>

#include "files/uFL_SearchReplace.h"
#include "regex/uFL_RegexEngine.h"
#include "regex/uFL_RegexPrefilter.h"
#include "support/uFL_Utils.h"
#include "support/TextBuilders.h"

namespace {

// One line at a time, as the search was first built: both sides upper-cased when case is
// ignored, occurrences taken left to right without overlapping.
std::string LineByLine(const std::string& Bytes, std::string Term, bool CaseSensitive) {
  std::ostringstream Out;
  if (!CaseSensitive) Term = UpperCaseAscii(Term);
  const std::vector<std::string> Lines = SplitTextLines(Bytes);
  int Count = 0;
  for (size_t i = 0; i < Lines.size(); ++i) {
    const std::string Line = CaseSensitive ? Lines[i] : UpperCaseAscii(Lines[i]);
    bool First = true;
    for (size_t P = Line.find(Term); P != std::string::npos; P = Line.find(Term, P + Term.size())) {
      if (First) Out << i << ":" << P + 1 << "-" << P + 1 + Term.size() << " ";
      First = false;
      ++Count;
    }
  }
  Out << "count " << Count;
  return Out.str();
}

std::string Describe(const TSearchOutcome& Found) {
  std::ostringstream Out;
  for (const TLineHit& H : Found.Hits)
    Out << H.Line << ":" << H.Column << "-" << H.EndColumn << " ";
  Out << "count " << Found.Count;
  return Out.str();
}

// The same search over the buffer as a whole and, once a line was touched, line by line.
void ExpectBothWaysAgree(const std::string& Bytes, const std::string& Term, bool CaseSensitive) {
  const std::string Expected = LineByLine(Bytes, Term, CaseSensitive);
  TLines Whole;
  Whole.Assign(std::string(Bytes));
  ASSERT_TRUE(Whole.AllInBuffer());
  EXPECT_EQ(Describe(SearchLines(Whole, {Term, false, CaseSensitive})), Expected)
      << "whole buffer, term [" << Term << "] in [" << Bytes << "]";
  TLines Touched;
  Touched.Assign(std::string(Bytes));
  if (Touched.Count() > 0) Touched.Set(0, Touched.Get(0));
  EXPECT_EQ(Describe(SearchLines(Touched, {Term, false, CaseSensitive})), Expected)
      << "line by line, term [" << Term << "] in [" << Bytes << "]";
}

struct AgreeCase {
  const char* Name;
  std::string Bytes;
  std::string Term;
};

class WholeBufferSearch : public testing::TestWithParam<AgreeCase> {};

TEST_P(WholeBufferSearch, AgreesWithTheLineByLineSearchInBothCases) {
  for (bool CaseSensitive : {true, false})
    ExpectBothWaysAgree(GetParam().Bytes, GetParam().Term, CaseSensitive);
}

INSTANTIATE_TEST_SUITE_P(
    Files, WholeBufferSearch,
    testing::Values(
        AgreeCase{"TermsAtBothEndsWithoutFinalBreak", "ab x ab\r\nab", "ab"},
        AgreeCase{"TermAcrossABreak", "xa\nbx\r\na\rb", "a\nb"},
        AgreeCase{"TermAcrossACrLf", "xa\r\nbx", "a\r\nb"},
        AgreeCase{"CrOnly", "ab\rab\r\rxab\r", "ab"},
        AgreeCase{"LfCrIsTwoBreaks", "a\n\rab\n\r", "ab"},
        AgreeCase{"CaseVariants", "Begin BEGIN\nbegIN\nbeg in\n", "BeGiN"},
        AgreeCase{"AccentsAreBytes", "\xC3\xA9t\xC3\x89 \xE9\xC9\n\xC3\xA9", "\xC3\xA9"},
        AgreeCase{"Latin1Term", "caf\xE9 CAF\xC9\ncaf\xE9", "caf\xE9"},
        AgreeCase{"OverlapsCountOnce", "aaaaa\naaa\r\naa", "aa"},
        AgreeCase{
            "BreaksAroundEveryBlockEdge",
            Repeat("abcdefghijklmno\r\n", 5) + "xyQ\r" + Repeat("abcdefghijklmn\r", 5) + "xyQ",
            "xyQ"},
        AgreeCase{"ManyNearMisses", Repeat("x", 5000) + "xy\n" + Repeat("xX", 3000) + "Xy", "xy"},
        AgreeCase{"RareByteRepeats", "zzz zz\nz", "zz"},
        AgreeCase{"EmptyLines", "\r\n\r\n\n\nq\r\n", "q"}, AgreeCase{"NoHit", "abc\ndef\n", "zz"},
        AgreeCase{"PunctuationOnly", "a := b;\nc:=d;\n", ":="}),
    [](const auto& Info) { return std::string(Info.param.Name); });

// Random buffers over the bytes where the two searches could part: breaks of every kind, both
// cases of a letter, bytes above 127, and terms made of the same bytes.
TEST(WholeBufferSearch, AgreesOnRandomBuffers) {
  std::mt19937 Random(20261207);
  const std::string Alphabet = "aAbB\r\n \xE9\xC3";
  auto Pick = [&](size_t Length) {
    std::string S;
    for (size_t i = 0; i < Length; ++i) S += Alphabet[Random() % Alphabet.size()];
    return S;
  };
  for (int Round = 0; Round < 400; ++Round) {
    const std::string Bytes = Pick(Random() % 80);
    std::string Term = Pick(1 + Random() % 3);
    ExpectBothWaysAgree(Bytes, Term, Round % 2 == 0);
    if (HasFailure()) break;
  }
}

// A regular expression walks the buffer's lines without cutting it: the same as line by line.
TEST(WholeBufferSearch, RegexWalkAgreesOnRandomBuffers) {
  std::mt19937 Random(7);
  const std::string Alphabet = "aAb\r\n \xE9";
  for (int Round = 0; Round < 200; ++Round) {
    std::string Bytes;
    for (size_t i = Random() % 60; i > 0; --i) Bytes += Alphabet[Random() % Alphabet.size()];
    for (const char* Expr : {"^", "a+", "b$", "^$", "\\bab?", "Ab", "(b |a\xE9)", "a\\nb|b\\r"}) {
      TLines Whole, Touched;
      Whole.Assign(std::string(Bytes));
      Touched.Assign(std::string(Bytes));
      if (Touched.Count() > 0) Touched.Set(0, Touched.Get(0));
      const TSearchTerm Term{Expr, true, Round % 2 == 0};
      ASSERT_EQ(Describe(SearchLines(Whole, Term)), Describe(SearchLines(Touched, Term)))
          << Expr << " in [" << Bytes << "]";
    }
  }
}

bool HasPrefilter(const std::string& Expr, bool IgnoreCase) {
  TRegexEngine Engine;
  Engine.SetModifierI(IgnoreCase);
  Engine.SetExpression(Expr);
  Engine.Compile();
  return TRegexPrefilter::Build(Engine).has_value();
}

struct RegexAgreeCase {
  const char* Name;
  std::string Bytes;
  std::string Expr;
  int CaseSensitiveCount;  // what the line-by-line search finds, so the rows are not vacuous
};

class WholeBufferRegexSearch : public testing::TestWithParam<RegexAgreeCase> {};

// Expressions with required literals: the whole-buffer walk runs the matcher only on the lines
// the literal prefilter points at, and must still find what the matcher on every line finds.
TEST_P(WholeBufferRegexSearch, PrefilteredWalkAgreesWithTheLineByLineSearch) {
  const RegexAgreeCase& Case = GetParam();
  for (bool CaseSensitive : {true, false}) {
    ASSERT_TRUE(HasPrefilter(Case.Expr, !CaseSensitive)) << Case.Expr;
    TLines Whole, Touched;
    Whole.Assign(std::string(Case.Bytes));
    Touched.Assign(std::string(Case.Bytes));
    Touched.Set(0, Touched.Get(0));
    const TSearchTerm Term{Case.Expr, true, CaseSensitive};
    const TSearchOutcome Reference = SearchLines(Touched, Term);
    if (CaseSensitive) {
      EXPECT_EQ(Reference.Count, Case.CaseSensitiveCount);
    }
    EXPECT_EQ(Describe(SearchLines(Whole, Term)), Describe(Reference))
        << Case.Expr << (CaseSensitive ? "" : " (case-insensitive)");
  }
}

INSTANTIATE_TEST_SUITE_P(
    Files, WholeBufferRegexSearch,
    testing::Values(
        RegexAgreeCase{"SingleLiteral", "x TODO: a\r\nTODO:TODO:\ntodo: b\n", "TODO:\\s*\\w+", 2},
        RegexAgreeCase{"AlternationInACrOnlyFile", "open a\rfetch\rclose  b\r\rOPEN c",
                       "(open|fetch|close)\\s+\\w+", 2},
        RegexAgreeCase{"InlineCaseInsensitive", "Begin\nBEGIN x begin\nbeg in\n", "(?i)begin", 3},
        RegexAgreeCase{"CrLfFile", "a\r\nfoo bar\r\n\r\nxfoo\r\n", "foo\\w*", 2},
        RegexAgreeCase{"LiteralAtTheBuffersEnd", "end\nabc\nzzz end", "end$", 2},
        RegexAgreeCase{"CandidatesSpanABreak", "a\nb x\na\r\nbx\nqa\nb", "a\\nb|x", 2},
        RegexAgreeCase{"CandidateOnTheLfOfACrLf", "a\r\nb\r\nxb", "\\nb|x", 1},
        RegexAgreeCase{"NoLineHoldsTheLiteral", "abc\ndef\n", "z+y", 0}),
    [](const auto& Info) { return std::string(Info.param.Name); });

TEST(WholeBufferReplace, ChangesOnlyTheLinesWithHits) {
  TLines L;
  L.Assign("one ONE\r\ntwo\none");
  const TSearchOutcome R = ReplaceInLines(L, {"one", false, false}, "1");
  EXPECT_EQ(Describe(R), "0:1-2 2:1-2 count 3");
  EXPECT_EQ(L.Bytes(), "1 1\r\ntwo\n1");
}

}  // namespace
