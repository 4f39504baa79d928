// The source-code kind of file: the line scan shared by the Delphi and PL/SQL checks.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "analysis/uFL_CodeObjects.h"
#include "analysis/uFL_CodeWords.h"
#include "analysis/uFL_PreciseRules.h"
#include "analysis/uFL_WorkLine.h"
#include "files/uFL_BaseFile.h"

// The order of the scan's sorted lists: ASCII letters compared without regard to case, other bytes
// by value. Names that differ only in case are one entry (the "Unknown" item of a FreeAndNil
// without parentheses is the item UNKNOWN).
struct TCaseInsensitiveLess {
  bool operator()(const std::string& A, const std::string& B) const;
};

// The comment marks of a language; an empty mark is never found.
struct TCommentMarks {
  const char* LineComment;
  const char* BlockOpen;
  const char* BlockClose;
  const char* BlockOpenAlt;
  const char* BlockCloseAlt;
};

// What stripping strings and comments carries from one line to the next.
struct TStripState {
  bool InBlockComment = false;  // a block comment is open at the end of the previous line
  int32_t BlockKind = 0;        // 1: BlockOpen opened the comment; 2: BlockOpenAlt
  bool InString = false;        // a string literal is open at the end of the previous line
  bool operator==(const TStripState&) const = default;
};

class TCodeFile : public TBaseFile {
 public:
  TCodeFile(TResultTree* ResultTree, const TCommentMarks& Marks);
  ~TCodeFile() override;

  std::string LineComment;
  std::string BlockOpen;
  std::string BlockOpenAlt;  // empty when the language has one kind of block comment
  std::string BlockClose;
  std::string BlockCloseAlt;
  bool InImplementation = false;
  bool InRoutine = false;
  // Keys of the routines being scanned, used from 1 to StackTop; 0 holds "Outside Routines".
  std::vector<std::string> RoutineStack;
  int32_t StackTop = 0;
  std::map<std::string, std::unique_ptr<TCodeItem>, TCaseInsensitiveLess> CodeItems;
  std::map<std::string, std::unique_ptr<TRoutine>, TCaseInsensitiveLess> Routines;
  // One mark per entry of Lines: 1 for a line that holds only comment, else 0.
  std::vector<char> CommentOnly;

  void ProcessLine(int Index) override;
  void Analyse(TCheckOptions Options) override;
  void Reset() override;
  bool WriteResults() override;

  // The working line (upper-cased, strings and comments stripped as the scan goes). For code
  // files it takes the place of TBaseFile::WorkLine.
  TWorkLine Work;
  std::string WorkText() const { return Work.Str(); }
  // Sets the working line as ProcessLine's first step does (upper-cased, trimmed).
  void SetWorkLine(std::string_view Line);

  // Positions are 1-based and 0 means "not found", as in the rules they implement.
  size_t FindWord(const TNeedle& Word, size_t& Len) {
    Len = Word.Text.size();
    return Work.MayHold(Word) ? FindWholeWord(Word) : 0;
  }
  size_t HasWord(const TNeedle& Word);
  // Trims the working line; true when nothing is left.
  bool LineIsEmpty() {
    Work.Trim();
    return Work.Empty();
  }
  // The strip steps of one line as the scan runs them (strings unless a comment is open, then
  // comments), starting from State: returns what is left of the line, upper-cased and trimmed,
  // and leaves State as the next line finds it.
  std::string StripLine(std::string_view Line, TStripState& State);
  const TStripState& StripState() const { return FStrip; }
  void StripStrings();
  void StripComments();
  void RemoveAll(const TNeedle& Sub);
  void DetectRoutineHeader();
  void AddRoutine(TRoutineKind Kind, const std::string& Name);
  void CountBegins();
  void CountEnds();
  // Null for the empty name.
  TCodeItem* GetCodeItem(const std::string& Name);
  TRoutine* FindRoutine(const std::string& Key) const;
  TRoutine* CurrentRoutine() const;
  TCodeItem* ItemAfterWord(const TNeedle& Word);
  // Returns "Unknown" and leaves the line when the line lacks "(" or ")" from From on; otherwise
  // the text between them, with the call cut out of the line (Removed is then true).
  std::string ParenArgument(size_t From, bool& Removed);
  std::string FirstArgument(size_t From);
  // Code lines (not comment-only) on which Word's first occurrence is a whole word; for use
  // after the scan, on the raw lines upper-cased.
  int CountWordInCode(const std::string& Word);
  std::vector<int> CountWordsInCode(const std::vector<std::string>& Words);

  // The findings of the precise checks chosen, suppressed ones included.
  std::vector<TPreciseFinding> PreciseFindings;

  // The routine key: "[" + number left-aligned in three places + "] " + name.
  static std::string RoutineKey(size_t Number, const std::string& Name);

 protected:
  virtual void ProcessRoutineLine() = 0;
  virtual void ProcessInterfaceLine(int Index) = 0;
  virtual void ProcessOutsideLine(int Index) = 0;
  // Called on every code line once strings and comments are stripped, before anything is cut.
  virtual void NoteCodeLine() {}
  // Called on a line inside a routine before its blocks are counted.
  virtual void NoteRoutineStatements() {}
  // Whether the whole-word END at P closes a block.
  virtual bool EndClosesBlock(size_t) { return true; }
  // Whether routine detection is on from the first line.
  virtual bool ScanStartsInImplementation() const { return false; }
  virtual TSourceLanguage Language() const = 0;

  // The entry of a described check under Category, with its finding (Line 0: none).
  void AddCheckResult(const char* RuleId, const std::string& Category, const std::string& Text,
                      int Line);
  // The precise findings under their rules' categories, "[Line N] message", suppressed ones left
  // out of the tree.
  void WritePreciseResults();
  bool PreciseRulesMayFind() const;

  // The needle of a comment mark (cwLineComment to cwBlockCloseAlt) or of a code word.
  const TNeedle& Mark(TCodeWordId Id) const;
  void Trace(const std::string& Text) const;
  bool Tracing() const;

 private:
  size_t FindWholeWord(const TNeedle& Word);

  TNeedle FMarks[cwCount - cwLineComment];
  TStripState FStrip;
  int FLine = 0;  // 1-based line being scanned
  // The routines of RoutineStack, index for index.
  std::vector<TRoutine*> FStackRoutines;
};
