// Adding a unit to the second uses clause: the three outcomes, the bytes written, the questions.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "AnalysisTestUtil.h"

namespace {

struct TAddUnitRun {
  bool Added;
  bool Saved;
  std::string Bytes;    // the file after the action
  std::string Results;  // the results tree
};

// The add-unit action on one file, in the order the driver uses.
TAddUnitRun AddUnitTo(const std::string& Bytes, const std::string& UnitName, bool NoConfirm = true,
                      TConfirmOverwrite Confirm = nullptr, int Attr = 32) {
  TTempTree Tmp;
  TResultTree Tree;
  TDelphiFile F(&Tree);
  PrepareFile(F, Tmp, "u.pas", Bytes);
  F.FileRec.Attr = Attr;
  F.ConfirmOverwrite = std::move(Confirm);
  F.Load();
  F.Analyse(0);
  TAddUnitRun R;
  R.Added = F.AddUnit(UnitName);
  R.Saved = F.SaveChanges(NoConfirm);
  F.WriteResults();
  R.Bytes = Tmp.Read("u.pas");
  R.Results = TreeText(Tree, Tmp);
  return R;
}

struct AddCase {
  const char* Title;
  std::string Before;
  std::string After;  // equal to Before when nothing is written
  const char* Error;  // empty when the unit was added
};

class AddUnitTest : public ::testing::TestWithParam<AddCase> {};

TEST_P(AddUnitTest, BytesAndFindings) {
  const AddCase& C = GetParam();
  const TAddUnitRun R = AddUnitTo(C.Before, "MyUnit");
  const bool Added = std::string(C.Error).empty();
  EXPECT_EQ(R.Added, Added) << C.Title;
  EXPECT_EQ(R.Saved, Added) << C.Title;
  EXPECT_EQ(R.Bytes, C.After) << C.Title;
  EXPECT_EQ(R.Results, Added ? "" : "u.pas\n\tErrors\n\t\t" + std::string(C.Error) + "\n")
      << C.Title;
}

INSTANTIATE_TEST_SUITE_P(
    Outcomes, AddUnitTest,
    ::testing::Values(
        AddCase{"the clause's list goes on after the unit",
                "unit U;\ninterface\nuses Classes;\nimplementation\nuses Windows, SysUtils;\n"
                "procedure A;\nbegin\nend;\nend.\n",
                "unit U;\ninterface\nuses Classes;\nimplementation\nuses MyUnit, Windows, "
                "SysUtils;\nprocedure A;\nbegin\nend;\nend.\n",
                ""},
        AddCase{"case and spacing of the line are kept",
                "unit U;\r\ninterface\r\nimplementation\r\n  USES   Classes ; // two\r\nend.\r\n",
                "unit U;\r\ninterface\r\nimplementation\r\n  USES MyUnit,   Classes ; // "
                "two\r\nend.\r\n",
                ""},
        AddCase{"a line holding only uses",
                "unit U;\ninterface\nimplementation\n\nuses\n  Windows,\n  SysUtils;\nend.\n",
                "unit U;\ninterface\nimplementation\n\nuses MyUnit,\n  Windows,\n  "
                "SysUtils;\nend.\n",
                ""},
        AddCase{"a unit already listing it gets it again",
                "unit U;\ninterface\nimplementation\nuses MyUnit;\nend.\n",
                "unit U;\ninterface\nimplementation\nuses MyUnit, MyUnit;\nend.\n", ""},
        AddCase{"no second uses clause: three lines after IMPLEMENTATION",
                "unit U;\ninterface\nuses Classes;\nimplementation\nprocedure A;\nbegin\nend;\n"
                "end.\n",
                "unit U;\ninterface\nuses Classes;\nimplementation\n\nuses\n  MyUnit;\n"
                "procedure A;\nbegin\nend;\nend.\n",
                ""},
        AddCase{"the file's CR LF breaks stay, and a last line stays without one",
                "unit U;\r\ninterface\r\nimplementation\r\nend.",
                "unit U;\r\ninterface\r\nimplementation\r\n\r\nuses\r\n  MyUnit;\r\nend.", ""},
        AddCase{"uses on the implementation line is not a clause of its own",
                "unit U;\ninterface\nimplementation uses A;\nend.\n",
                "unit U;\ninterface\nimplementation uses A;\n\nuses\n  MyUnit;\nend.\n", ""},
        AddCase{"uses in a routine, a comment or a string is not recorded",
                "unit U;\ninterface\nimplementation\n{ uses X; }\nconst S = 'uses Y';\n"
                "procedure A;\nbegin\n  uses := 1;\nend;\nend.\n",
                "unit U;\ninterface\nimplementation\n\nuses\n  MyUnit;\n{ uses X; }\n"
                "const S = 'uses Y';\nprocedure A;\nbegin\n  uses := 1;\nend;\nend.\n",
                ""},
        AddCase{"a comment hides the first USES of the raw line",
                "unit U;\ninterface\nimplementation\n{USESX} uses A;\nend.\n",
                "unit U;\ninterface\nimplementation\n{USESX} uses A;\nend.\n",
                "Second Uses clause not found on Add"},
        AddCase{"a program has no implementation part",
                "program Tool;\nuses SysUtils;\nbegin\nend.\n",
                "program Tool;\nuses SysUtils;\nbegin\nend.\n", "No Implementation found"},
        AddCase{"IMPLEMENTATION on the very first line", "implementation\nuses A;\nend.\n",
                "implementation\nuses A;\nend.\n", "No Implementation found"}));

TEST(AddUnit, NameIsTakenExactlyAsTyped) {
  const TAddUnitRun R = AddUnitTo("unit U;\ninterface\nimplementation\nend.\n", " my Unit ");
  EXPECT_EQ(R.Bytes, "unit U;\ninterface\nimplementation\n\nuses\n   my Unit ;\nend.\n");
}

TEST(AddUnit, TracesTheChangedLine) {
  TTraceCapture Trace;
  AddUnitTo("unit U;\ninterface\nimplementation\nuses A;\nend.\n", "B");
  EXPECT_TRUE(Trace.Has("USES found: USES A;"));
  EXPECT_TRUE(Trace.Has("uses B, A;"));
  EXPECT_TRUE(Trace.Has("Saved Succesfully"));
}

TEST(AddUnit, ConfirmationAsksWithTheFileName) {
  std::vector<std::string> Asked;
  const std::string Unit = "unit U;\ninterface\nimplementation\nuses A;\nend.\n";
  TAddUnitRun R = AddUnitTo(Unit, "B", false, [&](const std::string& Q) {
    Asked.push_back(Q);
    return false;
  });
  ASSERT_EQ(Asked.size(), 1u);
  EXPECT_EQ(Asked[0].rfind("Overwrite /", 0), 0u);
  const std::string Tail = "/u.pas with changed version?";
  ASSERT_GT(Asked[0].size(), Tail.size());
  EXPECT_EQ(Asked[0].substr(Asked[0].size() - Tail.size()), Tail);
  EXPECT_FALSE(R.Saved);
  EXPECT_EQ(R.Bytes, Unit);
  EXPECT_EQ(R.Results, "u.pas\n\tErrors\n\t\tUser selected not to Overwrite this file\n");

  R = AddUnitTo(Unit, "B", false, [](const std::string&) { return true; });
  EXPECT_TRUE(R.Saved);
  EXPECT_EQ(R.Bytes, "unit U;\ninterface\nimplementation\nuses B, A;\nend.\n");
}

TEST(AddUnit, ReadOnlyFileIsNotWritten) {
  const std::string Unit = "unit U;\ninterface\nimplementation\nuses A;\nend.\n";
  const TAddUnitRun R = AddUnitTo(Unit, "B", true, nullptr, 32 | 1);
  EXPECT_TRUE(R.Added);
  EXPECT_FALSE(R.Saved);
  EXPECT_EQ(R.Bytes, Unit);
  EXPECT_EQ(R.Results, "u.pas\n\tErrors\n\t\tFile was Readonly, not overwritten\n");
}

TEST(AddUnit, BinaryFileIsLeftAlone) {
  std::string Bytes = "unit U;\ninterface\nimplementation\n";
  Bytes += std::string("\0\x01\x02 binary", 10);
  const TAddUnitRun R = AddUnitTo(Bytes, "B");
  EXPECT_FALSE(R.Added);
  EXPECT_FALSE(R.Saved);
  EXPECT_EQ(R.Bytes, Bytes);
  EXPECT_EQ(R.Results, "u.pas\n\tErrors\n\t\tBinary file, skipped\n");
}

// Only the Delphi kind can add a unit: the driver's add-unit step does nothing for other kinds.
template <class T>
concept CanAddUnit = requires(T& F) {
  F.AddUnit(std::string());
};
static_assert(CanAddUnit<TDelphiFile> && !CanAddUnit<TOracleFile>);

TEST(AddUnit, OracleFilesAddNothing) {
  TTempTree Tmp;
  TOracleFile F(nullptr);
  PrepareFile(F, Tmp, "p.sql", "PROCEDURE P IS BEGIN NULL; END;\n");
  ASSERT_TRUE(F.Load());
  F.Analyse(0);
  EXPECT_FALSE(F.Changed);
}

}  // namespace
