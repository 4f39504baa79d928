// Running programs: splitting the parameter text, expanding !P and !N, exit codes, detached starts
// and where the output goes; RunWith through a fake runner.
#include "files/uFL_FileExecute.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <sstream>

#include "files/uFL_TextFile.h"
#include "support/FakeProcessRunner.h"
#include "support/TempTree.h"
#include "support/uFL_Log.h"
#include "support/uFL_ResultTree.h"

namespace {

struct SplitCase {
  const char* Name;
  std::string Text;
  std::vector<std::string> Words;
};

class SplitCommand : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitCommand, AsAShellSplitsWordsWithoutExpansion) {
  EXPECT_EQ(SplitCommandLine(GetParam().Text), GetParam().Words);
}

INSTANTIATE_TEST_SUITE_P(
    All, SplitCommand,
    ::testing::Values(
        SplitCase{"Empty", "", {}}, SplitCase{"Blanks", "  \t\n ", {}},
        SplitCase{"Words", "-x  -y\tz", {"-x", "-y", "z"}},
        SplitCase{"SingleQuotesGroup", "-c 'exit 4'", {"-c", "exit 4"}},
        SplitCase{"SingleQuotesKeepEverything", "'a\\\" $b'", {"a\\\" $b"}},
        SplitCase{"DoubleQuotesGroup", "\"/a b/c d.txt\" -q", {"/a b/c d.txt", "-q"}},
        SplitCase{"QuotesInsideWord", "a\"b c\"d'e f'", {"ab cde f"}},
        SplitCase{"DoubleQuotedEscapes", "\"\\\" \\\\ \\$ \\` \\n '\"", {"\" \\ $ ` \\n '"}},
        SplitCase{"BackslashOutsideQuotes", "a\\ b \\'c \\\\", {"a b", "'c", "\\"}},
        SplitCase{"EmptyQuotesAreAWord", "a \"\" '' b", {"a", "", "", "b"}},
        SplitCase{"UnclosedQuoteRunsToEnd", "a \"b c", {"a", "b c"}},
        SplitCase{"UnclosedSingleQuoteRunsToEnd", "a 'b \\c", {"a", "b \\c"}},
        SplitCase{"NoExpansion", "$HOME * ~ `x`", {"$HOME", "*", "~", "`x`"}},
        SplitCase{"BytesKept", "\xff\xfe x", {"\xff\xfe", "x"}}),
    [](const auto& Info) { return std::string(Info.param.Name); });

TEST(ExpandRunParams, DirectoryFirstThenNameWithoutRegardToCase) {
  EXPECT_EQ(ExpandRunParams("-x !P!N", "/src/", "a.pas"), "-x /src/a.pas");
  EXPECT_EQ(ExpandRunParams("!n", "/src/", "a.pas"), "a.pas");
  EXPECT_EQ(ExpandRunParams("!p|!P", "/d/", "f"), "/d/|/d/");
  EXPECT_EQ(ExpandRunParams("plain -v", "/d/", "f"), "plain -v");
  // The directory is put in first, so a "!n" inside it is expanded as well.
  EXPECT_EQ(ExpandRunParams("!P", "/x!n/", "f"), "/xf/");
}

// A script in a temporary directory.
struct Scripts {
  TTempTree Dir;
  std::string Make(const std::string& Name, const std::string& Body) {
    std::string P = Dir.File(Name, "#!/bin/sh\n" + Body + "\n");
    chmod(P.c_str(), 0755);
    return P;
  }
};

TEST(ExecuteFile, WaitingGivesTheExitCode) {
  Scripts S;
  EXPECT_EQ(ExecuteAndWait(S.Make("zero", "exit 0"), "", "", ShowHidden), 0);
  EXPECT_EQ(ExecuteAndWait(S.Make("three", "exit 3"), "", "", ShowHidden), 3);
  EXPECT_EQ(ExecuteAndWait("sh", "-c \"exit 7\"", "", ShowHidden), 7);  // found on PATH
}

TEST(ExecuteFile, NoExitCodeWhenNotStartedOrKilled) {
  Scripts S;
  EXPECT_EQ(ExecuteAndWait(S.Dir.Path("missing"), "", "", ShowHidden), NoExitCode);
  EXPECT_EQ(ExecuteAndWait("ferrolin-no-such-program", "", "", ShowHidden), NoExitCode);
  std::string NotExecutable = S.Dir.File("plain", "#!/bin/sh\nexit 0\n");
  EXPECT_EQ(ExecuteAndWait(NotExecutable, "", "", ShowHidden), NoExitCode);
  EXPECT_EQ(ExecuteAndWait(S.Make("killed", "kill -9 $$"), "", "", ShowHidden), NoExitCode);
  EXPECT_EQ(ExecuteAndWait("", "", "", ShowHidden), NoExitCode);
}

TEST(ExecuteFile, ArgumentsArriveByteForByte) {
  Scripts S;
  std::string Out = S.Dir.Path("args.txt");
  std::string Prog = S.Make("args", "for a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"$1\"");
  std::string Long(100000, 'L');  // texts are passed whole whatever their length
  ASSERT_EQ(ExecuteAndWait(Prog, Out + " \"a b\" \xff\xfe '\"q\"' " + Long, "", ShowHidden), 0);
  EXPECT_EQ(TTempTree::ReadFile(Out), Out + "\na b\n\xff\xfe\n\"q\"\n" + Long + "\n");
}

TEST(ExecuteFile, RunsInTheGivenDirectory) {
  Scripts S;
  std::string Prog = S.Make("pwd", "pwd > out.txt");
  std::string Sub = S.Dir.Mkdir("sub");
  ASSERT_EQ(ExecuteAndWait(Prog, "", Sub, ShowHidden), 0);
  EXPECT_EQ(TTempTree::ReadFile(Sub + "/out.txt"), Sub + "\n");
}

// Runs Body with our stdout and stderr sent to one file; returns what arrived there.
template <typename F>
std::string CaptureOutput(const TTempTree& Dir, F Body) {
  std::string P = Dir.Path("output.txt");
  fflush(stdout);
  fflush(stderr);
  int Saved1 = dup(1), Saved2 = dup(2);
  int Fd = open(P.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_APPEND, 0644);
  dup2(Fd, 1);
  dup2(Fd, 2);
  close(Fd);
  Body();
  dup2(Saved1, 1);
  dup2(Saved2, 2);
  close(Saved1);
  close(Saved2);
  return TTempTree::ReadFile(P);
}

TEST(ExecuteFile, OutputShownOrDiscarded) {
  Scripts S;
  std::string Prog = S.Make("hello", "echo hello; echo oops >&2");
  EXPECT_EQ(CaptureOutput(S.Dir, [&] { ExecuteAndWait(Prog, "", "", ShowNormal); }),
            "hello\noops\n");
  EXPECT_EQ(CaptureOutput(S.Dir, [&] { ExecuteAndWait(Prog, "", "", ShowHidden); }), "");
}

TEST(ExecuteFile, NotWaitingLeavesNoChildBehind) {
  // The program writes to a pipe put in place of our stdout: reading the pipe to its end waits for
  // the detached program, with no polling.
  int Pipe[2];
  ASSERT_EQ(pipe(Pipe), 0);
  fflush(stdout);
  const int Saved = dup(1);
  dup2(Pipe[1], 1);
  close(Pipe[1]);
  const int32_t Code = ExecuteNoWait("sh", "-c 'echo started'", "", ShowNormal);
  dup2(Saved, 1);
  close(Saved);
  EXPECT_EQ(Code, NoExitCode);
  // The middle process was reaped and the program belongs to init: this process has no child,
  // so none can linger as a zombie.
  errno = 0;
  EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);
  EXPECT_EQ(errno, ECHILD);
  std::string Got;
  char Buf[64];
  for (ssize_t N; (N = read(Pipe[0], Buf, sizeof Buf)) > 0;) Got.append(Buf, size_t(N));
  close(Pipe[0]);
  EXPECT_EQ(Got, "started\n");
  EXPECT_EQ(ExecuteNoWait("ferrolin-no-such-program", "", "", ShowHidden), NoExitCode);
}

// A file run through a fake runner, with its trace.
struct RunFile {
  TTempTree Dir;
  TResultTree Tree;
  TTextfile File{&Tree};
  TTraceLines Trace;
  TTraceLog Log{Trace, true};
  TTraceBinding Bind{Log};
  TFakeProcessRunner Runner;
  explicit RunFile(const std::string& Rel) { File.SetFileName(Dir.File(Rel, "text\n")); }
  std::string TraceText(int Line) const { return Trace[Line].substr(TraceColumnWidth); }
  std::string Results() {
    Tree.Clear();
    File.WriteResults();
    std::ostringstream Out;
    Tree.WriteText(Out, false, "\n");
    return Out.str();
  }
};

TEST(RunWith, QuotedPathWithBlanksReachesTheProgramWhole) {
  RunFile R("dir with blanks/a file.pas");
  const std::string Params = "\"/out/got it.txt\" -x \"!P!n\"";
  EXPECT_EQ(R.File.RunWith(R.Runner, "show", Params, true, false), 0);
  ASSERT_EQ(R.Runner.Requests.size(), 1u);
  const TProcessRequest& Request = R.Runner.Requests[0];
  EXPECT_EQ(Request.Argv,
            (std::vector<std::string>{"show", "/out/got it.txt", "-x", R.File.FileName}));
  EXPECT_TRUE(Request.Wait);
  EXPECT_EQ(Request.ShowCmd, ShowHidden);
  EXPECT_EQ(R.TraceText(0), "Executing show \"/out/got it.txt\" -x \"" + R.File.FileName + "\"");
  EXPECT_EQ(R.TraceText(1), "Returned: 0");
  EXPECT_EQ(R.Results(), "");
}

TEST(RunWith, NonZeroExitIsReportedUnderGeneral) {
  RunFile R("a.pas");
  R.Runner.ExitCodes = {3, NoExitCode};
  EXPECT_EQ(R.File.RunWith(R.Runner, "fail", "", true, false), 3);
  EXPECT_EQ(R.TraceText(1), "Returned: 3");
  EXPECT_EQ(R.Results(),
            R.File.FileName + "\n\tGeneral\n\t\tProcess returned non-zero exitcode: 3\n");
  EXPECT_EQ(R.File.RunWith(R.Runner, "ferrolin-no-such-program", "", true, false), NoExitCode);
  EXPECT_EQ(R.File.ExitCode, NoExitCode);
}

TEST(RunWith, NotWaitingAlwaysReturnsZero) {
  RunFile R("a.pas");
  R.File.ExitCode = 5;
  EXPECT_EQ(R.File.RunWith(R.Runner, "prog", "!N", false, true), 0);
  EXPECT_EQ(R.File.ExitCode, 0);
  ASSERT_EQ(R.Runner.Requests.size(), 1u);
  EXPECT_FALSE(R.Runner.Requests[0].Wait);
  EXPECT_EQ(R.Runner.Requests[0].ShowCmd, ShowNormal);
  EXPECT_EQ(R.TraceText(0), "Executing prog a.pas");
  EXPECT_EQ(R.TraceText(1), "Returned: 0");
}

}  // namespace
