// PL/SQL cursors: OPEN, FETCH and CLOSE counted per cursor name.
#include "analysis/uFL_OracleFile.h"

#include <string_view>

TOracleFile::TOracleFile(TResultTree* Tree) : TCodeFile(Tree, {"--", "/*", "*/", "", ""}) {}

bool TOracleFile::WriteResults() {
  TCodeFile::WriteResults();
  WritePreciseResults();
  return !LastCategory.empty();
}

void TOracleFile::ProcessRoutineLine() {
  if (LineIsEmpty()) return;
  CountCaseBlocks();
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
    if (!IsIdentifierChar(C, true)) break;
    Next += C;
  }
  return !(Next == "IF" || Next == "LOOP" || Next == "CASE");
}

// A CASE expression ("CASE WHEN ... END") ends with a plain END, which closes a block: without an
// opener for it, a routine holding one would end there and its later cursors be misreported. So a
// CASE opens a block, and the CASE of "END CASE" is dropped from the line, which makes that END
// close the block its own CASE opened. CASE statements come out as before.
void TOracleFile::CountCaseBlocks() {
  size_t Len;
  for (size_t P = FindWord(CodeWord(cwCase), Len); P; P = FindWord(CodeWord(cwCase), Len)) {
    if (!FollowsEnd(P)) {
      TRoutine* R = CurrentRoutine();
      if (!R) return;
      R->EnterBlock();
    }
    Work.Erase(P - 1, P - 1 + Len);
  }
}

// Whether the word at 1-based position P comes right after a whole-word END on the same line.
bool TOracleFile::FollowsEnd(size_t P) const {
  size_t i = P - 1;
  while (i > 0 && (Work.At(i - 1) == ' ' || Work.At(i - 1) == '\t')) --i;
  const std::string_view End = CodeWord(cwEnd).Text;
  if (i < End.size() || i == P - 1) return false;
  for (size_t k = 0; k < End.size(); ++k)
    if (Work.At(i - End.size() + k) != End[k]) return false;
  if (i == End.size()) return true;
  const char C = Work.At(i - End.size() - 1);
  return !IsIdentifierChar(C, true);
}
