// The file list's order and identity, the add/remove walk, file specifications and list files.
#include "fileset/uFL_FileList.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "fileset/uFL_FileSelection.h"
#include "support/FakeActionHost.h"
#include "support/TempTree.h"
#include "support/uFL_Utils.h"

namespace {

std::vector<std::string> Relative(const TFileList& L, const std::string& Root) {
  std::vector<std::string> R;
  for (int i = 0; i < L.Count(); ++i) {
    const std::string& P = L.Path(i);
    R.push_back(P.rfind(Root, 0) == 0 ? P.substr(Root.size()) : P);
  }
  return R;
}

using Names = std::vector<std::string>;

TEST(FileList, SortsWithoutCaseAndKeepsCaseVariantsApart) {
  TFileList L;
  for (const char* P : {"b.txt", "A.txt", "a.txt", "_x", "B.TXT", "c"}) L.Add(P, TSearchRec{});
  EXPECT_EQ(L.Paths(), (Names{"A.txt", "a.txt", "B.TXT", "b.txt", "c", "_x"}));
  EXPECT_FALSE(L.Add("a.txt", TSearchRec{}));
  EXPECT_EQ(L.Count(), 6);
  EXPECT_EQ(L.IndexOf("B.TXT"), 2);
  EXPECT_EQ(L.IndexOf("b.TXT"), -1);
  L.Delete(0);
  EXPECT_EQ(L.Path(0), "a.txt");
  EXPECT_THROW(L.Path(10), std::out_of_range);
}

TEST(FileList, ObserversHearOneResetPerUpdateBlock) {
  TFileList L;
  int About = 0, Changed = 0;
  L.OnAboutToChange = [&] { ++About; };
  L.OnChanged = [&] { ++Changed; };
  L.BeginUpdate();
  for (int i = 0; i < 100; ++i) L.Add(std::to_string(i), TSearchRec{});
  L.EndUpdate();
  EXPECT_EQ(About, 1);
  EXPECT_EQ(Changed, 1);
  L.Add("x", TSearchRec{});
  EXPECT_EQ(Changed, 2);
}

TEST(FileList, ReadOnlyCount) {
  TFileList L;
  L.Add("a", TSearchRec{0, 1, faArchive | faReadOnly, "a"});
  L.Add("b", TSearchRec{0, 1, faArchive, "b"});
  L.Add("c", TSearchRec{0, 1, faArchive | faReadOnly, "c"});
  EXPECT_EQ(L.ReadOnlyCount(), 2);
}

class Selection : public testing::Test {
 protected:
  void SetUp() override {
    T.File("a.pas", "1");
    T.File("a.dfm", "1");
    T.File("b.txt", "1");
    T.File("sub/c.pas", "1");
    T.File("sub/d.dfm", "1");
    T.File("sub/deeper/e.pas", "1");
    T.File("notes.pas/f.txt", "1");
    T.File(".hid/g.pas", "1");
  }
  void Collect(bool Add, TCollectParams P) {
    if (P.Dir.empty()) P.Dir = T.Dir();
    Sel.CollectFiles(Add, P);
  }
  Names Rel() const { return Relative(List, T.Dir()); }

  TTempTree T;
  TFileList List;
  TFakeActionHost Host;
  TFileSelection Sel{List, Host};
};

TEST_F(Selection, TypesWithoutSubdirectories) {
  Collect(true, {"", "", {"*.dfm", "*.pas"}, false});
  EXPECT_EQ(Rel(), (Names{"a.dfm", "a.pas"}));
  EXPECT_EQ(Host.Calls, (Names{"enter stop 1", "leave"}));
}

TEST_F(Selection, MaskBeatsTypesAndVisitsEveryDirectory) {
  Collect(true, {"", "*.pas", {"*.txt"}, true});
  // Directories are visited whatever the mask; hidden ones never.
  EXPECT_EQ(Rel(), (Names{"a.pas", "sub/c.pas", "sub/deeper/e.pas"}));
  Collect(true, {"", "*.txt", {}, true});
  EXPECT_EQ(Rel(), (Names{"a.pas", "b.txt", "notes.pas/f.txt", "sub/c.pas", "sub/deeper/e.pas"}));
}

TEST_F(Selection, AllFilesTypeEndsTheTypeScan) {
  Collect(true, {"", "", {"*.*", "*.pas"}, false});
  EXPECT_EQ(Rel(), (Names{"a.dfm", "a.pas", "b.txt"}));
}

TEST_F(Selection, NothingCheckedScansNothing) {
  Collect(true, {"", "", {}, true});
  EXPECT_TRUE(List.Empty());
}

TEST_F(Selection, AddingTwiceDoesNotDuplicateAndRemoveTakesExactlyThoseOut) {
  Collect(true, {"", "*.pas", {}, true});
  Collect(true, {"", "*.pas", {}, true});
  EXPECT_EQ(List.Count(), 3);
  Collect(true, {"", "*.txt", {}, false});
  Collect(false, {"", "*.pas", {}, true});
  EXPECT_EQ(Rel(), (Names{"b.txt"}));
}

TEST_F(Selection, StopEndsTheWalkAtTheNextDirectory) {
  Host.StopAfterRefreshes = 1;
  Collect(true, {"", "*.*", {}, true});
  // The first directory to finish is the deepest one reached first; nothing is scanned after.
  EXPECT_LT(List.Count(), 7);
  EXPECT_GE(List.Count(), 1);
}

TEST_F(Selection, FileSpecsAddMatchesOfOneDirectory) {
  Sel.AddFileSpec(T.Path("sub/*.pas"));
  Sel.AddFileSpec(T.Path("missing.pas"));
  Sel.AddFileSpec("");
  Sel.AddFileSpec(T.Path("sub/"));
  Sel.AddFileSpec(T.Path("b.txt"));
  EXPECT_EQ(Rel(), (Names{"b.txt", "sub/c.pas"}));
}

TEST_F(Selection, RefreshDropsVanishedFilesAndRenewsRecords) {
  Collect(true, {"", "*.pas", {}, true});
  std::filesystem::remove(T.Path("sub/c.pas"));
  T.File("a.pas", "grown to more bytes");
  Sel.RefreshFileList(true);
  EXPECT_EQ(Host.Pauses, 1);
  EXPECT_EQ(Rel(), (Names{"a.pas", "sub/deeper/e.pas"}));
  EXPECT_EQ(List.Rec(0).Size, 19);
}

TEST_F(Selection, WalkRecordsAreThoseOfTheWalkOrOfTheirFirstUse) {
  chmod(T.Path("a.pas").c_str(), 0444);
  T.File("sub/c.pas", "grown");
  symlink("../a.dfm", T.Path("sub/link.pas").c_str());
  const Names All{"a.pas", "sub/c.pas", "sub/deeper/e.pas", "sub/link.pas"};
  Collect(true, {"", "*.pas", {}, true});
  ASSERT_EQ(Rel(), All);
  const struct {
    int64_t Size;
    int Attr;
  } Expected[] = {{1, faArchive | faReadOnly}, {5, faArchive}, {1, faArchive}, {1, faArchive}};
  T.File("sub/c.pas", "grown after the walk");
  for (int i = 0; i < List.Count(); ++i) {
    EXPECT_EQ(List.Rec(i).Size, Expected[i].Size) << List.Path(i);
    EXPECT_EQ(List.Rec(i).Attr, Expected[i].Attr) << List.Path(i);
  }
  EXPECT_EQ(List.Rec(0).Name, "a.pas");
  EXPECT_GT(List.Rec(0).Time, 0);
  EXPECT_EQ(List.ReadOnlyCount(), 1);

  // Paths only: a record is read when first wanted; a file gone by then keeps an empty one.
  List.Clear();
  TCollectParams PathsOnly{"", "*.pas", {}, true};
  PathsOnly.ReadRecords = false;
  Collect(true, PathsOnly);
  std::filesystem::remove(T.Path("sub/deeper/e.pas"));
  ASSERT_EQ(Rel(), All);
  EXPECT_EQ(List.Rec(1).Size, 20);
  EXPECT_EQ(List.Rec(2).Size, 0);
  EXPECT_EQ(List.ReadOnlyCount(), 1);
  // Read at once instead, a file gone since the listing leaves the list.
  List.Clear();
  Collect(true, PathsOnly);
  std::filesystem::remove(T.Path("sub/c.pas"));
  List.ReadRecords();
  EXPECT_EQ(Rel(), (Names{"a.pas", "sub/link.pas"}));
}

TEST_F(Selection, KeepOnlyFile) {
  Collect(true, {"", "*.pas", {}, true});
  Sel.KeepOnlyFile(1);
  EXPECT_EQ(Rel(), (Names{"sub/c.pas"}));
  std::filesystem::remove(T.Path("sub/c.pas"));
  Sel.KeepOnlyFile(0);
  EXPECT_TRUE(List.Empty());
  EXPECT_THROW(Sel.KeepOnlyFile(0), std::out_of_range);
}

TEST_F(Selection, ListFileRoundTripWithCrLf) {
  Collect(true, {"", "*.*", {}, true});
  const Names Before = List.Paths();
  Sel.SaveToFile(T.Path("set.fll"));
  std::string Expected;
  for (const auto& P : Before) Expected += P + "\r\n";
  EXPECT_EQ(T.Read("set.fll"), Expected);
  List.Clear();
  Sel.LoadFromFile(T.Path("set.fll"));
  // set.fll itself is not in the list: it was written after the walk.
  EXPECT_EQ(List.Paths(), Before);
}

TEST_F(Selection, ListFilesWithOddBreaksBlankLinesAndNul) {
  const std::string Root = T.Dir();
  T.File("lf.fll", Root + "a.pas\n\n" + Root + "b.txt");
  T.File("cr.fll", Root + "a.pas\r" + Root + "sub/*.dfm\r");
  T.File("nul.fll", Root + "a.pas\r\n" + std::string("\0", 1) + Root + "b.txt\r\n");
  const struct {
    const char* File;
    Names Expected;
  } Cases[] = {
      {"lf.fll", {"a.pas", "b.txt"}}, {"cr.fll", {"a.pas", "sub/d.dfm"}}, {"nul.fll", {"a.pas"}}};
  for (const auto& C : Cases) {
    Sel.LoadFromFile(T.Path(C.File));
    EXPECT_EQ(Rel(), C.Expected) << C.File;
  }
}

TEST_F(Selection, FailedListReadLeavesTheListEmptyAndTheHostIdle) {
  Collect(true, {"", "*.pas", {}, true});
  EXPECT_THROW(Sel.LoadFromFile(T.Path("none.fll")), EFileError);
  EXPECT_TRUE(List.Empty());
  EXPECT_EQ(Host.BusyMode(), bmIdle);
}

TEST(StartDirectory, NormalisedOrRefused) {
  TTempTree T;
  EXPECT_EQ(NormaliseStartDirectory("  " + T.Path("") + "\t"), T.Dir());
  EXPECT_EQ(NormaliseStartDirectory(" "), "");
  try {
    NormaliseStartDirectory(T.Path("nope"));
    FAIL();
  } catch (const std::runtime_error& E) {
    EXPECT_STREQ(E.what(), "Directory does not exist");
  }
}

}  // namespace

namespace {

TEST_F(Selection, BlankMaskTakesEveryFile) {
  Collect(true, {"", "  ", {}, false});
  EXPECT_EQ(Rel(), (Names{"a.dfm", "a.pas", "b.txt"}));
}

}  // namespace
