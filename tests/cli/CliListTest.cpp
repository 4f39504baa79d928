// ferrolin-cli list: the file set options, list files and the usage errors.
#include <gtest/gtest.h>

#include "support/CliCall.h"
#include "support/TempTree.h"

namespace {

using CliRun = TCliCall;
CliRun Cli(const std::vector<std::string>& Args) {
  return CallCli(Args);
}

class CliList : public testing::Test {
 protected:
  void SetUp() override {
    T.File("a.pas", "x");
    T.File("b.TXT", "x");
    T.File("sub/c.pas", "x");
    T.File("sub/name with 'quotes\".pas", "x");
  }
  TTempTree T;
};

TEST_F(CliList, TypesInThePagesOrderWithSubdirectories) {
  CliRun R = Cli({"list", "--dir", T.Path(""), "--type", "*.txt", "--type", "*.pas"});
  EXPECT_EQ(R.Status, 0);
  const std::string D = T.Dir();
  EXPECT_EQ(R.Out, D + "a.pas\n" + D + "b.TXT\n" + D + "sub/c.pas\n" + D +
                       "sub/name with 'quotes\".pas\n");
}

TEST_F(CliList, MaskWithoutSubdirsAndASavedList) {
  CliRun R = Cli({"list", "--dir=" + T.Path(""), "--mask", "*.PAS", "--no-subdirs", "--save-list",
                  T.Path("set.fll")});
  EXPECT_EQ(R.Status, 0);
  EXPECT_EQ(R.Out, T.Dir() + "a.pas\n");
  EXPECT_EQ(T.Read("set.fll"), T.Dir() + "a.pas\r\n");
  CliRun Again = Cli({"list", "--list", T.Path("set.fll")});
  EXPECT_EQ(Again.Out, R.Out);
}

TEST_F(CliList, EmptySetPrintsNothing) {
  CliRun R = Cli({"list", "--dir", T.Path(""), "--mask", "*.none"});
  EXPECT_EQ(R.Status, 0);
  EXPECT_EQ(R.Out, "");
}

TEST_F(CliList, BadInputAndUsage) {
  const struct {
    std::vector<std::string> Args;
    std::string ErrStart;
  } Cases[] = {
      {{"list", "--mask", "*.pas"}, "No directory selected\n"},
      {{"list", "--dir", "  "}, "No directory selected\n"},
      {{"list", "--dir", "/nonexistent-ferrolin"}, "Directory does not exist\n"},
      {{"list", "--list", "/nonexistent-ferrolin.fll"},
       "Cannot open file \"/nonexistent-ferrolin.fll\". No such file or directory\n"},
      {{"list", "--dir", "/tmp", "--type", "*.xyz"}, "ferrolin-cli: unknown file type '*.xyz'"},
      {{"list", "--dir"}, "ferrolin-cli: option --dir needs a value"},
      {{"list", "--term", "x"}, "ferrolin-cli: option --term does not apply to list"},
      {{"list", "--dir", "a", "--dir", "b"}, "ferrolin-cli: option --dir given more than once"},
      {{"frobnicate"}, "ferrolin-cli: unknown action 'frobnicate'"},
      {{}, "ferrolin-cli: no action given"},
  };
  for (const auto& C : Cases) {
    CliRun R = Cli(C.Args);
    EXPECT_EQ(R.Status, 2) << C.ErrStart;
    EXPECT_EQ(R.Err.substr(0, C.ErrStart.size()), C.ErrStart);
    EXPECT_EQ(R.Out, "");
  }
}

TEST(CliHelp, PrintsUsageAndSucceeds) {
  CliRun R = Cli({"list", "--help"});
  EXPECT_EQ(R.Status, 0);
  EXPECT_NE(R.Out.find("Usage: ferrolin-cli ACTION [options]"), std::string::npos);
  EXPECT_NE(R.Out.find("--save-list"), std::string::npos);
  // Every value is named by its kind.
  for (const char* Option : {"--dir DIR ", "--type MASK ", "--terms-file FILE ", "--term TEXT ",
                             "--program PROG ", "--offset N ", "--modifiers LETTERS "})
    EXPECT_NE(R.Out.find(Option), std::string::npos) << Option;
  EXPECT_EQ(R.Out.find("VALUE"), std::string::npos);
}

TEST(CliVersion, PrintsTheVersionAndSucceeds) {
  for (const std::vector<std::string>& Args :
       {std::vector<std::string>{"--version"}, {"search", "--version"}}) {
    CliRun R = Cli(Args);
    EXPECT_EQ(R.Status, 0);
    EXPECT_EQ(R.Out, "ferrolin-cli 0.25 Alpha\n");
    EXPECT_EQ(R.Err, "");
  }
}

}  // namespace
