// Builder for file-model tests: a TTextfile loaded from bytes in memory, with a record of their
// size, and the results tree as text.
#pragma once

#include <sstream>
#include <string>

#include "files/uFL_TextFile.h"
#include "support/uFL_ResultTree.h"

class TLoadedTextFile {
 public:
  explicit TLoadedTextFile(std::string_view Content, std::string_view Name = "file.txt")
      : Bytes(Content), Path("/loaded/" + std::string(Name)) {
    File.SetFileName(Path);
    File.FileRec.Size = int64_t(Bytes.size());
    File.FileRec.Attr = faArchive;
    File.LoadFromBytes(Bytes);
  }

  // The lines joined with "|", to compare a whole file at once.
  std::string Text() const { return File.Lines.Join("|"); }
  // The matched-line flags as a string of 0 and 1.
  std::string Matched() const {
    std::string S;
    for (int i = 0; i < File.Lines.Count(); ++i) S += File.IsMatched(i) ? '1' : '0';
    return S;
  }
  std::string TreeText() {
    Tree.Clear();
    File.WriteResults();
    std::ostringstream Out;
    Tree.WriteText(Out, false, "\n");
    return Out.str();
  }

  std::string Bytes;
  std::string Path;
  TResultTree Tree;
  TTextfile File{&Tree};
};
