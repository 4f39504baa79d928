// The counters of the source checks: code items (objects, cursors) and routines, and their
// findings.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "analysis/uFL_CodeWords.h"
#include "files/uFL_CheckTable.h"

// One finding of a classic check: the option whose rule found it, and its text.
struct TCheckNote {
  TCheckOption Option;
  std::string Text;
};

// A named thing the code creates and destroys (a Delphi object variable) or opens, fetches and
// closes (a PL/SQL cursor).
class TCodeItem {
 public:
  std::string Name;
  int32_t CreateCount = 0;  // creations (Delphi) or OPENs (PL/SQL)
  bool Owned = false;       // a creation passed SELF, PARENT or APPLICATION as the owner
  int32_t FreeCount = 0;    // destructions (Delphi) or CLOSEs (PL/SQL)
  int32_t FetchCount = 0;   // FETCHes (PL/SQL)
  int FirstLine = 0;        // 1-based line of the first event counted for the item

  void NoteCreate() { ++CreateCount; }
  void NoteFree() { ++FreeCount; }
  void NoteFetch() { ++FetchCount; }

  std::vector<TCheckNote> CheckItem(TCheckOptions Options) const;
};

// Where the INHERITED calls of a routine stand in its body. NotSeen: none. Seen: one was seen and
// it is still the last statement, so its place is not decided yet. Middle also stands for calls
// in more than one place.
enum class TInheritedPlace : uint8_t { Start, Middle, End, NotSeen, Seen };

// What a statement of a body is to the placement of INHERITED (see TRoutine::NoteStatement).
enum class TStatementRole : uint8_t { srPlain, srLeadIn, srWrapUp };

// Whether W stands in Words (words apart by blanks) as a word or a part of a dotted name.
bool HoldsStatementWord(std::string_view Words, std::string_view W);

// A routine found in the source: procedure, function, constructor or destructor.
class TRoutine {
 public:
  std::string Name;  // upper-cased, class-qualified for methods ("TMAINFORM.FORMCREATE")
  bool SetAbortFound = false;
  int32_t SetAbortDepth = 0;
  bool SetCompleteFound = false;
  bool UsedInUnit = false;
  bool IsProcedure = false;  // PROCEDURE, CONSTRUCTOR or DESTRUCTOR
  int32_t Depth = 0;         // blocks opened and not closed; negative after surplus ENDs
  bool SetAbortWithoutRaise = false;
  TInheritedPlace InheritedPlace = TInheritedPlace::NotSeen;
  // An INHERITED stands in a branch: under an IF, after an ELSE, in a CASE arm or a nested block.
  bool InheritedInBranch = false;
  TRoutineKind Kind = TRoutineKind::rkProcedure;
  int HeaderLine = 0;  // 1-based
  // The words of the header and the declarations before the body (parameters, locals, their
  // types), each followed by a blank, for the INHERITED rule.
  std::string Declared;
  // Whether Word stands in Declared (HoldsStatementWord); a routine with thousands of locals is
  // looked up through a set of its words instead of a search of them all per statement.
  bool Declares(std::string_view Word) const;

  void EnterBlock() { ++Depth; }
  void LeaveBlock() { --Depth; }
  void NoteSetAbort();
  void NoteRaise();

  // The statements of the body, in order, as the scan meets them (see TDelphiFile).
  // Alternative: the statement stands after an ELSE, so it runs instead of what came before.
  void NoteStatement(bool HoldsInherited, TStatementRole Role = TStatementRole::srPlain,
                     bool Alternative = false);
  // The END that closes the body was met (or the scan ended with the body open).
  void BodyEnded();
  bool HasBodyStatement() const { return FStatements > 0; }
  bool InheritedPending() const { return FPending; }

  std::vector<TCheckNote> CheckRoutine(TCheckOptions Options) const;

 private:
  void PlaceInherited(TInheritedPlace Place);

  int32_t FStatements = 0;
  mutable std::unordered_set<std::string_view> FDeclaredWords;
  // Declared's bytes and size when the set was made: the words are views of them.
  mutable const char* FDeclaredData = nullptr;
  mutable size_t FDeclaredIndexed = 0;
  bool FPending = false;       // the last statement seen holds INHERITED
  bool FPendingFirst = false;  // ... and it was the body's first statement
};
