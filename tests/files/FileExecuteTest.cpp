// Running programs: splitting the parameter text, expanding !P and !N, exit codes, detached starts
// and where the output goes; RunWith with scripts the tests write.
#include "files/uFL_FileExecute.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <sstream>

#include "files/uFL_TextFile.h"
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

TEST_P(SplitCommand, AsQProcessSplitsIt) {
  EXPECT_EQ(SplitCommandLine(GetParam().Text), GetParam().Words);
}

INSTANTIATE_TEST_SUITE_P(
    All, SplitCommand,
    ::testing::Values(SplitCase{"Empty", "", {}}, SplitCase{"Blanks", "  \t ", {}},
                      SplitCase{"Words", "-x  -y\tz", {"-x", "-y", "z"}},
                      SplitCase{"QuotesGroup", "\"/a b/c d.txt\" -q", {"/a b/c d.txt", "-q"}},
                      SplitCase{"QuoteInsideWord", "a\"b c\"d", {"ab cd"}},
                      SplitCase{"TripleQuoteIsLiteral", "say \"\"\"hi\"\"\"", {"say", "\"hi\""}},
                      SplitCase{"EmptyQuotesAddNothing", "a \"\" b", {"a", "b"}},
                      SplitCase{"UnclosedQuoteRunsToEnd", "a \"b c", {"a", "b c"}},
                      SplitCase{"NoOtherEscapes", "a\\ b 'c d'", {"a\\", "b", "'c", "d'"}},
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
  ASSERT_EQ(ExecuteAndWait(Prog, Out + " \"a b\" \xff\xfe \"\"\"q\"\"\" " + Long, "", ShowHidden),
            0);
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
  Scripts S;
  std::string Marker = S.Dir.Path("done");
  std::string Prog = S.Make("bg", "touch \"$1\"");
  EXPECT_EQ(ExecuteNoWait(Prog, "\"" + Marker + "\"", "", ShowHidden), NoExitCode);
  // The middle process was reaped and the program belongs to init: this process has no child,
  // so none can linger as a zombie.
  errno = 0;
  EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);
  EXPECT_EQ(errno, ECHILD);
  // The program did run: wait for its marker (bounded, it is a one-line script).
  bool Seen = false;
  for (int i = 0; i < 500 && !Seen; ++i) {
    Seen = access(Marker.c_str(), F_OK) == 0;
    if (!Seen) usleep(10000);
  }
  EXPECT_TRUE(Seen);
  EXPECT_EQ(ExecuteNoWait("ferrolin-no-such-program", "", "", ShowHidden), NoExitCode);
}

struct RunFile {
  TTempTree Dir;
  TResultTree Tree;
  TTextfile File{&Tree};
  TTraceLines Trace;
  explicit RunFile(const std::string& Rel) {
    File.SetFileName(Dir.File(Rel, "text\n"));
    InitTrace(true, &Trace);
  }
  ~RunFile() { InitTrace(false, nullptr); }
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
  std::string Out = R.Dir.Path("got.txt");
  std::string Prog = R.Dir.File("show", "#!/bin/sh\nprintf '%s|' \"$@\" > \"$1\"\n");
  chmod(Prog.c_str(), 0755);
  const std::string Params = "\"" + Out + "\" -x \"!P!n\"";
  EXPECT_EQ(R.File.RunWith(Prog, Params, true, false), 0);
  EXPECT_EQ(TTempTree::ReadFile(Out), Out + "|-x|" + R.File.FileName + "|");
  EXPECT_EQ(R.TraceText(0),
            "Executing " + Prog + " \"" + Out + "\" -x \"" + R.File.FileName + "\"");
  EXPECT_EQ(R.TraceText(1), "Returned: 0");
  EXPECT_EQ(R.Results(), "");
}

TEST(RunWith, NonZeroExitIsReportedUnderGeneral) {
  RunFile R("a.pas");
  std::string Prog = R.Dir.File("fail", "#!/bin/sh\nexit 3\n");
  chmod(Prog.c_str(), 0755);
  EXPECT_EQ(R.File.RunWith(Prog, "", true, false), 3);
  EXPECT_EQ(R.TraceText(1), "Returned: 3");
  EXPECT_EQ(R.Results(),
            R.File.FileName + "\n\tGeneral\n\t\tProcess returned non-zero exitcode: 3\n");
  EXPECT_EQ(R.File.RunWith("ferrolin-no-such-program", "", true, false), NoExitCode);
  EXPECT_EQ(R.File.ExitCode, NoExitCode);
}

TEST(RunWith, NotWaitingAlwaysReturnsZero) {
  RunFile R("a.pas");
  R.File.ExitCode = 5;
  EXPECT_EQ(R.File.RunWith("ferrolin-no-such-program", "!N", false, false), 0);
  EXPECT_EQ(R.File.ExitCode, 0);
  EXPECT_EQ(R.TraceText(0), "Executing ferrolin-no-such-program a.pas");
  EXPECT_EQ(R.TraceText(1), "Returned: 0");
}

}  // namespace
