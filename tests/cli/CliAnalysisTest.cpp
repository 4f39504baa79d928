// ferrolin-cli delphi-check, oracle-check and add-unit: input checks, findings, written units.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <regex>

#include "support/CliCall.h"
#include "support/TempTree.h"

namespace {

class CliAnalysis : public ::testing::Test {
 protected:
  void SetUp() override {
    Unit = T.File("src/uList.pas",
                  "unit uList;\r\ninterface\r\nimplementation\r\nuses Windows;\r\n"
                  "procedure TMaker.Make;\r\nbegin\r\n  L := TList.Create;\r\n  SetAbort;\r\n"
                  "end;\r\nend.\r\n");
    Clean = T.File("src/uClean.pas",
                   "unit uClean;\ninterface\nimplementation\nprocedure TClean.Run;\nbegin\n"
                   "  try\n    L := TList.Create;\n  finally\n    L.Free;\n  end;\nend;\nend.\n");
    T.File("src/pkg.sql",
           "PROCEDURE p IS\nBEGIN\n  OPEN c1;\n  IF x THEN\n    FETCH c1 INTO y;\n  END IF;\n"
           "  CLOSE c1;\n  OPEN c2;\n  FETCH c2 INTO z;\nEND p;\n");
  }
  std::vector<std::string> Args(const char* Mask, const std::vector<std::string>& Extra) {
    return ActionArgs(T.Path("src"), Mask, Extra);
  }
  static std::string Steady(const std::string& Out) { return SteadyDuration(Out); }
  TTempTree T;
  std::string Unit, Clean;
};

TEST_F(CliAnalysis, DelphiCheckWithEveryOption) {
  TCliCall R = CallCli(Args("*.pas", {"delphi-check", "--create-destroy", "--setabort-setcomplete",
                                      "--no-try-except", "--inherited"}));
  EXPECT_EQ(R.Status, 0);
  EXPECT_EQ(R.Err, "");
  EXPECT_EQ(Steady(R.Out),
            "Results for Checks\n"
            "\tStatistics\n"
            "\t\tAction took 0 seconds\n"
            "\t\t2 files were done\n"
            "\t\t2 files have results\n" +
                Clean +
                "\n"
                "\tGeneral\n"
                "\t\tNo Try..Except construction found\n" +
                Unit +
                "\n"
                "\tGeneral\n"
                "\t\tL created 1 times and destroyed 0 times\n"
                "\tProcedure TMAKER.MAKE\n"
                "\t\tSetAbort <> SetComplete\n"
                "\t\tSetAbort found without Raise statement\n"
                "\tGeneral\n"
                "\t\tNo Try..Except construction found\n");
}

TEST_F(CliAnalysis, DelphiCheckOptionsChooseWhatIsReported) {
  TCliCall R = CallCli(
      Args("*.pas", {"delphi-check", "--create-destroy", "--filenames-only", "--fail-on-results"}));
  EXPECT_EQ(R.Status, 1);
  EXPECT_EQ(R.Out, Unit + "\n");
  R = CallCli(Args("uClean.pas", {"delphi-check", "--inherited", "--fail-on-results"}));
  EXPECT_EQ(R.Status, 0);
}

struct TInputCase {
  std::vector<std::string> Args;
  const char* Err;
};

class CliAnalysisInput : public CliAnalysis, public ::testing::WithParamInterface<TInputCase> {};

TEST_P(CliAnalysisInput, RefusedWithThePagesMessage) {
  TCliCall R = CallCli(Args("*.pas", GetParam().Args));
  EXPECT_EQ(R.Status, 2);
  EXPECT_EQ(R.Out, "");
  EXPECT_EQ(R.Err, GetParam().Err);
  EXPECT_EQ(T.Read("src/uList.pas").find("MyUnit"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Messages, CliAnalysisInput,
    ::testing::Values(TInputCase{{"delphi-check"}, "Select one or more Checks\n"},
                      TInputCase{{"add-unit"}, "Please enter Unit name\n"},
                      TInputCase{{"add-unit", "--unit", ""}, "Please enter Unit name\n"},
                      TInputCase{{"oracle-check", "--create-destroy"},
                                 "ferrolin-cli: option --create-destroy does not apply to "
                                 "oracle-check\nTry 'ferrolin-cli --help' for more "
                                 "information.\n"}));

TEST_F(CliAnalysis, OracleCheckCountsCursorsPastEndIf) {
  TCliCall R = CallCli(Args("*.sql", {"oracle-check", "--filenames-only"}));
  EXPECT_EQ(R.Status, 0);
  EXPECT_EQ(R.Out, T.Path("src/pkg.sql") + "\n");
  R = CallCli(Args("*.sql", {"oracle-check"}));
  EXPECT_NE(R.Out.find("\t\tOpen=Fetch=Close does not match for C2\n"), std::string::npos);
  EXPECT_EQ(R.Out.find("C1"), std::string::npos);
}

TEST_F(CliAnalysis, AddUnitWritesEveryUnitKeepingItsLineBreaks) {
  TCliCall R = CallCli(Args("*.pas", {"add-unit", "--unit", "MyUnit"}));
  EXPECT_EQ(R.Status, 0);
  EXPECT_EQ(R.Err, "");
  EXPECT_NE(Steady(R.Out).find("\t\t2 files were saved\n"), std::string::npos);
  EXPECT_EQ(T.Read("src/uList.pas"),
            "unit uList;\r\ninterface\r\nimplementation\r\nuses MyUnit, Windows;\r\n"
            "procedure TMaker.Make;\r\nbegin\r\n  L := TList.Create;\r\n  SetAbort;\r\n"
            "end;\r\nend.\r\n");
  EXPECT_EQ(T.Read("src/uClean.pas"),
            "unit uClean;\ninterface\nimplementation\n\nuses\n  MyUnit;\nprocedure TClean.Run;\n"
            "begin\n  try\n    L := TList.Create;\n  finally\n    L.Free;\n  end;\nend;\nend.\n");
}

TEST_F(CliAnalysis, AddUnitAsksPerFileWithConfirm) {
  // Files are done in list order: uClean.pas, then uList.pas.
  TCliCall R = CallCli(Args("*.pas", {"add-unit", "--unit", "MyUnit", "--confirm"}), "n\nyes\n");
  EXPECT_EQ(R.Status, 0);
  EXPECT_EQ(R.Err, "Overwrite " + Clean + " with changed version?\nOverwrite " + Unit +
                       " with changed version?\n");
  EXPECT_EQ(T.Read("src/uClean.pas").find("MyUnit"), std::string::npos);
  EXPECT_NE(T.Read("src/uList.pas").find("uses MyUnit, Windows;"), std::string::npos);
  EXPECT_NE(R.Out.find(Clean + "\n\tErrors\n\t\tUser selected not to Overwrite this file\n"),
            std::string::npos);
}

TEST_F(CliAnalysis, AddUnitReportsFilesWithoutImplementation) {
  const std::string Program = T.File("src/Tool.dpr", "program Tool;\nbegin\nend.\n");
  TCliCall R = CallCli(Args("*.dpr", {"add-unit", "--unit", "MyUnit"}));
  EXPECT_EQ(R.Status, 0);
  EXPECT_NE(R.Out.find(Program + "\n\tErrors\n\t\tNo Implementation found\n"), std::string::npos);
  EXPECT_EQ(T.Read("src/Tool.dpr"), "program Tool;\nbegin\nend.\n");
}

}  // namespace
