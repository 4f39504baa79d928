// ferrolin-cli search, replace and run: input checks and their messages, the printed tree, the
// result and trace files, the overwrite question and the exit statuses.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <regex>

#include "support/CliCall.h"
#include "support/TempTree.h"

namespace {

class CliActions : public ::testing::Test {
 protected:
  void SetUp() override {
    A = T.File("src/a.pas", "x\n\n\n\n\n\n\n\n\n\n\n  begin\n");
    T.File("src/c.txt", "begin\n");
    B = T.File("src/sub/b.pas", "x\n\nbegin\n");
    T.File("src/sub/d.pas", "nothing\n");
  }
  std::vector<std::string> Args(const std::vector<std::string>& Extra) {
    return ActionArgs(T.Path("src"), "*.pas", Extra);
  }
  static std::string Steady(const std::string& Out) { return SteadyDuration(Out); }
  TTempTree T;
  std::string A, B;
};

TEST_F(CliActions, SearchPrintsTheTreeOneTabPerLevel) {
  TCliCall R = CallCli(Args({"search", "--term", "begin"}));
  EXPECT_EQ(R.Status, 0);
  EXPECT_EQ(R.Err, "");
  EXPECT_EQ(Steady(R.Out),
            "Results for Search\n"
            "\tStatistics\n"
            "\t\tAction took 0 seconds\n"
            "\t\t3 files were done\n"
            "\t\t2 files have results\n"
            "\t\t2 occurences of [begin] were found\n"
            "\t\t0 files were saved\n" +
                A + "\n\tSearch\n\t\t[Line   12]   begin\n" + B +
                "\n\tSearch\n\t\t[Line    3] begin\n");
}

TEST_F(CliActions, ResultsFileTraceFileAndFilenamesOnly) {
  const std::string Results = T.Path("results.txt"), Trace = T.Path("trace.txt");
  TCliCall R = CallCli(Args(
      {"search", "--term", "BEGIN", "--filenames-only", "--results", Results, "--trace", Trace}));
  EXPECT_EQ(R.Status, 0);
  EXPECT_EQ(R.Out, A + "\n" + B + "\n");
  EXPECT_EQ(T.Read("results.txt"), A + "\r\n" + B + "\r\n");
  const std::string TraceText = T.Read("trace.txt");
  EXPECT_NE(TraceText.find("a.pas" + std::string(25, '.') + "Loaded 12 lines\n"),
            std::string::npos);
  EXPECT_NE(TraceText.find(std::string(30, ' ') + "Found 1 occurences of BEGIN\n"),
            std::string::npos);

  R = CallCli(Args({"search", "--term", "begin", "--results", Results}));
  EXPECT_EQ(Steady(T.Read("results.txt")).substr(0, 58),
            "Results for Search\r\n\tStatistics\r\n\t\tAction took 0 seconds\r\n");
}

TEST_F(CliActions, FailOnResults) {
  EXPECT_EQ(CallCli(Args({"search", "--term", "begin", "--fail-on-results"})).Status, 1);
  EXPECT_EQ(CallCli(Args({"search", "--term", "absent", "--fail-on-results"})).Status, 0);
}

struct InputCase {
  const char* Name;
  std::vector<std::string> Args;
  std::vector<std::pair<std::string, std::string>> Files;  // written before the call
  std::string Message;
};

class CliInputChecks : public ::testing::TestWithParam<InputCase> {};

TEST_P(CliInputChecks, RefusedWithTheMessage) {
  TTempTree T;
  T.File("f.txt", "text\n");
  for (const auto& [Name, Bytes] : GetParam().Files) T.File(Name, Bytes);
  std::vector<std::string> Args = GetParam().Args;
  for (auto& A : Args)
    if (A.rfind("@", 0) == 0) A = T.Path(A.substr(1));
  TCliCall R = CallCli(Args);
  EXPECT_EQ(R.Status, 2);
  EXPECT_EQ(R.Err, GetParam().Message + "\n");
  EXPECT_EQ(R.Out, "");
  EXPECT_EQ(T.Read("f.txt"), "text\n");
}

const std::string Replacements =
    "SearchList and Replacelist have a different number of items, "
    "Replacelist has been rejected";

INSTANTIATE_TEST_SUITE_P(
    All, CliInputChecks,
    ::testing::Values(
        InputCase{"NoTerm", {"search", "--dir", "@"}, {}, "Please enter Search Text"},
        InputCase{
            "EmptyTerm", {"search", "--dir", "@", "--term", ""}, {}, "Please enter Search Text"},
        InputCase{"EmptyTermsFile",
                  {"search", "--dir", "@", "--terms-file", "@t"},
                  {{"t", ""}},
                  "Please enter Search Text"},
        InputCase{"BlankLineInTermsFile",
                  {"search", "--dir", "@", "--terms-file", "@t"},
                  {{"t", "a\n\nb\n"}},
                  "Textfile contained empty lines, file rejected"},
        InputCase{"NoReplacement",
                  {"replace", "--dir", "@", "--term", "text"},
                  {},
                  "Please enter Replacement Text"},
        InputCase{"ThreeTermsOneReplacement",
                  {"replace", "--dir", "@", "--terms-file", "@t", "--replacement", "x"},
                  {{"t", "a\nb\nc\n"}},
                  "Incorrect input, cannot Replace"},
        InputCase{
            "OneTermTwoReplacements",
            {"replace", "--dir", "@", "--term", "a", "--replacement", "x", "--replacement", "y"},
            {},
            "Incorrect input, cannot Replace"},
        InputCase{"ReplacementsFileOfAnotherLength",
                  {"replace", "--dir", "@", "--terms-file", "@t", "--replacements-file", "@r"},
                  {{"t", "a\nb\n"}, {"r", "x\n"}},
                  Replacements},
        InputCase{"BlankLineInReplacementsFile",
                  {"replace", "--dir", "@", "--term", "a", "--replacements-file", "@r"},
                  {{"r", "\n"}},
                  "Textfile contained empty lines, file rejected"},
        InputCase{"NoProgram", {"run", "--dir", "@"}, {}, "Enter program to run the file with"},
        InputCase{"EmptySet",
                  {"search", "--dir", "@", "--mask", "*.none", "--term", "a"},
                  {},
                  "No files in list, select some files to perform action on"},
        InputCase{"NoDirectory", {"search", "--term", "a"}, {}, "No directory selected"},
        InputCase{"NotADirectory",
                  {"search", "--dir", "@f.txt", "--term", "a"},
                  {},
                  "Directory does not exist"}),
    [](const auto& Info) { return std::string(Info.param.Name); });

TEST_F(CliActions, ReplaceAsksOnStderrAndReadsOneLinePerQuestion) {
  TCliCall R = CallCli(Args({"replace", "--term", "begin", "--replacement", "end", "--confirm"}),
                       "YES\nn\n");
  EXPECT_EQ(R.Status, 0);
  EXPECT_EQ(R.Err, "Overwrite " + A + " with changed version?\nOverwrite " + B +
                       " with changed version?\n");
  EXPECT_EQ(T.Read("src/a.pas"), "x\n\n\n\n\n\n\n\n\n\n\n  end\n");
  EXPECT_EQ(T.Read("src/sub/b.pas"), "x\n\nbegin\n");
  EXPECT_NE(R.Out.find("User selected not to Overwrite this file"), std::string::npos);
  EXPECT_NE(R.Out.find("2 occurences of [begin] were replaced"), std::string::npos);
}

TEST_F(CliActions, ReplaceWithoutConfirmAsksNothingAndPairsTermFiles) {
  T.File("terms", "begin\nx\n");
  T.File("repl", "BEGIN\ny\n");
  TCliCall R = CallCli(Args({"replace", "--terms-file", T.Path("terms"), "--replacements-file",
                             T.Path("repl"), "--case-sensitive"}));
  EXPECT_EQ(R.Status, 0);
  EXPECT_EQ(R.Err, "");
  EXPECT_EQ(T.Read("src/a.pas"), "y\n\n\n\n\n\n\n\n\n\n\n  BEGIN\n");
  EXPECT_EQ(T.Read("src/c.txt"), "begin\n");  // not in the set
  EXPECT_NE(R.Out.find("\t\t2 files were saved\n"), std::string::npos);
}

TEST_F(CliActions, RegexErrorKeepsEarlierResultsAndExitsTwo) {
  T.File("src/0.pas", "");  // first in the list, no line: nothing compiled there
  TCliCall R = CallCli(Args({"search", "--term", "a(", "--regex"}));
  EXPECT_EQ(R.Status, 2);
  EXPECT_EQ(R.Err, "Regex(comp): ParseReg Unmatched () (pos 2)\n");
  EXPECT_NE(R.Out.find("\t\t1 file was done\n"), std::string::npos);
}

TEST_F(CliActions, RunCountsExitCodesAndExpandsNames) {
  const std::string Log = T.Path("log.txt");
  const std::string Prog =
      T.File("prog.sh", "#!/bin/sh\necho \"$2\" >> \"$1\"\n[ \"$2\" != b.pas ]\n");
  chmod(Prog.c_str(), 0755);
  TCliCall R = CallCli(Args({"run", "--program", Prog, "--params", "\"" + Log + "\" !n"}));
  EXPECT_EQ(R.Status, 0);
  EXPECT_EQ(T.Read("log.txt"), "a.pas\nb.pas\nd.pas\n");
  EXPECT_EQ(Steady(R.Out),
            "Results for RunWith\n"
            "\tStatistics\n"
            "\t\tAction took 0 seconds\n"
            "\t\t3 files were done\n"
            "\t\t1 file has results\n"
            "\t\t1 files had non-zero exitcodes, 2 completed with zero exitcode\n" +
                B + "\n\tGeneral\n\t\tProcess returned non-zero exitcode: 1\n");
}

TEST_F(CliActions, ThreadsChangeNothingInTheOutput) {
  const std::string Trace = T.Path("trace.txt");
  TCliCall One = CallCli(Args({"search", "--term", "begin", "--threads", "1", "--trace", Trace}));
  const std::string OneTrace = T.Read("trace.txt");
  TCliCall Three = CallCli(Args({"search", "--term", "begin", "--threads", "3", "--trace", Trace}));
  EXPECT_EQ(Steady(Three.Out), Steady(One.Out));
  EXPECT_EQ(T.Read("trace.txt"), OneTrace);
  EXPECT_NE(OneTrace.find("Found 1 occurences of begin"), std::string::npos);
  One = CallCli(Args({"search", "--term", "begin", "--threads", "1", "--format", "grep"}));
  Three = CallCli(Args({"search", "--term", "begin", "--threads", "3", "--format", "grep"}));
  EXPECT_EQ(Three.Out, One.Out);
  EXPECT_NE(One.Out.find("begin"), std::string::npos);
  TCliCall Bad = CallCli(Args({"search", "--term", "a", "--threads", "0"}));
  EXPECT_EQ(Bad.Status, 2);
  EXPECT_NE(Bad.Err.find("--threads needs a whole number of at least 1, not '0'"),
            std::string::npos);
  EXPECT_EQ(CallCli(Args({"search", "--term", "a", "--threads", "2x"})).Status, 2);
}

TEST_F(CliActions, UsageErrors) {
  EXPECT_EQ(CallCli(Args({"search", "--term", "a", "--terms-file", "x"})).Status, 2);
  EXPECT_EQ(CallCli(Args({"search", "--term", "a", "--program", "x"})).Status, 2);
  EXPECT_EQ(CallCli(Args({"run", "--program", "true", "--confirm"})).Status, 2);
  // A program run per file stays one after the other.
  EXPECT_EQ(CallCli(Args({"run", "--program", "true", "--threads", "2"})).Status, 2);
}

}  // namespace
