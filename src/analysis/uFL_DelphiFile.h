// The Delphi (Object Pascal) kind of source file: its checks and the unit insertion.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "analysis/uFL_CodeFile.h"

class TDelphiFile : public TCodeFile {
 public:
  explicit TDelphiFile(TResultTree* ResultTree);

  // A whole-word TRY followed, on its line or a later code line, by a whole-word EXCEPT.
  bool TryFound = false;
  int32_t UsesLine = 0;            // index of the line of the second uses clause; 0: none
  int32_t ImplementationLine = 0;  // index of the IMPLEMENTATION line; 0: none
  TCodeItem* WithItem = nullptr;   // named by the last WITH until a bare FREE; not owned

  void Analyse(TCheckOptions Options) override;
  void Reset() override;
  bool WriteResults() override;
  // Inserts a unit into the second uses clause; true when the lines were changed.
  bool AddUnit(const std::string& UnitName);

  bool DetectImplementation();
  void CountBlockStarts();
  void DetectInherited();
  void DetectWith();
  void DetectSetAbortComplete();
  void DetectRaise();
  void DetectCreate();
  void DetectDestroy();
  void MarkRoutinesUsedInUnit();

 protected:
  void ProcessRoutineLine() override;
  void ProcessInterfaceLine(int Index) override;
  void ProcessOutsideLine(int Index) override;
  void NoteRoutineStatements() override;
  void NoteCodeLine() override;
  TSourceLanguage Language() const override { return TSourceLanguage::slDelphi; }

 private:
  void EndStatement(TRoutine* R, int32_t Depth);

  // The statement being read when the last routine line ended: statements run on across lines
  // until a semicolon or a block word.
  TRoutine* FStatementRoutine = nullptr;
  bool FStatementHasText = false;
  bool FStatementHoldsInherited = false;
  bool FStatementAfterElse = false;  // the statement follows an ELSE
  bool FStatementInBranch = false;   // ... or a THEN, DO or CASE label that ended the line before
  // Where the last routine line read ends: a branch begins there (THEN, DO, a CASE label's ":"),
  // an ELSE part, or neither.
  enum class TLineEnd : uint8_t { leOther, leBranch, leElse };
  TLineEnd FLineEnd = TLineEnd::leOther;
  TLineEnd LineEnd() const;
  static bool NamesAnItem(std::string_view Name);
  std::string FStatementWords;  // the statement's words, blank-separated, dots kept
  bool FTrySeen = false;        // a whole-word TRY on an earlier code line
};
