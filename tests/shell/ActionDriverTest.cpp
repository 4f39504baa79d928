// The action driver over a host double: counters, statistics texts, stopping, an error in the
// middle of an action, the kept file object, saving with and without confirmation.
#include "shell/uFL_ActionDriver.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <sstream>

#include "fileset/uFL_FileList.h"
#include "files/uFL_TextFile.h"
#include "regex/uFL_RegexEngine.h"
#include "support/FakeActionHost.h"
#include "support/FakeProcessRunner.h"
#include "support/TempTree.h"
#include "support/uFL_Log.h"
#include "support/uFL_ResultTree.h"

namespace {

using namespace std::chrono_literals;

// A driver over files made in a temporary directory, with a clock that moves only when told.
struct DriverFixture : ::testing::Test {
  TTempTree Dir;
  TFileList Files;
  TResultTree Tree;
  TTraceLines Trace;
  TTraceLog Log{Trace};
  TFakeActionHost Host{&Log};
  TFakeProcessRunner Runner;
  TActionDriver Driver{Files, Tree, Log, Host};
  TActionDriver::TClock::time_point Clock{};
  TActionDriver::TClock::duration Step = 0s;  // added at every reading of the clock
  int Created = 0;

  DriverFixture() {
    Driver.Now = [this] {
      auto T = Clock;
      Clock += Step;
      return T;
    };
    Driver.Runner = &Runner;
    Driver.CreateFile = [this](TFileKind Kind, TResultTree* T) {
      ++Created;
      return CreateFileObject(Kind, T);
    };
  }

  // Adds a file with Bytes to the list; Attr as its record says.
  std::string Add(const std::string& Rel, const std::string& Bytes, int Attr = faArchive) {
    std::string P = Dir.File(Rel, Bytes);
    TSearchRec Rec;
    Rec.Name = Rel;
    Rec.Size = int64_t(Bytes.size());
    Rec.Attr = Attr;
    Files.Add(P, Rec);
    return P;
  }
  std::vector<std::string> Statistics() const {
    std::vector<std::string> Lines;
    if (Tree.Empty()) return Lines;
    for (const auto& Node : Tree.Top(0)->Children)
      if (Node->Text == "Statistics")
        for (const auto& Line : Node->Children) Lines.push_back(Line->Text);
    return Lines;
  }
  std::string TreeText() const {
    std::ostringstream Out;
    Tree.WriteText(Out, false, "\n");
    return Out.str();
  }
  static TActionParams SearchFor(std::vector<std::string> Terms) {
    TActionParams P;
    P.Action = TActionKind::acSearch;
    P.FileKind = TFileKind::fkText;
    P.SearchList = std::move(Terms);
    return P;
  }
};

TEST_F(DriverFixture, SearchStatisticsAsTheExampleGivesThem) {
  Step = 2500ms;  // start and end are read once each: 2.5 s apart is cut to 2
  Add("a.pas", "begin\nbegin x begin\nend\nbegin\n");
  Add("b.pas", std::string("\0\0\0\0binary", 10));
  Add("c.pas", "nothing here\n");
  Driver.DoFiles(SearchFor({"begin", "goto"}));
  EXPECT_EQ(Statistics(),
            (std::vector<std::string>{
                "Action took 2 seconds", "3 files were done", "2 files have results",
                "1 file was binary and therefore skipped.", "4 occurences of [begin] were found",
                "0 occurences of [goto] were found", "0 files were saved"}));
  EXPECT_EQ(Tree.Top(0)->Text, "Results for Search");
  EXPECT_EQ(Tree.FileNames(), (std::vector<std::string>{Dir.Path("a.pas"), Dir.Path("b.pas")}));
  EXPECT_EQ(Driver.SearchCounters, (std::vector<int64_t>{4, 0}));
  EXPECT_EQ(Driver.BinarySkipped, 1);
  EXPECT_EQ(Host.Warnings, std::vector<std::string>{
                               "This is a Test version! [0.25 Alpha] Make sure you have backups of "
                               "your files and check performed actions for correctness. The author "
                               "does not accept any liability for damage from using this program. "
                               "Continue?"});
  EXPECT_EQ(Host.Calls, (std::vector<std::string>{"confirm", "results page", "enter stop 2",
                                                  "leave", "save settings"}));
}

TEST_F(DriverFixture, SingularTextsAndDurationCutTowardZero) {
  Add("a.txt", "x\n");
  Step = 59900ms;
  Driver.DoFiles(SearchFor({"x"}));
  EXPECT_EQ(Statistics(), (std::vector<std::string>{
                              "Action took 59 seconds", "1 file was done", "1 file has results",
                              "1 occurence of [x] was found", "0 files were saved"}));
}

TEST_F(DriverFixture, EmptyListOnlyInforms) {
  Driver.DoFiles(SearchFor({"x"}));
  EXPECT_EQ(Host.Informations,
            std::vector<std::string>{"No files in list, select some files to perform action on"});
  EXPECT_EQ(Host.Calls, std::vector<std::string>{"information"});
  EXPECT_TRUE(Tree.Empty());
}

TEST_F(DriverFixture, AnsweringNoOrBeingBusyChangesNothing) {
  Add("a.txt", "x\n");
  Driver.DoFiles(SearchFor({"x"}));
  const std::string Before = TreeText();
  Host.ConfirmAnswer = false;
  Driver.DoFiles(SearchFor({"y"}));
  EXPECT_EQ(TreeText(), Before);
  EXPECT_EQ(Driver.SearchCounters, std::vector<int64_t>{1});
  Host.ConfirmAnswer = true;
  Host.SetBusy(bmFileList);
  Host.Calls.clear();
  Driver.DoFiles(SearchFor({"y"}));
  EXPECT_TRUE(Host.Calls.empty());
  EXPECT_EQ(TreeText(), Before);
}

TEST_F(DriverFixture, StopAfterTheFirstFileOfARun) {
  for (const char* Name : {"1.txt", "2.txt", "3.txt", "4.txt", "5.txt"}) Add(Name, "x\n");
  Host.StopAfterRefreshes = 1;
  TActionParams P;
  P.Action = TActionKind::acRunWith;
  P.RunWith = "true";
  Driver.DoFiles(P);
  EXPECT_EQ(Driver.FilesDone, 1);
  EXPECT_EQ(Statistics(), (std::vector<std::string>{
                              "Action took 0 seconds", "1 file was done",
                              "0 files had non-zero exitcodes, 5 completed with zero exitcode",
                              "Action was interrupted by User"}));
  // A run sets RefreshNeeded: the list is re-read after the pause, and the settings stored last.
  EXPECT_EQ(Host.Pauses, 1);
  EXPECT_EQ(Files.Count(), 5);
  EXPECT_EQ(Host.Calls.back(), "save settings");
}

TEST_F(DriverFixture, RunCountsNonZeroExitCodes) {
  Add("a.txt", "x\n");
  Add("b.txt", "x\n");
  TActionParams P;
  P.Action = TActionKind::acRunWith;
  P.RunWith = "ferrolin-no-such-program";
  Runner.ExitCodes = {NoExitCode, NoExitCode};
  Driver.DoFiles(P);
  EXPECT_EQ(Driver.NonZeroExitCodes, 2);
  EXPECT_EQ(Statistics().back(), "2 files had non-zero exitcodes, 0 completed with zero exitcode");
  EXPECT_EQ(Driver.FilesWithResults, 2);
}

TEST_F(DriverFixture, ErrorFromTheSecondFileEndsTheActionAfterTheCleanUp) {
  Add("1.txt", "");  // no line: the expression is not compiled here
  Add("2.txt", "some text\n");
  Add("3.txt", "more text\n");
  try {
    Driver.DoFiles([] {
      TActionParams P = SearchFor({"a("});
      P.UseRegExpr = true;
      return P;
    }());
    FAIL() << "the error was swallowed";
  } catch (const ERegexError& E) {
    EXPECT_EQ(E.Code, 103);
  }
  EXPECT_EQ(Driver.FilesDone, 1);
  EXPECT_EQ(Statistics(),
            (std::vector<std::string>{"Action took 0 seconds", "1 file was done",
                                      "0 occurences of [a(] were found", "0 files were saved"}));
  EXPECT_EQ(Host.Calls, (std::vector<std::string>{"confirm", "results page", "enter stop 2",
                                                  "leave", "save settings"}));
  EXPECT_EQ(Host.BusyMode(), bmIdle);
  ASSERT_NE(Driver.KeptFile, nullptr);
  EXPECT_EQ(Driver.KeptFile->FileName, Dir.Path("2.txt"));
  EXPECT_TRUE(Driver.CurrentFile.empty());
}

TEST_F(DriverFixture, KeptObjectIsReusedPerKindAndReplacedWhenTheKindChanges) {
  Add("a.txt", "x\n");
  Add("b.txt", "x\n");
  Add("c.txt", "x\n");
  // On one thread; worker threads need an object per file in flight.
  TActionParams Search = SearchFor({"x"});
  Search.Threads = 1;
  Driver.DoFiles(Search);
  // A fresh object of the check kind at the start, then one text file object for all three files.
  EXPECT_EQ(Created, 2);
  EXPECT_EQ(Driver.KeptFileKind, TFileKind::fkText);
  EXPECT_NE(dynamic_cast<TTextfile*>(Driver.KeptFile.get()), nullptr);
  EXPECT_EQ(Driver.KeptFile->FileName, Dir.Path("c.txt"));

  Created = 0;
  TActionParams Checks;
  Checks.Action = TActionKind::acChecks;
  Checks.FileKind = TFileKind::fkDelphi;
  Checks.ChosenChecks = CheckBit(coNoTryExcept);
  Checks.Threads = 1;
  Driver.DoFiles(Checks);
  EXPECT_EQ(Created, 1);  // the object made at the start serves every file
  EXPECT_EQ(Driver.KeptFileKind, TFileKind::fkDelphi);

  Created = 0;
  Checks.FileKind = TFileKind::fkOracle;
  Driver.DoFiles(Checks);
  EXPECT_EQ(Created, 2);
  EXPECT_EQ(Driver.KeptFileKind, TFileKind::fkOracle);
}

TEST_F(DriverFixture, ThreadsMakeAnObjectPerFileInFlightAndNoMore) {
  for (int i = 0; i < 12; ++i) Add("f" + std::to_string(10 + i) + ".txt", "x\n");
  TActionParams Search = SearchFor({"x"});
  Search.Threads = 2;
  Driver.DoFiles(Search);
  // The object of the check kind made at the start, then one per file: files this small are all
  // in flight at once, so none is free for reuse before the last has started.
  EXPECT_EQ(Created, 1 + 12);
  EXPECT_EQ(Driver.KeptFile->FileName, Dir.Path("f21.txt"));
  EXPECT_EQ(Driver.SearchCounters, std::vector<int64_t>{12});
}

TEST_F(DriverFixture, ReplaceAsksPerChangedFileOnlyWhenConfirming) {
  std::string A = Add("a.txt", "old\n");
  std::string B = Add("b.txt", "old old\n");
  Add("c.txt", "none\n");
  TActionParams P;
  P.Action = TActionKind::acReplace;
  P.SearchList = {"old"};
  P.ReplaceList = {"new"};
  P.ReplaceConfirm = true;
  Host.OverwriteAnswers = {true, false};
  Driver.DoFiles(P);
  EXPECT_EQ(Host.Questions,
            (std::vector<std::string>{"Overwrite " + A + " with changed version?",
                                      "Overwrite " + B + " with changed version?"}));
  EXPECT_EQ(TTempTree::ReadFile(A), "new\n");
  EXPECT_EQ(TTempTree::ReadFile(B), "old old\n");
  EXPECT_EQ(Statistics(), (std::vector<std::string>{
                              "Action took 0 seconds", "3 files were done", "2 files have results",
                              "3 occurences of [old] were replaced", "1 file was saved"}));
  EXPECT_NE(TreeText().find("User selected not to Overwrite this file"), std::string::npos);
  EXPECT_EQ(Host.Pauses, 1);  // a save asks for the list to be re-read

  Host.Questions.clear();
  P.ReplaceConfirm = false;
  P.SearchList = {"old", "new"};
  P.ReplaceList = {"new", "newer"};
  Driver.DoFiles(P);
  EXPECT_TRUE(Host.Questions.empty());
  // The second term sees the first one's replacements.
  EXPECT_EQ(TTempTree::ReadFile(A), "newer\n");
  EXPECT_EQ(TTempTree::ReadFile(B), "newer newer\n");
  EXPECT_EQ(Driver.SearchCounters, (std::vector<int64_t>{2, 3}));
}

TEST_F(DriverFixture, ReadOnlyFilesAreNotWrittenAndCounted) {
  std::string A = Add("a.txt", "old\n", faArchive | faReadOnly);
  chmod(A.c_str(), 0444);
  TActionParams P;
  P.Action = TActionKind::acReplace;
  P.SearchList = {"old"};
  P.ReplaceList = {"new"};
  Driver.DoFiles(P);
  EXPECT_EQ(TTempTree::ReadFile(A), "old\n");
  EXPECT_EQ(Statistics().back(), "0 files were saved [1 files are readonly]");
  EXPECT_NE(TreeText().find("File was Readonly, not overwritten"), std::string::npos);
  EXPECT_EQ(Host.Pauses, 0);
}

TEST_F(DriverFixture, AllBinaryFilesStillCountAsResults) {
  Add("a.bin", std::string("\0\0\0\0", 4));
  Add("b.bin", std::string("\0\0\0\0", 4));
  Driver.DoFiles(SearchFor({"x"}));
  EXPECT_EQ(Statistics(), (std::vector<std::string>{
                              "Action took 0 seconds", "2 files were done", "2 files have results",
                              "2 files were binary and therefore skipped.",
                              "0 occurences of [x] were found", "0 files were saved"}));
}

TEST_F(DriverFixture, TraceIsEmptiedAndWrittenPerAction) {
  Add("a.txt", "x\n");
  Trace.Append("old line");
  Driver.DoFiles(SearchFor({"x"}));
  ASSERT_EQ(Trace.Count(), 2);
  EXPECT_EQ(Trace[0], "a.txt" + std::string(25, '.') + "Loaded 1 lines");
  EXPECT_EQ(Trace[1], std::string(30, ' ') + "Found 1 occurences of x");
}

}  // namespace
