// Builder for file-model tests: a TTextfile over a temporary file with the given bytes, loaded
// with the record taken from the disk, and the results tree as text.
#pragma once

#include <sys/stat.h>

#include <sstream>
#include <string>

#include "files/uFL_TextFile.h"
#include "support/TempTree.h"
#include "support/uFL_ResultTree.h"

class TLoadedTextFile {
 public:
  explicit TLoadedTextFile(std::string_view Bytes, std::string_view Name = "file.txt")
      : Path(Dir.File(Name, Bytes)) {
    File.SetFileName(Path);
    struct stat St {};
    stat(Path.c_str(), &St);
    File.FileRec.Size = int64_t(St.st_size);
    File.FileRec.Attr = faArchive;
    File.Load();
  }

  // The lines joined with "|", to compare a whole file at once.
  std::string Text() const { return File.Lines.Join("|"); }
  // The matched-line flags as a string of 0 and 1.
  std::string Matched() const {
    std::string S;
    for (char F : File.MatchedLines) S += F ? '1' : '0';
    return S;
  }
  std::string TreeText() {
    Tree.Clear();
    File.WriteResults();
    std::ostringstream Out;
    Tree.WriteText(Out, false, "\n");
    return Out.str();
  }

  TTempTree Dir;
  std::string Path;
  TResultTree Tree;
  TTextfile File{&Tree};
};
