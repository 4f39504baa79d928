// Bad input during walks and actions: unreadable directories and files, files that vanish or
// change size mid-action, link loops, and list files naming deleted files. Nothing is lost and
// every problem is reported where it belongs.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <fcntl.h>
#include <unistd.h>

#include <sstream>

#include "fileset/uFL_FileList.h"
#include "fileset/uFL_FileSelection.h"
#include "shell/uFL_ActionDriver.h"
#include "support/ChildProcess.h"
#include "support/FakeActionHost.h"
#include "support/TempTree.h"
#include "support/uFL_ResultTree.h"

namespace {

std::string TreeText(const TResultTree& Tree) {
  std::ostringstream Out;
  Tree.WriteText(Out, false, "\n");
  return Out.str();
}

class Faults : public testing::Test {
 protected:
  void SetUp() override {
    // The unprivileged child of a root run must be able to reach the tree.
    chmod(T.Path("").c_str(), 0755);
  }
  TTempTree T;
  TFileList List;
  TResultTree Tree;
  TTraceLines Trace;
  TTraceLog Log{Trace};
  TFakeActionHost Host{&Log};
  TFileSelection Selection{List, Host};
  TActionDriver Driver{List, Tree, Log, Host};

  void Search(const std::string& Term) {
    TActionParams P;
    P.Action = TActionKind::acSearch;
    P.SearchList = {Term};
    Driver.DoFiles(P);
  }
};

TEST_F(Faults, UnreadableDirectoriesAreSkippedSilently) {
  T.File("open/a.txt", "x\n");
  T.File("closed/b.txt", "x\n");
  T.File("c.txt", "x\n");
  chmod(T.Path("open").c_str(), 0755);
  // No permission at all keeps out the owner as well as everyone else.
  chmod(T.Path("closed").c_str(), 0000);
  const std::string Root = T.Dir();
  const std::string Listed = AsOrdinaryUser([&]() -> std::string {
    if (access(T.Path("closed/b.txt").c_str(), F_OK) == 0) return "the directory is not closed";
    TFileList L;
    TFakeActionHost H;
    TFileSelection S(L, H);
    S.CollectFiles(true, {Root, "*.txt", {}, true});
    std::string Out;
    for (int i = 0; i < L.Count(); ++i) Out += L.Path(i).substr(Root.size()) + "\n";
    return Out;
  });
  EXPECT_EQ(Listed, "c.txt\nopen/a.txt\n");
}

TEST_F(Faults, UnreadableFileGetsItsErrorAndTheActionGoesOn) {
  T.File("a.txt", "needle\n");
  std::string Secret = T.File("b.txt", "needle\n");
  chmod(Secret.c_str(), 0000);
  T.File("c.txt", "needle\n");
  const std::string Root = T.Dir();
  const std::string Results = AsOrdinaryUser([&]() -> std::string {
    if (const int Fd = open(Secret.c_str(), O_RDONLY); Fd >= 0) {
      close(Fd);
      return "the file is not unreadable";
    }
    TFileList L;
    TResultTree R;
    TTraceLines Tr;
    TTraceLog TrLog(Tr);
    TFakeActionHost H(&TrLog);
    TFileSelection S(L, H);
    S.CollectFiles(true, {Root, "*.txt", {}, false});
    TActionDriver D(L, R, TrLog, H);
    TActionParams P;
    P.Action = TActionKind::acSearch;
    P.SearchList = {"needle"};
    D.DoFiles(P);
    return TreeText(R);
  });
  EXPECT_NE(Results.find(Root + "b.txt\n\tErrors\n\t\tError loading file: Permission denied\n"),
            std::string::npos)
      << Results;
  EXPECT_NE(Results.find("\t\t2 occurences of [needle] were found\n"), std::string::npos);
  EXPECT_NE(Results.find("\t\t3 files have results\n"), std::string::npos);
}

TEST_F(Faults, FileVanishingMidActionIsReportedUnderItsName) {
  T.File("a.txt", "needle\n");
  T.File("b.txt", "needle\n");
  Selection.CollectFiles(true, {T.Dir(), "*.txt", {}, false});
  // The second file goes while the first one is being finished.
  Host.StopAfterRefreshes = -1;
  struct TVanishingHost : TFakeActionHost {
    using TFakeActionHost::TFakeActionHost;
    std::string Victim;
    void UpdateStatusLine(bool Recount) override {
      if (!Victim.empty()) std::filesystem::remove(Victim);
      TFakeActionHost::UpdateStatusLine(Recount);
    }
  } Vanishing(&Log);
  Vanishing.Victim = T.Path("b.txt");
  TActionDriver D(List, Tree, Log, Vanishing);
  TActionParams P;
  P.Action = TActionKind::acSearch;
  P.SearchList = {"needle"};
  // On one thread: a worker would have read the second file before the first one is finished.
  P.Threads = 1;
  D.DoFiles(P);
  EXPECT_NE(TreeText(Tree).find(T.Path("b.txt") +
                                "\n\tErrors\n\t\tError loading file: No such file or directory\n"),
            std::string::npos);
  EXPECT_EQ(D.FilesDone, 2);
  EXPECT_EQ(D.BinarySkipped, 1);
}

TEST_F(Faults, FileGrownSinceListingIsSkippedAndLeftAlone) {
  const std::string P = T.File("a.txt", "old text\n");
  Selection.CollectFiles(true, {T.Dir(), "*.txt", {}, false});
  T.File("a.txt", "old text\nand a good deal more than was listed\n");
  TActionParams Params;
  Params.Action = TActionKind::acReplace;
  Params.SearchList = {"old"};
  Params.ReplaceList = {"new"};
  Driver.DoFiles(Params);
  EXPECT_NE(TreeText(Tree).find(P + "\n\tErrors\n\t\tBinary file, skipped\n"), std::string::npos);
  EXPECT_EQ(T.Read("a.txt"), "old text\nand a good deal more than was listed\n");
}

TEST_F(Faults, LinkLoopsEndAndListEveryFileOnce) {
  T.File("a/x.pas", "x");
  T.File("a/b/y.pas", "y");
  symlink("..", T.Path("a/b/up").c_str());
  symlink(".", T.Path("a/self").c_str());
  symlink("x.pas", T.Path("a/alias.pas").c_str());
  Selection.CollectFiles(true, {T.Dir(), "*.pas", {}, true});
  std::vector<std::string> Rel;
  for (const auto& Path : List.Paths()) Rel.push_back(Path.substr(T.Dir().size()));
  // A link to a file is that file under its own name; links to directories are never followed.
  EXPECT_EQ(Rel, (std::vector<std::string>{"a/alias.pas", "a/b/y.pas", "a/x.pas"}));
}

TEST_F(Faults, ListFileNamingDeletedFilesLoadsWhatExists) {
  T.File("keep.txt", "x");
  const std::string Gone = T.File("gone.txt", "x");
  T.File("set.fll", T.Path("keep.txt") + "\r\n" + Gone + "\r\n");
  std::filesystem::remove(Gone);
  Selection.LoadFromFile(T.Path("set.fll"));
  EXPECT_EQ(List.Paths(), std::vector<std::string>{T.Path("keep.txt")});
  // The list file itself is left as it was.
  EXPECT_EQ(T.Read("set.fll"), T.Path("keep.txt") + "\r\n" + Gone + "\r\n");
}

}  // namespace
