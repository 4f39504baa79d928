// The literal prefilter: which expressions get one, and that it never rules out a matching line.
#include <gtest/gtest.h>

#include <random>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "regex/uFL_RegexEngine.h"
#include "regex/uFL_RegexPrefilter.h"

namespace {

void Prepare(TRegexEngine& Engine, const char* Expression, const char* Modifiers) {
  uint32_t Flags = Engine.ModifierFlags();
  ASSERT_TRUE(TRegexEngine::ParseModifierLetters(Modifiers, Flags));
  Engine.SetModifierFlags(Flags);
  Engine.SetExpression(Expression);
  Engine.Compile();
}

// ---- Which literals --------------------------------------------------------------------------

struct TLiteralCase {
  const char* Expression;
  const char* Modifiers;
  const char* Literals;  // "a|b" in the expression's order, "none" for no prefilter
};

class PrefilterLiterals : public testing::TestWithParam<TLiteralCase> {};

TEST_P(PrefilterLiterals, AreWhatEveryMatchHolds) {
  const TLiteralCase& Case = GetParam();
  TRegexEngine Engine;
  Prepare(Engine, Case.Expression, Case.Modifiers);
  const auto Filter = TRegexPrefilter::Build(Engine);
  std::string Literals = "none";
  if (Filter) {
    Literals.clear();
    for (const std::string& Literal : Filter->Literals())
      Literals += (Literals.empty() ? "" : "|") + Literal;
  }
  EXPECT_EQ(Literals, Case.Literals) << Case.Expression << " (" << Case.Modifiers << ")";
}

INSTANTIATE_TEST_SUITE_P(
    Table, PrefilterLiterals,
    testing::Values(
        TLiteralCase{"TODO:", "", "TODO:"}, TLiteralCase{"procedure\\s+\\w+", "", "procedure"},
        TLiteralCase{"(open|fetch|close)\\s+\\w+", "i", "open|fetch|close"},
        TLiteralCase{"[A-Z]\\w*List\\b", "", "List"}, TLiteralCase{"(foo|ba(r|z))qux", "", "qux"},
        TLiteralCase{"(foo|ba(r|z))", "", "foo|ba"}, TLiteralCase{"colou?r", "", "colo"},
        TLiteralCase{"(ab){2,3}", "", "ab"}, TLiteralCase{"(ab)+", "", "ab"},
        TLiteralCase{"a b c # note", "x", "abc"},
        // Optional or repeated-from-zero parts, classes alone, back-references and
        // an alternative without a literal give no prefilter.
        TLiteralCase{"(ab)?", "", "none"}, TLiteralCase{"(ab)*", "", "none"},
        TLiteralCase{"(ab){0,3}", "", "none"}, TLiteralCase{"a*", "", "none"},
        TLiteralCase{"[abc]+\\d", "", "none"}, TLiteralCase{"(\\w+) := \\1", "", "none"},
        TLiteralCase{"open|\\d+", "", "none"}, TLiteralCase{"\\x00", "", "none"}));

TEST(Prefilter, NeedsTheProgramOfTheCurrentSettings) {
  TRegexEngine Engine;
  Engine.SetExpression("abc");
  EXPECT_FALSE(TRegexPrefilter::Build(Engine));  // not compiled yet
  Engine.Compile();
  ASSERT_TRUE(TRegexPrefilter::Build(Engine));
  EXPECT_FALSE(TRegexPrefilter::Build(Engine)->Caseless());
  Engine.SetModifierI(true);  // the next search recompiles: the old program says nothing
  EXPECT_FALSE(TRegexPrefilter::Build(Engine));
  Engine.Compile();
  ASSERT_TRUE(TRegexPrefilter::Build(Engine));
  EXPECT_TRUE(TRegexPrefilter::Build(Engine)->Caseless());
}

TEST(Prefilter, FindsTheFirstOccurrenceFromAPosition) {
  TRegexEngine Engine;
  Prepare(Engine, "(open|close)\\(", "i");
  const auto Filter = TRegexPrefilter::Build(Engine);
  ASSERT_TRUE(Filter);
  const std::string_view Buffer = "x OPEN(\nclos\nCLose(";
  EXPECT_EQ(Filter->FindCandidate(Buffer, 0), 2u);
  EXPECT_EQ(Filter->FindCandidate(Buffer, 3), 13u);
  EXPECT_EQ(Filter->FindCandidate(Buffer, 14), std::string_view::npos);
  EXPECT_EQ(Filter->FindCandidate(Buffer, Buffer.size() + 1), std::string_view::npos);
}

TEST(Prefilter, FindsOccurrencesAcrossTheScanWindows) {
  // Four bytes to look for (o, O, c, C): the scan goes window by window.
  TRegexEngine Engine;
  Prepare(Engine, "open|close", "i");
  const auto Filter = TRegexPrefilter::Build(Engine);
  ASSERT_TRUE(Filter);
  for (const size_t At : {size_t(0), size_t(4093), size_t(4095), size_t(4096), size_t(9000)}) {
    std::string Buffer(At, 'x');
    Buffer += "CLoSe";
    Buffer += std::string(50, 'y');
    EXPECT_EQ(Filter->FindCandidate(Buffer, 0), At) << At;
    EXPECT_EQ(Filter->FindCandidate(Buffer, At + 1), std::string_view::npos) << At;
  }
}

// ---- Never rules out a match -----------------------------------------------------------------

// A seeded generator: the same lines on every run.
struct TRandom {
  std::mt19937_64 Engine;
  size_t Below(size_t N) { return size_t(Engine() % N); }
};

struct TPropertyCase {
  const char* Expression;
  const char* Modifiers;
  const char* Vocabulary;  // fragments lines are made of, separated by "|"
};

std::vector<std::string> Split(std::string_view Text) {
  std::vector<std::string> Parts;
  for (size_t From = 0;;) {
    const size_t Bar = Text.find('|', From);
    Parts.emplace_back(Text.substr(From, Bar - From));
    if (Bar == std::string_view::npos) return Parts;
    From = Bar + 1;
  }
}

// A line of fragments, some in another case, some mutated into near misses.
std::string MakeLine(TRandom& Random, const std::vector<std::string>& Vocabulary) {
  static const char* const kGlue[] = {"", " ", "  ", "\t", "_", "(", ".", "x", "9"};
  std::string Line;
  for (size_t n = 1 + Random.Below(5); n > 0; --n) {
    std::string Piece = Vocabulary[Random.Below(Vocabulary.size())];
    for (char& Ch : Piece)
      if (Random.Below(4) == 0 && Ch >= 'a' && Ch <= 'z')
        Ch = char(Ch - 32);
      else if (Random.Below(4) == 0 && Ch >= 'A' && Ch <= 'Z')
        Ch = char(Ch + 32);
    if (!Piece.empty() && Random.Below(6) == 0) {
      const size_t At = Random.Below(Piece.size());
      if (Random.Below(2))
        Piece.erase(At, 1);
      else
        Piece[At] = char('a' + Random.Below(26));
    }
    Line += kGlue[Random.Below(std::size(kGlue))];
    Line += Piece;
  }
  return Line;
}

class PrefilterProperty : public testing::TestWithParam<TPropertyCase> {};

// Over a buffer of generated lines: wherever the engine finds a match in a line, the scan from
// the line's start finds a candidate that starts inside that line.
TEST_P(PrefilterProperty, EveryMatchingLineHasACandidate) {
  const TPropertyCase& Case = GetParam();
  TRegexEngine Engine;
  Prepare(Engine, Case.Expression, Case.Modifiers);
  const auto Filter = TRegexPrefilter::Build(Engine);
  if (!Filter) GTEST_SKIP() << "no prefilter";  // pinned by the literal table
  const std::vector<std::string> Vocabulary = Split(Case.Vocabulary);
  TRandom Random{
      std::mt19937_64(0x2545F4914F6CDD1Dull ^ std::hash<std::string_view>()(Case.Expression))};
  std::string Buffer;
  std::vector<std::pair<size_t, size_t>> Lines;  // start, length
  for (int i = 0; i < 400; ++i) {
    const std::string Line = MakeLine(Random, Vocabulary);
    Lines.emplace_back(Buffer.size(), Line.size());
    Buffer += Line;
    Buffer += Random.Below(3) == 0 ? "\r\n" : "\n";
  }
  int Matching = 0;
  for (const auto& [Start, Length] : Lines) {
    const std::string_view Line(Buffer.data() + Start, Length);
    if (!Engine.ExecPos(Line, 1)) continue;
    ++Matching;
    const size_t Candidate = Filter->FindCandidate(Buffer, Start);
    EXPECT_LT(Candidate, Start + Length) << Case.Expression << " on \"" << Line << "\"";
  }
  // The vocabulary is chosen so that the table exercises matches, not only misses.
  EXPECT_GT(Matching, 10) << Case.Expression;
}

INSTANTIATE_TEST_SUITE_P(
    Table, PrefilterProperty,
    testing::Values(
        TPropertyCase{"TODO:", "", "TODO:|TODO|todo:|x"},
        TPropertyCase{"TODO:", "i", "TODO:|TODO|todo:|x"},
        TPropertyCase{"procedure\\s+\\w+", "", "procedure|procedure |Proc|name|procedur"},
        TPropertyCase{"(open|fetch|close)\\s+\\w+", "", "open |fetch |close |clos|cur|x"},
        TPropertyCase{"(open|fetch|close)\\s+\\w+", "i", "open |fetch |close |clos|cur|x"},
        TPropertyCase{"\\bbegin\\b", "i", "begin|BEGIN|beginning|x"},
        TPropertyCase{"(?i)end;", "", "end;|END;|en;|end"},
        TPropertyCase{"ab(?i)cd", "", "abcd|abCD|ABcd|ab|cd"},
        TPropertyCase{"a(b|c)d", "", "abd|acd|ad|abcd"}, TPropertyCase{"x+y", "", "xy|xxy|y|x"},
        TPropertyCase{"(ab)+c", "", "ab|c|abc|abab"}, TPropertyCase{"(ab){2,3}", "", "ab|abab|a|b"},
        TPropertyCase{"(ab)*cd", "", "ab|cd|abcd|c"},
        TPropertyCase{"colou?r", "", "color|colour|colr|col"},
        TPropertyCase{"\\d+\\.\\d+", "", "1.2|12|.|3.45|7"},
        TPropertyCase{"[A-Z]\\w*List\\b", "", "TList|StringList|List|list|Lis"},
        TPropertyCase{"foo|bar|baz", "i", "foo|BAR|Baz|ba|fo"},
        TPropertyCase{"(foo|ba(r|z))qux", "", "fooqux|barqux|bazqux|qux|ba"},
        TPropertyCase{"a b c", "x", "abc|a b c|ab|c"},
        TPropertyCase{"^\\s*end;", "m", "end;| end;|end|x"},
        TPropertyCase{"(Create|Free|Destroy)\\(", "", "Create(|Free(|Destroy(|Free|("},
        TPropertyCase{"(a|)x", "", "ax|x|a|y"},
        TPropertyCase{"(?i)(open|CLOSE)", "", "open|close|OPEN|Close|clos"},
        TPropertyCase{"(ab|cd){0,2}ef", "", "ab|cd|ef|e"}, TPropertyCase{"'.*?'", "", "'|'a'|''|b"},
        TPropertyCase{"Mc(Donald|Kay)'s", "i", "McDonald's|mckay's|Mc|Kay's|Donald"},
        TPropertyCase{"\\x41B", "i", "ab|AB|a|b"},
        TPropertyCase{"gr\xC3\xBC\xC3\x9F"
                      "e",
                      "i",
                      "gr\xC3\xBC\xC3\x9F"
                      "e|GR\xC3\xBC\xC3\x9F"
                      "E|gr"},
        TPropertyCase{"a.b.c", "-s", "a|b|c|abc|axbxc"},
        TPropertyCase{"(ab){1,2}?c", "", "ab|c|abc|ababc"},
        TPropertyCase{"(?i)x(?-i)Y", "", "xY|XY|xy|Xy"}));

}  // namespace
