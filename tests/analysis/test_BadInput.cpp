// Files that are not what the scan hopes for: huge lines, open comments and strings, odd bytes,
// binary and vanished files. Each ends with a result, never a crash or a hang.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "AnalysisTestUtil.h"

namespace {

std::string Repeat(const std::string& Piece, size_t Times) {
  std::string S;
  S.reserve(Piece.size() * Times);
  for (size_t i = 0; i < Times; ++i) S += Piece;
  return S;
}

std::string UnitAround(const std::string& BodyLine) {
  return Source({"unit U;", "interface", "implementation", "procedure T.Run;", "begin", "  Go;",
                 BodyLine, "end;", "end."});
}

// Lines of some megabytes, each holding a word the scan cuts out again and again. Every cut
// must cost about its own length, or these would run for hours.
TEST(HugeLines, ManyCutsOnOneLine) {
  const size_t N = 100000;
  const std::string Line =
      Repeat("begin X := TList.Create; X.Free; FreeAndNil(Y); try Z.Destroy; end; end; ", N);
  EXPECT_EQ(CheckSource<TDelphiFile>("u.pas", UnitAround(Line), CheckBit(coCreateDestroy)),
            "u.pas\n\tGeneral\n\t\tY created 0 times and destroyed " + std::to_string(N) +
                " times\n\t\tZ created 0 times and destroyed " + std::to_string(N) + " times\n");
}

TEST(HugeLines, ManyCommentsAndStringsOnOneLine) {
  const size_t N = 200000;
  // The name of a creation is the one before the line's first ":=".
  const std::string Line = "C := TList.Create; " + Repeat("A := 'x''y' {c} (*d*) + B; ", N);
  EXPECT_EQ(CheckSource<TDelphiFile>("u.pas", UnitAround(Line), CheckBit(coCreateDestroy)),
            "u.pas\n\tGeneral\n\t\tC created 1 times and destroyed 0 times\n");
}

TEST(HugeLines, OneWordWithoutBlanks) {
  const std::string Line = "X := " + std::string(8 << 20, 'Q') + ".Create;";
  EXPECT_EQ(CheckSource<TDelphiFile>("u.pas", UnitAround(Line), CheckBit(coCreateDestroy)),
            "u.pas\n\tGeneral\n\t\tX created 1 times and destroyed 0 times\n");
}

TEST(HugeLines, ManyCursorsOnOneLine) {
  const size_t N = 100000;
  const std::string Body = Repeat("BEGIN OPEN c1; FETCH c1 INTO x; END IF; END LOOP; END; ", N);
  EXPECT_EQ(CheckSource<TOracleFile>("p.sql", Source({"PROCEDURE p IS", "BEGIN", Body, "END;"}),
                                     CheckBit(coOpenFetchClose)),
            "p.sql\n\tGeneral\n\t\tOpen=Fetch=Close does not match for C1\n");
}

TEST(HugeLines, ManyRoutinesUsedInTheUnit) {
  // Every routine's name stands on every line: the count must not ask each line per routine.
  std::vector<std::string> Unit = {"unit U;", "interface", "implementation"};
  std::string Calls;
  for (int i = 0; i < 1000; ++i) Calls += "R" + std::to_string(i) + "; ";
  for (int i = 0; i < 1000; ++i) {
    Unit.push_back("procedure R" + std::to_string(i) + "; begin");
    Unit.push_back("  SetComplete;");
    Unit.push_back(Calls);
    Unit.push_back("end;");
  }
  TTempTree Tmp;
  TDelphiFile F(nullptr);
  PrepareFile(F, Tmp, "u.pas", Source(Unit));
  ASSERT_TRUE(F.Load());
  F.Analyse(CheckBit(coSetAbortComplete));
  ASSERT_EQ(F.Routines.size(), 1000u);
  for (const auto& Entry : F.Routines) ASSERT_TRUE(Entry.second->UsedInUnit) << Entry.first;
}

struct OpenEndCase {
  const char* Title;
  std::vector<std::string> Lines;
  const char* Expected;
};

class OpenEndTest : public ::testing::TestWithParam<OpenEndCase> {};

TEST_P(OpenEndTest, FileEndsInsideSomething) {
  EXPECT_EQ(CheckSource<TDelphiFile>("u.pas", Source(GetParam().Lines), AllDelphiChecks),
            GetParam().Expected)
      << GetParam().Title;
}

INSTANTIATE_TEST_SUITE_P(
    Files, OpenEndTest,
    ::testing::Values(
        OpenEndCase{"block comment never closed",
                    {"unit U;", "interface", "try except", "implementation", "procedure A;",
                     "begin", "  { forgotten", "  X := TList.Create;", "end;"},
                    ""},
        OpenEndCase{
            "alternative block comment never closed",
            {"unit U;", "interface", "try except", "implementation", "(* begin", "end.", "*"},
            ""},
        OpenEndCase{"string never closed swallows the start of the next line",
                    {"unit U;", "interface", "try except", "implementation", "procedure A;",
                     "begin", "  S := 'open", "  X := TList.Create; ' Y := TList.Create;", "end;"},
                    "u.pas\n\tGeneral\n\t\tY created 1 times and destroyed 0 times\n"},
        OpenEndCase{"routine never ended",
                    {"unit U;", "interface", "try except", "implementation", "procedure A;",
                     "begin", "  X := TList.Create;"},
                    "u.pas\n\tGeneral\n\t\tX created 1 times and destroyed 0 times\n"},
        OpenEndCase{"more ENDs than BEGINs",
                    {"unit U;", "interface", "try except", "implementation", "procedure A;",
                     "begin", "end; end; end;", "X := TList.Create;"},
                    ""},
        OpenEndCase{
            "bytes above 127 and control characters",
            {"unit \xc3\x9c\xff;", "interface", "try except", "implementation",
             "procedure \xe4\xf6.\x01\x02;", "begin", "  \xff := T\xfe.Create;\x07", "end;"},
            "u.pas\n\tGeneral\n\t\t\xff created 1 times and destroyed 0 times\n"},
        OpenEndCase{
            "empty file", {}, "u.pas\n\tGeneral\n\t\tNo Try..Except construction found\n"}));

TEST(UnreadableFiles, VanishedFileGetsItsLoadError) {
  TTempTree Tmp;
  TResultTree Tree;
  TDelphiFile F(&Tree);
  F.SetFileName(Tmp.Path("gone.pas"));
  F.FileRec.Size = 10;
  EXPECT_FALSE(F.Load());
  F.Analyse(AllDelphiChecks);
  EXPECT_FALSE(F.AddUnit("X"));
  EXPECT_TRUE(F.WriteResults());
  EXPECT_EQ(TreeText(Tree, Tmp),
            "gone.pas\n\tErrors\n\t\tError loading file: No such file or directory\n");
}

// The kept object goes from a good file to a binary one: nothing of the first file is reported
// for the second, whatever options the first left.
TEST(UnreadableFiles, BinaryAfterAGoodFileReportsOnlyItsError) {
  TTempTree Tmp;
  TResultTree Tree;
  TDelphiFile F(&Tree);
  PrepareFile(F, Tmp, "a.pas",
              Source({"unit A;", "interface", "implementation", "procedure P;", "begin",
                      "  X := TList.Create;", "end;"}));
  ASSERT_TRUE(F.Load());
  F.Analyse(AllDelphiChecks);
  F.WriteResults();
  F.Reset();
  PrepareFile(F, Tmp, "b.pas", std::string("MZ\0\0\x90\x01", 6));
  EXPECT_FALSE(F.Load());
  F.Analyse(AllDelphiChecks);
  F.WriteResults();
  EXPECT_EQ(TreeText(Tree, Tmp),
            "a.pas\n\tGeneral\n\t\tX created 1 times and destroyed 0 times\n"
            "\t\tNo Try..Except construction found\n"
            "b.pas\n\tErrors\n\t\tBinary file, skipped\n");
}

// A second scan of the same loaded file without a Reset in between finds what the first found;
// the WITH item the first scan left points into items the second one frees.
TEST(Rescan, SecondAnalyseOfTheSameFileFindsTheSame) {
  TTempTree Tmp;
  TResultTree Tree;
  TDelphiFile F(&Tree);
  // IMPLEMENTATION on line 0 leaves ImplementationLine 0, so the second scan enters it again.
  PrepareFile(F, Tmp, "w.pas",
              Source({"implementation", "procedure Q;", "begin", "  Free;", "end;", "procedure P;",
                      "begin", "  with TList.Create do Sort;", "end;"}));
  ASSERT_TRUE(F.Load());
  F.Analyse(CheckBit(coCreateDestroy));
  ASSERT_NE(F.WithItem, nullptr);
  F.WriteResults();
  F.Analyse(CheckBit(coCreateDestroy));
  F.WriteResults();
  EXPECT_EQ(TreeText(Tree, Tmp),
            "w.pas\n\tGeneral\n\t\tTLIST created 1 times and destroyed 0 times\n"
            "w.pas\n\tGeneral\n\t\tTLIST created 1 times and destroyed 0 times\n");
}

}  // namespace
