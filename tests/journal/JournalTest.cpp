// The journal keeps what undo needs, undo restores only what it can prove, and the store prunes.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "files/uFL_FileSave.h"
#include "journal/uFL_Journal.h"
#include "journal/uFL_Undo.h"
#include "support/TempTree.h"
#include "support/uFL_ResultTree.h"

namespace {

class Journal : public testing::Test {
 protected:
  std::string Runs() const { return T.Path("state/runs"); }

  // Saves New over Path the way a replace does.
  static void Save(TJournalWriter& J, const std::string& Path, const std::string& New) {
    ASSERT_TRUE(SaveFileContent(Path, TTempTree::ReadFile(Path), New, &J));
  }

  // One run replacing "old" by "new" in each of Names (made with the text "old NAME\n").
  std::string Replace(const std::vector<std::string>& Names) {
    TJournalWriter J(Runs(), "replace", {"old"}, {"new"});
    for (const auto& Name : Names) {
      if (!std::filesystem::exists(T.Path(Name))) T.File(Name, "old " + Name + "\n");
      Save(J, T.Path(Name), "new " + Name + "\n");
    }
    return J.RunId();
  }

  TTempTree T;
};

TEST_F(Journal, UndoRestoresContentAndModeAndNamesWhatItCannot) {
  T.File("a.txt", "old a.txt\n");
  chmod(T.Path("a.txt").c_str(), 0640);
  const std::string Id = Replace({"a.txt", "b.txt", "c.txt", "d.txt"});
  T.File("b.txt", "edited by hand\n");
  std::filesystem::remove(T.Path("c.txt"));

  ASSERT_EQ(LastUndoableRun(Runs()), Id);
  const TUndoOutcome Out = UndoJournalRun(Runs(), Id);
  EXPECT_EQ(Out.Restored, 2);
  EXPECT_EQ(T.Read("a.txt"), "old a.txt\n");
  EXPECT_EQ(T.Read("d.txt"), "old d.txt\n");
  struct stat St;
  ASSERT_EQ(stat(T.Path("a.txt").c_str(), &St), 0);
  EXPECT_EQ(St.st_mode & 07777, 0640u);
  EXPECT_EQ(T.Read("b.txt"), "edited by hand\n");
  const std::vector<std::pair<std::string, std::string>> Named = {
      {T.Path("c.txt"), NotRestoredGone}, {T.Path("b.txt"), NotRestoredChanged}};
  EXPECT_EQ(Out.NotRestored, Named);

  TResultTree Tree;
  WriteUndoResults(Tree, Out, 0);
  std::ostringstream Text;
  Tree.WriteText(Text, false, "\n");
  EXPECT_EQ(Text.str(),
            "Results for Undo\n\tStatistics\n\t\tAction took 0 seconds\n"
            "\t\t2 files were restored\n\t\t2 files were not restored\n" +
                T.Path("c.txt") + "\n\tUndo\n\t\t" + NotRestoredGone + "\n" + T.Path("b.txt") +
                "\n\tUndo\n\t\t" + NotRestoredChanged + "\n");
}

// Undo saves as the replace did: a file with a second name is restored under both.
TEST_F(Journal, UndoKeepsHardLinks) {
  T.File("a.txt", "old a.txt\n");
  ASSERT_EQ(link(T.Path("a.txt").c_str(), T.Path("twin.txt").c_str()), 0);
  UndoJournalRun(Runs(), Replace({"a.txt"}));
  EXPECT_EQ(T.Read("twin.txt"), "old a.txt\n");
  struct stat A, Twin;
  ASSERT_EQ(stat(T.Path("a.txt").c_str(), &A), 0);
  ASSERT_EQ(stat(T.Path("twin.txt").c_str(), &Twin), 0);
  EXPECT_EQ(A.st_ino, Twin.st_ino);
}

TEST_F(Journal, AnUndoIsMarkedAndCanItselfBeUndone) {
  const std::string Id = Replace({"a.txt"});
  const TUndoOutcome Out = UndoJournalRun(Runs(), Id);
  ASSERT_EQ(T.Read("a.txt"), "old a.txt\n");
  const auto Runs1 = ListJournalRuns(Runs());
  ASSERT_EQ(Runs1.size(), 2u);
  EXPECT_EQ(Runs1[0].Id, Out.UndoRunId);
  EXPECT_EQ(Runs1[0].Action, "undo");
  EXPECT_TRUE(Runs1[1].Undone);
  EXPECT_NE(RunListLine(Runs1[1]).find("\treplace\t[old] -> [new]\t1 file\tundone"),
            std::string::npos)
      << RunListLine(Runs1[1]);

  // The next undo takes the undo, which gives the replaced text back.
  ASSERT_EQ(LastUndoableRun(Runs()), Out.UndoRunId);
  UndoJournalRun(Runs(), Out.UndoRunId);
  EXPECT_EQ(T.Read("a.txt"), "new a.txt\n");
}

TEST_F(Journal, AFileWrittenTwiceInOneRunGetsItsFirstContentBack) {
  T.File("a.txt", "one\n");
  std::string Id;
  {
    TJournalWriter J(Runs(), "replace", {"x"}, {"y"});
    Save(J, T.Path("a.txt"), "two\n");
    Save(J, T.Path("a.txt"), "three\n");
    Id = J.RunId();
  }
  EXPECT_EQ(UndoJournalRun(Runs(), Id).Restored, 2);
  EXPECT_EQ(T.Read("a.txt"), "one\n");
}

TEST_F(Journal, ADamagedJournalRestoresWhatItCanProve) {
  const std::string Id = Replace({"a.txt", "b.txt", "c.txt"});
  const std::string Data = Runs() + "/" + Id + "/" + OriginalsName;
  std::string Bytes = TTempTree::ReadFile(Data);
  // Flip a byte of a.txt's original, and cut c.txt's record short.
  const size_t A = Bytes.find("old a.txt");
  ASSERT_NE(A, std::string::npos);
  Bytes[A] = 'O';
  Bytes.resize(Bytes.find("old c.txt") + 3);
  std::ofstream(Data, std::ios::binary | std::ios::trunc) << Bytes;
  // A manifest cut inside its last line still reads.
  std::ofstream(Runs() + "/" + Id + "/" + ManifestName, std::ios::app) << "{\"type\":\"sav";

  const TUndoOutcome Out = UndoJournalRun(Runs(), Id);
  EXPECT_EQ(Out.Restored, 1);
  EXPECT_EQ(T.Read("b.txt"), "old b.txt\n");
  EXPECT_EQ(T.Read("a.txt"), "new a.txt\n");
  EXPECT_EQ(T.Read("c.txt"), "new c.txt\n");
  const std::vector<std::pair<std::string, std::string>> Named = {
      {T.Path("c.txt"), NotRestoredDamaged}, {T.Path("a.txt"), NotRestoredDamaged}};
  EXPECT_EQ(Out.NotRestored, Named);
}

TEST_F(Journal, AnUnwritableStateDirectoryStopsBeforeAnyFile) {
  T.File("state", "a file where the folder should be");
  try {
    TJournalWriter J(Runs(), "replace", {"a"}, {"b"});
    FAIL() << "the journal opened";
  } catch (const std::runtime_error& E) {
    EXPECT_NE(std::string(E.what()).find("no file was changed"), std::string::npos) << E.what();
  }
}

TEST_F(Journal, RunsWithoutFilesLeaveNothing) {
  { TJournalWriter J(Runs(), "replace", {"a"}, {"b"}); }
  EXPECT_TRUE(JournalRunIds(Runs()).empty());
  EXPECT_EQ(LastUndoableRun(Runs()), "");
}

TEST_F(Journal, PruningDropsTheOldestRunsBeyondTheLimits) {
  std::vector<std::string> Ids;
  for (int i = 0; i < 4; ++i) Ids.push_back(Replace({"f" + std::to_string(i)}));
  PruneRuns(Runs(), {3, int64_t(1) << 30}, "");
  EXPECT_EQ(JournalRunIds(Runs()), std::vector<std::string>(Ids.begin() + 1, Ids.end()));
  // A run larger than the byte limit is kept whole; every older run goes.
  PruneRuns(Runs(), {20, 10}, Ids[2]);
  EXPECT_EQ(JournalRunIds(Runs()), std::vector<std::string>{Ids[2]});
}

TEST_F(Journal, PathsThatAreNotUtf8SurviveTheManifest) {
  const std::string Id = Replace({"caf\xE9.txt"});
  const TJournalRunInfo Run = ReadJournalRun(Runs() + "/" + Id);
  ASSERT_EQ(Run.Files.size(), 1u);
  EXPECT_EQ(Run.Files[0].Path, T.Path("caf\xE9.txt"));
  EXPECT_TRUE(Run.Files[0].Saved);
  EXPECT_EQ(UndoJournalRun(Runs(), Id).Restored, 1);
  EXPECT_EQ(T.Read("caf\xE9.txt"), "old caf\xE9.txt\n");
}

}  // namespace
