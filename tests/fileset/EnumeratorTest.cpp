// Directory walks: masks, attribute exclusion, ContinueLevel and the recursion rule.
#include "fileset/uFL_Enumerators.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "support/TempTree.h"

namespace {

// Runs E from Start and returns the reported names relative to Start, sorted (the file
// system's order is not fixed).
std::vector<std::string> Walk(TFSEnumerator& E, const std::string& Start) {
  std::vector<std::string> Seen;
  E.SetStartPath(Start);
  E.OnItem = [&](TFSEnumerator&, const std::string& FullName, const TSearchRec&, bool&) {
    Seen.push_back(FullName.substr(Start.size()));
  };
  E.Execute();
  std::sort(Seen.begin(), Seen.end());
  return Seen;
}

using Names = std::vector<std::string>;

TEST(MatchesMask, WildcardsWithoutCaseExactNamesExactly) {
  const struct {
    const char* Name;
    const char* Mask;
    bool Matches;
  } Cases[] = {
      {"a.pas", "*.pas", true},   {"A.PAS", "*.pas", true}, {"a.pas.bak", "*.pas", false},
      {"noext", "*.*", true},     {"noext", "*", true},     {"abc", "a?c", true},
      {"ac", "a?c", false},       {"x.txt", "x.txt", true}, {"X.TXT", "x.txt", false},
      {"old.txt", "*.txt", true}, {"a.b.c", "*.c", true},   {"readme", "*me", true},
      {"é.pas", "*.PAS", true},   {"ab", "*b*", true},      {"", "*.pas", false},
  };
  for (const auto& C : Cases)
    EXPECT_EQ(MatchesMask(C.Name, C.Mask), C.Matches) << C.Name << " ~ " << C.Mask;
}

TEST(Enumerators, StartPathAndMaskWriters) {
  TFileEnumerator E;
  E.SetStartPath("/data");
  EXPECT_EQ(E.StartPath(), "/data/");
  E.SetStartPath("/data/");
  EXPECT_EQ(E.StartPath(), "/data/");
  E.SetStartPath("");
  EXPECT_EQ(E.StartPath(), "");
  E.SetFileMask("  \t");
  EXPECT_EQ(E.FileMask(), "*.*");
  E.SetFileMask(" *.pas");
  EXPECT_EQ(E.FileMask(), " *.pas");
}

class EnumeratorTree : public testing::Test {
 protected:
  void SetUp() override {
    T.File("a.pas", "x");
    T.File("b.txt", "x");
    T.File(".hidden.pas", "x");
    T.File("notes/n.pas", "x");
    T.File("old.txt/inner.txt", "x");
    T.File(".git/config.pas", "x");
    mkfifo(T.Path("pipe.pas").c_str(), 0600);
    symlink("a.pas", T.Path("link.pas").c_str());
    symlink("notes", T.Path("dirlink").c_str());
    symlink("missing", T.Path("broken.pas").c_str());
    symlink(".", T.Path("notes/loop").c_str());
  }
  TTempTree T;
};

TEST_F(EnumeratorTree, NormalFilesExcludeHiddenSystemAndDirectories) {
  TFileEnumerator E;
  E.SetFileMask("*.*");
  E.FileTypes = FileTypeBit(ftNormal);
  EXPECT_EQ(Walk(E, T.Dir()), (Names{"a.pas", "b.txt", "link.pas"}));
}

TEST_F(EnumeratorTree, EmptyTypesReportNothing) {
  TFileEnumerator E;
  E.SetFileMask("*.*");
  EXPECT_TRUE(Walk(E, T.Dir()).empty());
  E.Recursive = true;
  EXPECT_TRUE(Walk(E, T.Dir()).empty());
}

TEST_F(EnumeratorTree, RecursionEntersOnlyDirectoriesMatchingTheMask) {
  TFileEnumerator E;
  E.SetFileMask("*.txt");
  E.FileTypes = FileTypeBit(ftNormal);
  E.Recursive = true;
  // notes does not match *.txt and is not entered; old.txt is; links to directories never are.
  EXPECT_EQ(Walk(E, T.Dir()), (Names{"b.txt", "old.txt/inner.txt"}));
}

TEST_F(EnumeratorTree, HiddenAndSystemOnRequest) {
  TFileEnumerator E;
  E.SetFileMask("*.pas");
  E.FileTypes = FileTypeBit(ftHidden) | FileTypeBit(ftSystem);
  EXPECT_EQ(Walk(E, T.Dir()), (Names{".hidden.pas", "broken.pas", "pipe.pas"}));
}

TEST_F(EnumeratorTree, DirectoryEnumeratorSkipsHiddenAndLinkedDirectories) {
  TDirectoryEnumerator D;
  EXPECT_EQ(Walk(D, T.Dir()), (Names{"notes", "old.txt"}));
}

TEST_F(EnumeratorTree, ClearingContinueLevelEndsOnlyThatDirectory) {
  T.File("sub/one.txt", "x");
  T.File("sub/two.txt", "x");
  T.File("sub/three.txt", "x");
  TFileEnumerator E;
  E.SetFileMask("*.*");
  E.FileTypes = FileTypeBit(ftNormal);
  E.Recursive = true;
  std::vector<std::string> Seen;
  E.SetStartPath(T.Dir());
  E.OnItem = [&](TFSEnumerator&, const std::string& FullName, const TSearchRec& Rec,
                 bool& ContinueLevel) {
    Seen.push_back(FullName.substr(T.Dir().size()));
    if (FullName.find("/sub/") != std::string::npos && !(Rec.Attr & faDirectory))
      ContinueLevel = false;
  };
  E.Execute();
  EXPECT_EQ(std::count_if(Seen.begin(), Seen.end(),
                          [](const std::string& S) { return S.rfind("sub/", 0) == 0; }),
            1);
  EXPECT_NE(std::find(Seen.begin(), Seen.end(), "b.txt"), Seen.end());
}

TEST(Enumerators, RecordsCarrySizeAndReadOnly) {
  TTempTree T;
  std::string P = T.File("ro.txt", "12345");
  chmod(P.c_str(), 0444);
  std::vector<TSearchRec> Recs;
  TFileEnumerator E;
  E.SetStartPath(T.Dir());
  E.SetFileMask("*.txt");
  E.FileTypes = FileTypeBit(ftNormal);
  E.OnItem = [&](TFSEnumerator&, const std::string&, const TSearchRec& Rec, bool&) {
    Recs.push_back(Rec);
  };
  E.Execute();
  ASSERT_EQ(Recs.size(), 1u);
  EXPECT_EQ(Recs[0].Size, 5);
  EXPECT_EQ(Recs[0].Attr, faArchive | faReadOnly);
  EXPECT_EQ(Recs[0].Name, "ro.txt");
  // An exact name that does not exist yields nothing.
  E.SetFileMask("gone.txt");
  E.Execute();
  EXPECT_EQ(Recs.size(), 1u);
}

TEST(Enumerators, UnreadableOrMissingDirectoriesYieldNothing) {
  TFSEnumerator E;
  EXPECT_TRUE(Walk(E, "/nonexistent-ferrolin-dir/").empty());
}

TEST(Enumerators, OddBytesInNamesArePassedThrough) {
  TTempTree T;
  const std::string Odd = "we\xff\x01ird 'q\" .txt";
  T.File(Odd, "x");
  TFileEnumerator E;
  E.SetFileMask("*.txt");
  E.FileTypes = FileTypeBit(ftNormal);
  EXPECT_EQ(Walk(E, T.Dir()), Names{Odd});
}

}  // namespace
