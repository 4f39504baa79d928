// The line scan shared by both languages: stripping, whole words, headers, keys, marks, helpers.
#include <gtest/gtest.h>

#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "AnalysisTestUtil.h"

namespace {

// ---- Stripping strings and comments -------------------------------------------------------------

struct StripCase {
  const char* Line;
  bool InBlockComment;
  int BlockKind;
  bool InString;
  const char* Work;  // the working line after the strip steps of a line
  bool BlockAfter;
  bool StringAfter;
};

class DelphiStripTest : public ::testing::TestWithParam<StripCase> {};

TEST_P(DelphiStripTest, WorkingLineAndState) {
  const StripCase& C = GetParam();
  TDelphiFile F(nullptr);
  TStripState State{C.InBlockComment, C.BlockKind, C.InString};
  EXPECT_EQ(F.StripLine(C.Line, State), C.Work);
  EXPECT_EQ(State.InBlockComment, C.BlockAfter);
  EXPECT_EQ(State.InString, C.StringAfter);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, DelphiStripTest,
    ::testing::Values(
        StripCase{"X := 'BEGIN'; // END", false, 0, false, "X := ;", false, false},
        StripCase{"S := 'IT''S';", false, 0, false, "S := ;", false, false},
        StripCase{"S := '''';", false, 0, false, "S := ;", false, false},
        StripCase{"A := 'x' + B + 'y';", false, 0, false, "A :=  + B + ;", false, false},
        StripCase{"{ BEGIN", false, 0, false, "", true, false},
        StripCase{"still BEGIN", true, 1, false, "", true, false},
        StripCase{"end of note } X := 1;", true, 1, false, "X := 1;", false, false},
        StripCase{"note *) BEGIN", true, 2, false, "BEGIN", false, false},
        StripCase{"(* { *) X", false, 0, false, "(*", true, false},
        StripCase{"{ NOTE // X }", false, 0, false, "", true, false},
        StripCase{"{ see http://x.y }", false, 0, false, "", true, false},
        StripCase{"A {x} B (* y *) C", false, 0, false, "A B C", false, false},
        StripCase{"A(* x *)B", false, 0, false, "AB", false, false},
        StripCase{"  {x}  Y", false, 0, false, "  Y", false, false},
        // The comment before the first quote goes first, so its quote opens no string.
        StripCase{"{ don't } X := 'a';", false, 0, false, " X := ;", false, false},
        StripCase{"X := 'open", false, 0, false, "X := ", false, true},
        StripCase{"rest' + Y;", false, 0, true, " + Y;", false, false},
        StripCase{"no quote here", false, 0, true, "NO QUOTE HERE", false, true},
        // A line comment also ends a string left open before it.
        StripCase{"X := 1; // 'comment", false, 0, false, "X := 1;", false, false}));

// The rules written out plainly on strings, to hold the scan's own implementation against.
struct TRefState {
  bool InBlock = false;
  int Kind = 0;
  bool InString = false;
};

struct TRefMarks {
  std::string LC, BO, BOA, BC, BCA;
};

std::string RefTrim(const std::string& S) {
  size_t B = 0, E = S.size();
  while (B < E && static_cast<unsigned char>(S[B]) <= ' ') ++B;
  while (E > B && static_cast<unsigned char>(S[E - 1]) <= ' ') --E;
  return S.substr(B, E - B);
}

size_t RefPos(const std::string& S, const std::string& N) {
  return N.empty() ? std::string::npos : S.find(N);
}

void RefStripComments(std::string& W, TRefState& St, const TRefMarks& M) {
  for (;;) {
    if (!RefTrim(W).empty() && !St.InBlock) {
      const size_t P = RefPos(W, M.LC);
      if (P != std::string::npos) {
        W = RefTrim(W.substr(0, P));
        St.InString = false;
      }
    }
    if (St.InBlock) {
      const std::string& Closer = St.Kind == 1 ? M.BC : M.BCA;
      const size_t C = RefPos(W, Closer);
      if (C == std::string::npos) {
        W.clear();
        return;
      }
      W = RefTrim(W.substr(C + Closer.size()));
      St.InBlock = false;
      continue;
    }
    int Kind = 1;
    size_t P = RefPos(W, M.BO);
    if (P == std::string::npos) {
      Kind = 2;
      P = RefPos(W, M.BOA);
    }
    if (P == std::string::npos) return;
    St.Kind = Kind;
    const std::string& Opener = Kind == 1 ? M.BO : M.BOA;
    const std::string& Closer = Kind == 1 ? M.BC : M.BCA;
    const std::string Before = RefTrim(W.substr(0, P));
    const std::string After = RefTrim(W.substr(P + Opener.size()));
    W = Before;
    const size_t C = RefPos(After, Closer);
    if (C != std::string::npos) {
      W += After.substr(C + Closer.size());
      continue;
    }
    St.InBlock = true;
    return;
  }
}

void RefStripStrings(std::string& W, TRefState& St, const TRefMarks& M) {
  size_t P = RefPos(W, M.BO);
  if (P == std::string::npos) P = RefPos(W, M.BOA);
  const size_t Q = W.find('\'');
  if (P != std::string::npos && Q != std::string::npos && P < Q) RefStripComments(W, St, M);
  for (size_t X = W.find("''"); X != std::string::npos; X = W.find("''")) W.erase(X, 2);
  while (W.find('\'') != std::string::npos) {
    const size_t Q1 = W.find('\'');
    if (St.InString) {
      W = W.substr(Q1 + 1);
      St.InString = false;
    } else {
      const size_t Q2 = W.find('\'', Q1 + 1);
      if (Q2 != std::string::npos) {
        W = W.substr(0, Q1) + W.substr(Q2 + 1);
      } else {
        W = W.substr(0, Q1);
        St.InString = true;
      }
    }
  }
}

template <class T>
void CompareWithReference(const std::string& Alphabet, unsigned Seed) {
  T F(nullptr);
  const TRefMarks M{F.LineComment, F.BlockOpen, F.BlockOpenAlt, F.BlockClose, F.BlockCloseAlt};
  std::mt19937 Rng(Seed);
  TRefState St;
  TStripState State;
  for (int Line = 0; Line < 20000; ++Line) {
    std::string Text;
    const size_t Len = Rng() % 24;
    for (size_t i = 0; i < Len; ++i) Text += Alphabet[Rng() % Alphabet.size()];
    std::string W = RefTrim(Text);
    const TRefState Before = St;
    if (!St.InBlock) RefStripStrings(W, St, M);
    RefStripComments(W, St, M);
    ASSERT_EQ(F.StripLine(Text, State), W)
        << "line [" << Text << "] in comment " << Before.InBlock << " kind " << Before.Kind
        << " in string " << Before.InString;
    ASSERT_EQ(State.InBlockComment, St.InBlock) << Text;
    ASSERT_EQ(State.InString, St.InString) << Text;
    if (St.InBlock) {
      ASSERT_EQ(State.BlockKind, St.Kind) << Text;
    }
  }
}

TEST(StripReference, DelphiMarksAgreeWithThePlainRules) {
  CompareWithReference<TDelphiFile>("{}(*) /'AB", 7);
}

TEST(StripReference, OracleMarksAgreeWithThePlainRules) {
  CompareWithReference<TOracleFile>("/*-- 'AB", 11);
}

// ---- Whole words
// ---------------------------------------------------------------------------------

struct WordCase {
  const char* Line;
  const char* Word;
  size_t Position;
};

class FindWordTest : public ::testing::TestWithParam<WordCase> {};

TEST_P(FindWordTest, FirstOccurrenceMustBeWhole) {
  TDelphiFile F(nullptr);
  F.SetWorkLine(GetParam().Line);
  size_t Len = 0;
  EXPECT_EQ(F.FindWord(TNeedle{-1, GetParam().Word}, Len), GetParam().Position);
  EXPECT_EQ(Len, std::string(GetParam().Word).size());
}

INSTANTIATE_TEST_SUITE_P(
    Boundaries, FindWordTest,
    ::testing::Values(WordCase{"begin", "BEGIN", 1}, WordCase{"  x; begin", "BEGIN", 4},
                      WordCase{"BEGINX", "BEGIN", 0}, WordCase{"XBEGIN", "BEGIN", 0},
                      WordCase{"A.BEGIN", "BEGIN", 3}, WordCase{"BEGIN(", "BEGIN", 1},
                      WordCase{")BEGIN;", "BEGIN", 2}, WordCase{"X:=TRUE;BEGIN", "BEGIN", 9},
                      WordCase{"X:=BEGIN", "BEGIN", 0}, WordCase{"A,BEGIN", "BEGIN", 0},
                      WordCase{"A\tBEGIN", "BEGIN", 0}, WordCase{"BEGIN)", "BEGIN", 0},
                      WordCase{"X.BEGIN.Y", "BEGIN", 3},
                      // Only the first occurrence decides.
                      WordCase{"ENDING; END;", "END", 0}, WordCase{"END; ENDING", "END", 1},
                      WordCase{"A", "", 0}));

TEST(FindWord, TracesTheWordAndTheWorkingLine) {
  TTraceCapture Trace;
  TDelphiFile F(nullptr);
  F.SetFileName("/src/u.pas");
  F.SetWorkLine("  if x then begin  ");
  size_t Len;
  EXPECT_EQ(F.FindWord(CodeWord(cwBegin), Len), 11u);
  EXPECT_EQ(Trace.Texts(), std::vector<std::string>{"BEGIN found: IF X THEN BEGIN"});
}

// ---- Routine headers and keys -------------------------------------------------------------------

struct HeaderCase {
  const char* Line;
  const char* Key;  // empty: no routine
  bool IsProcedure;
};

class HeaderTest : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(HeaderTest, NameAndKind) {
  TTempTree Tmp;
  TDelphiFile F(nullptr);
  PrepareFile(F, Tmp, "u.pas", Source({"unit U;", "interface", "implementation", GetParam().Line}));
  ASSERT_TRUE(F.Load());
  F.Analyse(0);
  if (std::string(GetParam().Key).empty()) {
    EXPECT_TRUE(F.Routines.empty());
    return;
  }
  ASSERT_EQ(F.Routines.size(), 1u);
  EXPECT_EQ(F.Routines.begin()->first, GetParam().Key);
  EXPECT_EQ(F.Routines.begin()->second->IsProcedure, GetParam().IsProcedure);
}

INSTANTIATE_TEST_SUITE_P(
    Delphi, HeaderTest,
    ::testing::Values(
        HeaderCase{"procedure TFoo.Bar(A: Integer);", "[0  ] TFOO.BAR", true},
        HeaderCase{"function GetX: Integer;", "[0  ] GETX:", false},
        HeaderCase{"constructor TFoo.Create(AOwner: TComponent);", "[0  ] TFOO.CREATE", true},
        HeaderCase{"destructor TFoo.Destroy;", "[0  ] TFOO.DESTROY", true},
        HeaderCase{"class function TFoo.Make: TFoo;", "[0  ] TFOO.MAKE:", false},
        HeaderCase{"procedure Foo ;", "[0  ] FOO", true}, HeaderCase{"procedure", "[0  ] ", true},
        HeaderCase{"TProc = procedure(X: Integer) of object;", "[0  ] ", true},
        HeaderCase{"function  Max(A, B: Integer): Integer; overload;", "[0  ] MAX", false},
        // The first keyword of the order PROCEDURE, CONSTRUCTOR, DESTRUCTOR, FUNCTION wins.
        HeaderCase{"function F(P: procedure; Q: Integer);", "[0  ] ;", true},
        HeaderCase{"function F(P: procedure);", "[0  ] F", false},
        HeaderCase{"procedures := 1;", "", false}, HeaderCase{"// procedure Commented;", "", false},
        HeaderCase{"S := 'procedure X;';", "", false}));

TEST(RoutineKey, NumberIsLeftAlignedInThreePlaces) {
  EXPECT_EQ(TCodeFile::RoutineKey(0, "TMAINFORM.FORMCREATE"), "[0  ] TMAINFORM.FORMCREATE");
  EXPECT_EQ(TCodeFile::RoutineKey(12, "DOSTUFF"), "[12 ] DOSTUFF");
  EXPECT_EQ(TCodeFile::RoutineKey(999, "X"), "[999] X");
  EXPECT_EQ(TCodeFile::RoutineKey(1000, "X"), "[1000] X");
}

// Twelve routines, each with a finding: results follow the text order of the keys.
TEST(RoutineOrder, ResultsFollowTheKeysPastTenRoutines) {
  std::vector<std::string> Unit = {"unit Many;", "interface", "implementation"};
  for (int i = 0; i < 12; ++i) {
    Unit.push_back("procedure P" + std::to_string(i) + ";");
    Unit.push_back("begin");
    Unit.push_back("  SetComplete;");
    Unit.push_back("end;");
  }
  Unit.push_back("end.");
  std::string Expected = "many.pas\n";
  for (int i : {0, 1, 10, 11, 2, 3, 4, 5, 6, 7, 8, 9})
    Expected += "\tProcedure P" + std::to_string(i) + "\n\t\tSetAbort <> SetComplete\n";
  EXPECT_EQ(CheckSource<TDelphiFile>("many.pas", Source(Unit), CheckBit(coSetAbortComplete)),
            Expected);
}

TEST(CodeItemOrder, ItemsComeInNameOrderWithoutRegardToCase) {
  const std::string Unit = Source({
      "unit Items;",
      "interface",
      "implementation",
      "procedure Run;",
      "begin",
      "  zeta := TObject.Create;",
      "  Alpha := TObject.Create;",
      "  b_2 := TObject.Create;",
      "  B1 := TObject.Create;",
      "  FreeAndNil;",
      "  FreeAndNil(unknown);",
      "end;",
  });
  EXPECT_EQ(CheckSource<TDelphiFile>("items.pas", Unit, CheckBit(coCreateDestroy)),
            "items.pas\n"
            "\tGeneral\n"
            "\t\tALPHA created 1 times and destroyed 0 times\n"
            "\t\tB1 created 1 times and destroyed 0 times\n"
            "\t\tB_2 created 1 times and destroyed 0 times\n"
            // "Unknown" from the bare FreeAndNil and UNKNOWN are one item.
            "\t\tUnknown created 0 times and destroyed 2 times\n"
            "\t\tZETA created 1 times and destroyed 0 times\n");
}

// ---- Comment-only marks and CountWordInCode
// -------------------------------------------------------

TEST(CommentMarks, OnlyLinesOfCommentAreMarked) {
  TTempTree Tmp;
  TDelphiFile F(nullptr);
  PrepareFile(F, Tmp, "m.pas",
              Source({
                  "// header note",    // 0 comment only
                  "unit M;",           // 1 code
                  "",                  // 2 empty: never marked
                  "{ block",           // 3 comment only
                  "  still }",         // 4 comment only
                  "x := 1; { c }",     // 5 code
                  "(* a *) { b }",     // 6 comment only
                  "'' // quote pair",  // 7 the doubled quote goes, then only comment is left
                  "   ",               // 8 blank
              }));
  ASSERT_TRUE(F.Load());
  F.Analyse(0);
  EXPECT_EQ(F.CommentOnly, (std::vector<char>{1, 0, 0, 1, 1, 0, 1, 1, 0}));
}

TEST(CountWordInCode, CountsRawCodeLinesWhereTheFirstOccurrenceIsWhole) {
  TTempTree Tmp;
  TDelphiFile F(nullptr);
  PrepareFile(F, Tmp, "c.pas",
              Source({
                  "procedure TObj.Work;",            // counts
                  "// TObj.Work in a comment line",  // comment only: skipped
                  "  x := 'TObj.Work';",        // strings are not removed: but ' is no boundary
                  "  TObj.Work; // again",      // counts
                  "  MyTObj.Work; TObj.Work;",  // first occurrence is not whole
                  "  y := 1; { TObj.Work }",    // comments are not removed: counts
                  "  (TObj.Work)",              // "(" is no start boundary
              }));
  ASSERT_TRUE(F.Load());
  F.Analyse(0);
  EXPECT_EQ(F.CountWordInCode("TObj.Work"), 3);
  EXPECT_EQ(F.CountWordInCode("x"), 1);
  EXPECT_EQ(F.CountWordInCode(""), 0);
  EXPECT_EQ(F.CountWordsInCode({"TOBJ.WORK", "Y", "TOBJ.WORK", "NOWHERE"}),
            (std::vector<int>{3, 1, 3, 0}));
}

TEST(CountWordInCode, ManyWordsAtOnceAgreeWithOneAtATime) {
  TTempTree Tmp;
  TDelphiFile F(nullptr);
  std::mt19937 Rng(3);
  const char* Parts[] = {"A", "AB", "A.B", "B", " ", ";", "(", ".", "BA", ")"};
  std::vector<std::string> Text;
  for (int i = 0; i < 400; ++i) {
    std::string L;
    for (unsigned n = Rng() % 8; n > 0; --n) L += Parts[Rng() % std::size(Parts)];
    Text.push_back(L);
  }
  PrepareFile(F, Tmp, "r.pas", Source(Text));
  ASSERT_TRUE(F.Load());
  const std::vector<std::string> Words = {"A", "AB", "A.B", "B", "BA", "B.A", "AB.A", "ABA"};
  const std::vector<int> Together = F.CountWordsInCode(Words);
  for (size_t i = 0; i < Words.size(); ++i) {
    int Alone = 0;
    for (int l = 0; l < F.Lines.Count(); ++l) {
      F.Work.Assign(F.Lines[l], true);  // raw, upper-cased, not trimmed
      if (F.HasWord(TNeedle{-1, Words[i]}) > 0) ++Alone;
    }
    EXPECT_EQ(Together[i], Alone) << Words[i];
  }
}

// ---- Helpers of the detections ------------------------------------------------------------------

struct ArgCase {
  const char* Line;
  size_t From;
  const char* Arg;
  const char* WorkAfter;
};

class ParenArgumentTest : public ::testing::TestWithParam<ArgCase> {};

TEST_P(ParenArgumentTest, ArgumentAndCut) {
  TDelphiFile F(nullptr);
  F.SetWorkLine(GetParam().Line);
  bool Removed;
  EXPECT_EQ(F.ParenArgument(GetParam().From, Removed), GetParam().Arg);
  EXPECT_EQ(F.WorkText(), GetParam().WorkAfter);
}

INSTANTIATE_TEST_SUITE_P(Rules, ParenArgumentTest,
                         ::testing::Values(ArgCase{"FREEANDNIL(FOO); FREEANDNIL(BAR);", 1, "FOO",
                                                   " FREEANDNIL(BAR);"},
                                           ArgCase{"X; FREEANDNIL( A.B );", 4, "A.B", "X; "},
                                           ArgCase{"FREEANDNIL;", 1, "Unknown", "FREEANDNIL;"},
                                           ArgCase{"FREEANDNIL(X", 1, "Unknown", "FREEANDNIL(X"},
                                           ArgCase{"FREEANDNIL) (X)", 1, "", "(X)"}));

struct FirstArgCase {
  const char* Line;
  size_t From;
  const char* Arg;
};

class FirstArgumentTest : public ::testing::TestWithParam<FirstArgCase> {};

TEST_P(FirstArgumentTest, Argument) {
  TDelphiFile F(nullptr);
  F.SetWorkLine(GetParam().Line);
  const std::string Before = F.WorkText();
  EXPECT_EQ(F.FirstArgument(GetParam().From), GetParam().Arg);
  EXPECT_EQ(F.WorkText(), Before);
}

INSTANTIATE_TEST_SUITE_P(Rules, FirstArgumentTest,
                         ::testing::Values(FirstArgCase{"A := T.CREATE(SELF);", 14, "SELF"},
                                           FirstArgCase{"A := T.CREATE( NIL , 3);", 14, "NIL"},
                                           FirstArgCase{"A := T.CREATE; B(SELF)", 14, ""},
                                           FirstArgCase{"A := T.CREATE", 14, ""},
                                           FirstArgCase{"A := T.CREATE(APPLICATION", 14,
                                                        "APPLICATION"}));

struct ItemAfterCase {
  const char* Line;
  const char* Word;
  const char* Item;  // nullptr: none (the empty name names nothing)
};

class ItemAfterWordTest : public ::testing::TestWithParam<ItemAfterCase> {};

TEST_P(ItemAfterWordTest, Name) {
  TOracleFile F(nullptr);
  F.SetWorkLine(GetParam().Line);
  TCodeItem* I = F.ItemAfterWord(TNeedle{-1, GetParam().Word});
  if (!GetParam().Item) {
    EXPECT_EQ(I, nullptr);
    return;
  }
  ASSERT_NE(I, nullptr);
  EXPECT_EQ(I->Name, GetParam().Item);
}

INSTANTIATE_TEST_SUITE_P(Rules, ItemAfterWordTest,
                         ::testing::Values(ItemAfterCase{"OPEN C_EMP(10);", "OPEN", "C_EMP"},
                                           ItemAfterCase{"FETCH C_EMP INTO V_ROW;", "FETCH",
                                                         "C_EMP"},
                                           ItemAfterCase{"CLOSE   C_EMP;", "CLOSE", "C_EMP"},
                                           ItemAfterCase{"OPEN PKG.CUR;", "OPEN", "PKG"},
                                           ItemAfterCase{"OPEN C1,C2", "OPEN", "C1"},
                                           ItemAfterCase{"OPEN;", "OPEN", nullptr},
                                           ItemAfterCase{"REOPEN C1;", "OPEN", nullptr},
                                           ItemAfterCase{"OPEN_C1;", "OPEN", nullptr}));

TEST(GetCodeItem, AddsOnceAndTraces) {
  TTraceCapture Trace;
  TDelphiFile F(nullptr);
  F.SetFileName("/x/u.pas");
  TCodeItem* A = F.GetCodeItem("FLIST");
  EXPECT_EQ(F.GetCodeItem("flist"), A);
  EXPECT_EQ(F.CodeItems.size(), 1u);
  EXPECT_EQ(Trace.Texts(), std::vector<std::string>{"CodeItem Added: FLIST"});
}

// ---- Blocks and routines
// ----------------------------------------------------------------------------

// A routine declared in another's declaration part takes its place; the outer body that follows
// is scanned as outside routines.
TEST(RoutineStack, NestedRoutineReplacesTheOuterOne) {
  TTempTree Tmp;
  TDelphiFile F(nullptr);
  PrepareFile(F, Tmp, "n.pas",
              Source({
                  "unit N;",
                  "interface",
                  "implementation",
                  "procedure TOuter.Run;",
                  "  procedure Local;",
                  "  begin",
                  "    SetAbort;",
                  "  end;",
                  "begin",
                  "  SetAbort;",
                  "end;",
                  "procedure Plain; begin SetComplete; end;",
              }));
  ASSERT_TRUE(F.Load());
  F.Analyse(0);
  ASSERT_EQ(F.Routines.size(), 3u);
  const TRoutine* Outer = F.FindRoutine("[0  ] TOUTER.RUN");
  const TRoutine* Local = F.FindRoutine("[1  ] LOCAL");
  const TRoutine* Plain = F.FindRoutine("[2  ] PLAIN;");  // the name is cut at the blank
  ASSERT_TRUE(Outer && Local && Plain);
  EXPECT_FALSE(Outer->SetAbortFound);  // its body was read as outside routines
  EXPECT_TRUE(Local->SetAbortFound);
  EXPECT_EQ(Local->Depth, 0);
  // A routine on one line begins and ends there; its END is counted before the body detections
  // look at the line, so the SETCOMPLETE after it belongs to no routine.
  EXPECT_EQ(Plain->Depth, 0);
  EXPECT_FALSE(Plain->SetCompleteFound);
  EXPECT_FALSE(F.InRoutine);
}

TEST(RoutineStack, DeepNestingGrowsTheStack) {
  TTempTree Tmp;
  TDelphiFile F(nullptr);
  std::vector<std::string> Unit = {"unit D;", "interface", "implementation"};
  // Each routine opens a block and never closes it, so the next one is pushed above it.
  for (int i = 0; i < 250; ++i) Unit.push_back("procedure P" + std::to_string(i) + "(); begin");
  Unit.push_back("SetAbort;");
  PrepareFile(F, Tmp, "d.pas", Source(Unit));
  ASSERT_TRUE(F.Load());
  F.Analyse(0);
  EXPECT_EQ(F.StackTop, 250);
  EXPECT_EQ(F.RoutineStack[250], "[249] P249");
  EXPECT_TRUE(F.FindRoutine("[249] P249")->SetAbortFound);
}

// ---- A failing scan
// --------------------------------------------------------------------------------

class TFailingDelphiFile : public TDelphiFile {
 public:
  using TDelphiFile::TDelphiFile;

 protected:
  void ProcessRoutineLine() override {
    if (WorkText().find("BOOM") != std::string::npos) throw std::runtime_error("scan broke here");
    TDelphiFile::ProcessRoutineLine();
  }
};

TEST(ScanError, EndsTheScanKeepsFindingsAndReportsTheMessage) {
  TTraceCapture Trace;
  TTempTree Tmp;
  TResultTree Tree;
  TFailingDelphiFile F(&Tree);
  PrepareFile(F, Tmp, "f.pas",
              Source({
                  "unit F;",
                  "interface",
                  "implementation",
                  "procedure A;",
                  "begin",
                  "  L := TList.Create;",
                  "  BOOM;",
                  "  L.Free;",
                  "end;",
                  "procedure B;",
                  "begin",
                  "end;",
              }));
  ASSERT_TRUE(F.Load());
  F.Analyse(CheckBit(coCreateDestroy));
  EXPECT_EQ(F.Messages, std::vector<std::string>{"scan broke here"});
  EXPECT_EQ(F.Routines.size(), 1u);
  EXPECT_TRUE(Trace.Has("scan broke here"));
  F.WriteResults();
  EXPECT_EQ(TreeText(Tree, Tmp),
            "f.pas\n"
            "\tErrors\n"
            "\t\tscan broke here\n"
            "\tGeneral\n"
            "\t\tL created 1 times and destroyed 0 times\n");
}

TEST(Reset, ForgetsItemsRoutinesAndDelphiFields) {
  TTempTree Tmp;
  TDelphiFile F(nullptr);
  PrepareFile(F, Tmp, "r.pas",
              Source({"unit R;", "interface", "try except", "implementation", "uses A;",
                      "procedure X;", "begin", "  with TList.Create do Clear;", "end;"}));
  ASSERT_TRUE(F.Load());
  F.Analyse(AllDelphiChecks);
  EXPECT_FALSE(F.CodeItems.empty());
  EXPECT_FALSE(F.Routines.empty());
  EXPECT_EQ(F.ImplementationLine, 3);
  EXPECT_EQ(F.UsesLine, 4);
  EXPECT_TRUE(F.TryFound);
  ASSERT_NE(F.WithItem, nullptr);
  EXPECT_EQ(F.WithItem->Name, "TLIST");
  F.Reset();
  EXPECT_TRUE(F.CodeItems.empty());
  EXPECT_TRUE(F.Routines.empty());
  EXPECT_EQ(F.ImplementationLine, 0);
  EXPECT_EQ(F.UsesLine, 0);
  EXPECT_FALSE(F.TryFound);
  EXPECT_EQ(F.WithItem, nullptr);
  EXPECT_EQ(F.CurrentRoutine(), nullptr);
  EXPECT_FALSE(F.Loaded);
}

}  // namespace
