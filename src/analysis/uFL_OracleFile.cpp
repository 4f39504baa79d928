// PL/SQL cursors: OPEN, FETCH and CLOSE counted per cursor name.
#include "analysis/uFL_OracleFile.h"

#include <string_view>

TOracleFile::TOracleFile(TResultTree* Tree) : TCodeFile(Tree, {"--", "/*", "*/", "", ""}) {}

void TOracleFile::ProcessRoutineLine() {
  if (LineIsEmpty()) return;
  if (TCodeItem* Cursor = ItemAfterWord(CodeWord(cwOpen))) Cursor->NoteCreate();
  if (TCodeItem* Cursor = ItemAfterWord(CodeWord(cwFetch))) Cursor->NoteFetch();
  if (TCodeItem* Cursor = ItemAfterWord(CodeWord(cwClose))) Cursor->NoteFree();
}

// Only BEGIN opens a block in PL/SQL, so the END of an IF, LOOP or CASE statement must close
// none: otherwise every routine would end at its first END IF. The word has to follow END
// directly on the same line ("END IF;", "END  LOOP").
bool TOracleFile::EndClosesBlock(size_t P) {
  size_t i = P - 1 + CodeWord(cwEnd).Text.size();
  while (i < Work.Size() && (Work.At(i) == ' ' || Work.At(i) == '\t')) ++i;
  std::string Next;
  for (; i < Work.Size() && Next.size() <= 4; ++i) {
    const char C = Work.At(i);
    const bool Identifier = (C >= 'A' && C <= 'Z') || (C >= 'a' && C <= 'z') ||
                            (C >= '0' && C <= '9') || C == '_' || C == '$' || C == '#' ||
                            static_cast<unsigned char>(C) >= 128;
    if (!Identifier) break;
    Next += C;
  }
  return !(Next == "IF" || Next == "LOOP" || Next == "CASE");
}
