// Entry types from the listing against looked-up ones (unknown types, links, vanished entries);
// listings read ahead against those read directly.
#include "fileset/uFL_DirectoryReader.h"

#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "fileset/uFL_DirectoryReadAhead.h"
#include "support/TempTree.h"

namespace {

TEST(ClassifyEntry, TypesFromTheListingOrLookedUp) {
  TTempTree T;
  T.File("plain.txt", "12345");
  chmod(T.File("ro.txt", "123").c_str(), 0444);
  T.Mkdir("sub");
  symlink("plain.txt", T.Path("link.txt").c_str());
  symlink("sub", T.Path("dirlink").c_str());
  symlink("missing", T.Path("broken").c_str());
  mkfifo(T.Path("pipe").c_str(), 0600);
  const int Dir = open(T.Dir().c_str(), O_RDONLY | O_DIRECTORY);
  ASSERT_GE(Dir, 0);
  const struct {
    const char* Name;
    unsigned char DType;
    bool Found;
    int Attr;
    int64_t Size;
    bool RecordRead;
  } Cases[] = {
      // File systems without entry types: everything is looked up, and comes out as it would
      // from the types.
      {"plain.txt", DT_UNKNOWN, true, faArchive, 5, true},
      {"ro.txt", DT_UNKNOWN, true, faArchive | faReadOnly, 3, true},
      {"sub", DT_UNKNOWN, true, faDirectory, 0, true},
      {"pipe", DT_UNKNOWN, true, faSysFile, 0, true},
      // A link to a regular file is that file; to a directory, or to nothing, it is "system".
      {"link.txt", DT_LNK, true, faArchive, 5, true},
      {"dirlink", DT_LNK, true, faSysFile, 0, true},
      {"broken", DT_LNK, true, faSysFile, 0, true},
      // Gone between the listing and the lookup.
      {"gone", DT_UNKNOWN, false, 0, 0, true},
      {"gone", DT_LNK, false, 0, 0, true},
      // A regular file's record waits until it is wanted.
      {"ro.txt", DT_REG, true, faArchive, 0, false},
  };
  for (const auto& C : Cases) {
    TDirEntry E;
    ASSERT_EQ(ClassifyEntry(Dir, C.Name, C.DType, false, E), C.Found) << C.Name;
    if (!C.Found) continue;
    EXPECT_EQ(E.Rec.Attr, C.Attr) << C.Name;
    EXPECT_EQ(E.Rec.Size, C.Size) << C.Name;
    EXPECT_EQ(E.RecordRead, C.RecordRead) << C.Name;
  }
  close(Dir);
}

}  // namespace

namespace {

std::vector<std::string> NamesOf(const std::vector<TDirEntry>& Listing) {
  std::vector<std::string> Names;
  for (const TDirEntry& E : Listing) Names.push_back(E.Rec.Name + ":" + std::to_string(E.Rec.Attr));
  return Names;
}

TEST(DirectoryReadAhead, ListingsAreThoseReadDirectlyWhateverTheWorkerReached) {
  TTempTree T;
  std::vector<std::string> Dirs;
  for (int d = 0; d < 40; ++d) {
    const std::string Sub = "d" + std::to_string(d) + "/";
    for (int f = 0; f < 5; ++f) T.File(Sub + "f" + std::to_string(f) + ".pas", "x");
    T.File(Sub + ".hidden.pas", "x");
    T.Mkdir(Sub + "inner");
    Dirs.push_back(T.Path(Sub));
  }
  TListingRule Rule;
  Rule.Mask = "*.pas";
  Rule.SearchAttr = faDirectory;
  Rule.MaskDirectories = false;
  Rule.ReadRecords = false;
  TDirectoryReadAhead Ahead(Rule);
  Ahead.Expect(Dirs);
  // Some listings are taken before the worker reaches them, some while or after it reads them;
  // a directory never announced is read at once.
  for (const std::string& Dir : Dirs)
    EXPECT_EQ(NamesOf(Ahead.Take(Dir)), NamesOf(ReadDirectory(Dir, Rule))) << Dir;
  EXPECT_EQ(NamesOf(Ahead.Take(T.Dir())), NamesOf(ReadDirectory(T.Dir(), Rule)));
  EXPECT_EQ(Ahead.Take(Dirs[0]).size(), 6u);
}

}  // namespace
