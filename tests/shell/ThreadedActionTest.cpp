// Actions on worker threads: the tree, the trace, the statistics, the questions and the files on
// disk are those of the run on one thread, for every action; stopping a threaded run.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <sstream>
#include <string>
#include <vector>

#include "fileset/uFL_FileList.h"
#include "shell/uFL_ActionDriver.h"
#include "support/FakeActionHost.h"
#include "support/TempTree.h"
#include "support/uFL_Log.h"
#include "support/uFL_ResultTree.h"
#include "support/uFL_Utils.h"

namespace {

// A Delphi unit whose findings vary with I: unequal creations, a SetAbort outside a try, no
// try..except in every third unit, inherited calls, CRLF in every fifth.
std::string DelphiUnit(int I) {
  std::string S = "unit u" + std::to_string(I) +
                  ";\n\ninterface\n\nuses\n  Classes, SysUtils;\n\ntype\n"
                  "  TItem" +
                  std::to_string(I) +
                  " = class(TObject)\n  public\n    constructor Create;\n"
                  "    destructor Destroy; override;\n    procedure Run;\n  end;\n\n"
                  "implementation\n\nuses\n  Windows;\n\n";
  S += "constructor TItem" + std::to_string(I) +
       ".Create;\nbegin\n  inherited Create;\n  FList := TList.Create;\n";
  if (I % 2) S += "  FCache := TStringList.Create;\n";
  S += "end;\n\ndestructor TItem" + std::to_string(I) +
       ".Destroy;\nbegin\n  FList.Free;\n  inherited;\nend;\n\n";
  S += "procedure TItem" + std::to_string(I) + ".Run;\nbegin\n";
  if (I % 3)
    S += "  try\n    DoWork;\n    SetComplete;\n  except\n    SetAbort;\n  end;\n";
  else
    S += "  SetAbort;\n  inherited Run;\n";
  S += "  BEGIN_Marker := 'Free begin';\nend;\n\nend.\n";
  if (I % 5 == 0) {
    std::string Crlf;
    for (char C : S) Crlf += C == '\n' ? std::string("\r\n") : std::string(1, C);
    return Crlf;
  }
  return S;
}

// A PL/SQL package body with a cursor that is closed only in every other package.
std::string OraclePackage(int I) {
  std::string S = "create or replace package body pkg" + std::to_string(I) +
                  " as\n  procedure load is\n    cursor c_rows is select * from t;\n"
                  "    r c_rows%rowtype;\n  begin\n    open c_rows;\n    fetch c_rows into r;\n";
  if (I % 2) S += "    close c_rows;\n";
  S += "    if r.id > 0 then\n      null;\n    end if;\n  end load;\nend pkg" + std::to_string(I) +
       ";\n/\n";
  return S;
}

std::string TextFile(int I) {
  std::string S;
  for (int L = 0; L < 3 + I % 7; ++L)
    S += "Line " + std::to_string(L) + ": begin and Begin, free(" + std::to_string(I * L) +
         ") Open cursor\n";
  return S;
}

// The generated tree: kinds interleaved in the list, with a binary, an empty, a read-only and a
// missing file among them, and files without lines first (an expression that does not compile
// fails only at the first line it is matched against). Written afresh before every run, at the
// same paths.
struct TGeneratedTree {
  TTempTree Dir;
  static constexpr int Units = 36;

  void Write(TFileList& Files) const {
    Files.Clear();
    for (int I = 0; I < 4; ++I) Add(Files, "aa/empty" + std::to_string(I) + ".txt", "");
    for (int I = 0; I < Units; ++I) {
      const std::string N = std::to_string(100 + I);
      Add(Files, "src/u" + N + ".pas", DelphiUnit(I));
      if (I % 3 == 0) Add(Files, "db/p" + N + ".pkb", OraclePackage(I));
      if (I % 4 == 0) Add(Files, "doc/t" + N + ".txt", TextFile(I));
    }
    Add(Files, "bin/data.bin", std::string("begin\0\0\0Free", 12));
    Add(Files, "doc/empty.txt", "");
    Add(Files, "src/readonly.pas", DelphiUnit(7), faArchive | faReadOnly);
    const std::string Gone = Add(Files, "src/gone.pas", DelphiUnit(8));
    std::filesystem::remove(Gone);
  }

 private:
  std::string Add(TFileList& Files, const std::string& Rel, const std::string& Bytes,
                  int Attr = faArchive) const {
    const std::string P = Dir.Path(Rel);
    chmod(P.c_str(), 0644);
    Dir.File(Rel, Bytes);
    if (Attr & faReadOnly) chmod(P.c_str(), 0444);
    TSearchRec Rec;
    Rec.Name = Rel.substr(Rel.rfind('/') + 1);
    Rec.Size = int64_t(Bytes.size());
    Rec.Attr = Attr;
    Files.Add(P, Rec);
    return P;
  }
};

// Everything a run leaves behind that a user can see.
struct TRunOutcome {
  std::string Tree;
  std::vector<std::string> Trace;
  std::vector<std::string> Questions;
  std::vector<int64_t> Counters;
  std::string Disk;
  std::string Error;
};

TActionParams Params(TActionKind Action, TFileKind Kind, std::vector<std::string> Terms = {}) {
  TActionParams P;
  P.Action = Action;
  P.FileKind = Kind;
  P.SearchList = std::move(Terms);
  return P;
}

struct TCase {
  const char* Name;
  const char* Expect;  // in the tree or the error of the run on one thread: it did some work
  TActionParams P;
  int StopAfter = -1;  // Stop is pressed during the status refresh after this many files
};

std::vector<TCase> Cases() {
  std::vector<TCase> C;
  C.push_back(
      {"search", "\tSearch\n",
       Params(TActionKind::acSearch, TFileKind::fkText, {"begin", "Free", "no such term"})});
  C.back().P.CaseSensitive = true;
  C.push_back({"case-insensitive search", "\tSearch\n",
               Params(TActionKind::acSearch, TFileKind::fkText, {"BEGIN", "open c"})});
  C.push_back({"regex search", "\tSearch\n",
               Params(TActionKind::acSearch, TFileKind::fkText,
                      {R"(\bT[A-Z]\w+\.Create)", R"((open|fetch|close)\s+\w+)"})});
  C.back().P.UseRegExpr = true;
  C.push_back({"regex error", "5 files were done",
               Params(TActionKind::acSearch, TFileKind::fkText, {"begin", "a("})});
  C.back().P.UseRegExpr = true;
  C.push_back({"replace", "User selected not to Overwrite this file",
               Params(TActionKind::acReplace, TFileKind::fkText, {"Free", "begin"})});
  C.back().P.ReplaceList = {"Release", "BEGIN"};
  C.back().P.ReplaceConfirm = true;
  C.push_back({"regex replace", "files were saved",
               Params(TActionKind::acReplace, TFileKind::fkText, {R"(T(List|StringList))"})});
  C.back().P.ReplaceList = {"TObjectList"};
  C.back().P.UseRegExpr = true;
  C.push_back({"Delphi checks", "Inherited not at Start or End of Routine",
               Params(TActionKind::acChecks, TFileKind::fkDelphi)});
  C.back().P.ChosenChecks = CheckBit(coCreateDestroy) | CheckBit(coSetAbortComplete) |
                            CheckBit(coNoTryExcept) | CheckBit(coInherited);
  C.push_back({"Oracle check", "Open=Fetch=Close does not match for",
               Params(TActionKind::acChecks, TFileKind::fkOracle)});
  C.back().P.ChosenChecks = CheckBit(coOpenFetchClose);
  C.push_back({"replace stopped", "Action was interrupted by User",
               Params(TActionKind::acReplace, TFileKind::fkText, {"begin"})});
  C.back().P.ReplaceList = {"start"};
  C.back().StopAfter = 9;
  C.push_back(
      {"add unit", "files were saved", Params(TActionKind::acAddUnit, TFileKind::fkDelphi)});
  C.back().P.UnitName = "uAdded";
  C.back().P.AddUnitConfirm = true;
  return C;
}

TRunOutcome RunCase(const TGeneratedTree& Gen, const TCase& C, unsigned Threads) {
  TActionParams P = C.P;
  TFileList Files;
  Gen.Write(Files);
  TResultTree Tree;
  TTraceLines Lines;
  TTraceLog Log{Lines};
  TFakeActionHost Host{&Log};
  // Yes, No, Yes, No ... to every overwrite question.
  for (int i = 0; i < 200; ++i) Host.OverwriteAnswers.push_back(i % 2 == 0);
  Host.StopAfterRefreshes = C.StopAfter;
  TActionDriver Driver{Files, Tree, Log, Host};
  Driver.Now = [] { return TActionDriver::TClock::time_point{}; };
  P.Threads = Threads;

  const std::vector<std::string> Listed = Files.Paths();  // the list is re-read after a save
  TRunOutcome R;
  try {
    Driver.DoFiles(P);
  } catch (const std::exception& E) {
    R.Error = E.what();
  }
  std::ostringstream Out;
  Tree.WriteText(Out, false, "\n");
  R.Tree = Out.str();
  R.Trace = Lines.Lines();
  R.Questions = Host.Questions;
  R.Counters = {Driver.FilesDone,        Driver.FilesWithResults, Driver.BinarySkipped,
                Driver.FilesSaved,       Driver.NonZeroExitCodes, int64_t(Driver.RefreshNeeded),
                int64_t(Host.Refreshes), int64_t(Host.Pauses)};
  R.Counters.insert(R.Counters.end(), Driver.SearchCounters.begin(), Driver.SearchCounters.end());
  for (const std::string& Path : Listed) R.Disk += Path + "\n" + TTempTree::ReadFile(Path);
  // Each file's lines come as one block, the blocks in list order: the names that open a block
  // are a part of the list's names, in order.
  size_t Next = 0;
  for (const std::string& Line : R.Trace) {
    if (Line[0] == ' ') continue;
    const std::string Name = Line.substr(0, Line.find(".."));
    while (Next < Listed.size() && ExtractFileName(Listed[Next]) != Name) ++Next;
    EXPECT_LT(Next, Listed.size()) << "out of order: " << Line;
  }
  return R;
}

TEST(ThreadedAction, EveryActionGivesWhatOneThreadGives) {
  TGeneratedTree Gen;
  for (const TCase& C : Cases()) {
    SCOPED_TRACE(C.Name);
    const TRunOutcome One = RunCase(Gen, C, 1);
    EXPECT_NE((One.Tree + One.Error).find(C.Expect), std::string::npos) << One.Tree << One.Error;
    EXPECT_FALSE(One.Trace.empty());
    for (unsigned Threads : {2u, 8u}) {
      SCOPED_TRACE("threads " + std::to_string(Threads));
      const TRunOutcome Many = RunCase(Gen, C, Threads);
      EXPECT_EQ(Many.Tree, One.Tree);
      EXPECT_EQ(Many.Trace, One.Trace);
      EXPECT_EQ(Many.Questions, One.Questions);
      EXPECT_EQ(Many.Counters, One.Counters);
      EXPECT_EQ(Many.Disk, One.Disk);
      EXPECT_EQ(Many.Error, One.Error);
    }
  }
}

}  // namespace
