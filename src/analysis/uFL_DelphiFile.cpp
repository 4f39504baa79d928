// Delphi checks: try..except, creations and destructions, SetAbort/SetComplete, INHERITED; AddUnit.
#include "analysis/uFL_DelphiFile.h"

#include <algorithm>
#include <string_view>
#include <vector>

#include "support/uFL_Log.h"
#include "support/uFL_Utils.h"

namespace {

constexpr size_t npos = TWorkLine::npos;

bool IsIdentifierChar(char C) {
  return ::IsIdentifierChar(C, false);
}

}  // namespace

TDelphiFile::TDelphiFile(TResultTree* Tree) : TCodeFile(Tree, {"//", "{", "}", "(*", "*)"}) {}

void TDelphiFile::Reset() {
  TCodeFile::Reset();
  WithItem = nullptr;
  UsesLine = 0;
  ImplementationLine = 0;
  TryFound = false;
  FTrySeen = false;
  FStatementRoutine = nullptr;
}

void TDelphiFile::Analyse(TCheckOptions Opts) {
  // The scan frees the items of an earlier scan; WithItem must not outlive its item.
  if (Loaded) {
    WithItem = nullptr;
    TryFound = false;
    FTrySeen = false;
  }
  FStatementRoutine = nullptr;
  TCodeFile::Analyse(Opts);
  if (Loaded) MarkRoutinesUsedInUnit();
}

bool TDelphiFile::WriteResults() {
  TCodeFile::WriteResults();
  if (Loaded && HasCheck(Options, coNoTryExcept) && !TryFound)
    AddCheckResult(CheckRow(coNoTryExcept).RuleId, "General", "No Try..Except construction found",
                   0);
  WritePreciseResults();
  return !LastCategory.empty();
}

// ---- Lines before the implementation part, and outside routines ------------------------------

void TDelphiFile::ProcessInterfaceLine(int Index) {
  if (DetectImplementation()) ImplementationLine = Index;
}

// A unit has a try..except when some code line holds TRY as a word and the same or a later code
// line EXCEPT, wherever they stand (a routine's TRY counts). Only the described rule's TRY before
// IMPLEMENTATION would report nearly every unit, saying the opposite of the truth. Words are told
// apart by the identifier rule, so TRYSTRTOINT and RETRY hold no TRY.
void TDelphiFile::NoteCodeLine() {
  if (TryFound || !HasCheck(Options, coNoTryExcept)) return;
  auto FindName = [this](const TNeedle& Word, size_t From) {
    for (size_t P = Work.Find(Word, From); P != npos; P = Work.Find(Word, P + 1)) {
      const size_t E = P + Word.Text.size();
      if ((P == 0 || !IsIdentifierChar(Work.At(P - 1))) &&
          (E == Work.Size() || !IsIdentifierChar(Work.At(E))))
        return P;
    }
    return npos;
  };
  size_t From = 0;
  if (!FTrySeen) {
    const size_t At = FindName(CodeWord(cwTry), 0);
    if (At == npos) return;
    FTrySeen = true;
    From = At + CodeWord(cwTry).Text.size();
  }
  if (FindName(CodeWord(cwExcept), From) != npos) TryFound = true;
}

bool TDelphiFile::DetectImplementation() {
  if (StripState().InBlockComment || ImplementationLine != 0 ||
      HasWord(CodeWord(cwImplementation)) == 0)
    return false;
  InImplementation = true;
  Work.Erase(0, Work.Size());
  return true;
}

void TDelphiFile::ProcessOutsideLine(int Index) {
  if (UsesLine == 0 && HasWord(CodeWord(cwUses)) > 0) UsesLine = Index;
}

// ---- Lines inside routines --------------------------------------------------------------------

void TDelphiFile::ProcessRoutineLine() {
  if (LineIsEmpty()) return;
  CountBlockStarts();
  if (LineIsEmpty()) return;
  CountEnds();
  if (LineIsEmpty()) return;
  DetectInherited();
  DetectWith();
  DetectSetAbortComplete();
  DetectRaise();
  DetectCreate();
  if (!LineIsEmpty()) DetectDestroy();
}

// CASE opens a block as TRY does: its END closes one, and without an opener for it a routine
// would end at the END of its first CASE statement.
void TDelphiFile::CountBlockStarts() {
  static constexpr TCodeWordId Openers[] = {cwBegin, cwTry, cwCase};
  for (;;) {
    size_t P = 0, Len = 0;
    for (TCodeWordId Id : Openers)
      if ((P = FindWord(CodeWord(Id), Len)) != 0) break;
    if (!P) return;
    TRoutine* R = CurrentRoutine();
    if (!R) return;
    R->EnterBlock();
    Work.Erase(P - 1, P - 1 + Len);
  }
}

// The body's keywords are all looked for in turn on the line, INHERITED among them, and the trace
// shows each one found. Where the call stands in the body is worked out statement by statement
// (NoteRoutineStatements), so nothing more is done with it here.
void TDelphiFile::DetectInherited() {
  HasWord(CodeWord(cwInherited));
}

void TDelphiFile::DetectWith() {
  TCodeItem* Item = ItemAfterWord(CodeWord(cwWith));
  if (!Item) return;
  WithItem = Item;
  const std::string Created = Item->Name + ".CREATE";
  if (Work.Find(TNeedle{-1, Created}) != npos) Item->NoteCreate();
}

void TDelphiFile::DetectSetAbortComplete() {
  const bool AbortSeen = HasWord(CodeWord(cwSetAbort)) > 0;
  const bool CompleteSeen =
      HasWord(CodeWord(cwSetComplete)) > 0 || HasWord(CodeWord(cwSetCompleteNoCommit)) > 0;
  if (!AbortSeen && !CompleteSeen) return;
  TRoutine* R = CurrentRoutine();
  if (!R) return;
  if (AbortSeen) R->NoteSetAbort();
  if (CompleteSeen) R->SetCompleteFound = true;
}

void TDelphiFile::DetectRaise() {
  if (HasWord(CodeWord(cwRaise)) > 0)
    if (TRoutine* R = CurrentRoutine()) R->NoteRaise();
}

// What a call returns, a typecast yields or an index picks ("ROOT.REMOVEPAIR(N)",
// "ITEMS.OBJECTS[I]", "PARSED[COUNT]") is no variable to count creations and frees of: the same
// element is written differently where it is made and where it goes.
bool TDelphiFile::NamesAnItem(std::string_view Name) {
  return Name.find_first_of("()[]") == std::string_view::npos;
}

void TDelphiFile::DetectCreate() {
  // The assigned name stands before the line's first ":=", which no cut below reaches; it is
  // worked out once per line.
  std::string Name;
  bool HaveName = false;
  for (;;) {
    size_t Len;
    const size_t P = FindWord(CodeWord(cwCreate), Len);
    if (!(P > 2 && Work.At(P - 2) == '.')) return;
    const size_t Dot = P - 2;  // 0-based index of the "." before CREATE
    const std::string Owner = FirstArgument(P + Len);
    const size_t Assign = Work.Find(CodeWord(cwAssign));
    if (Assign == npos || Assign + 2 > Dot) return;  // a creation that is not assigned
    if (!HaveName) {
      size_t End = Assign;
      while (End > 0 && static_cast<unsigned char>(Work.At(End - 1)) <= ' ') --End;
      size_t Start = End;
      while (Start > 0 && Work.At(Start - 1) != ' ') --Start;
      Name = TrimText(Work.Substr(Start, End));
      // An inline variable given its type ("VAR LIST: TSTRINGLIST := ..."): the word before
      // ":=" is the type, and the variable is the name after VAR.
      const std::string Before = Work.Substr(0, Assign);
      for (size_t V = Before.rfind("VAR"); V != npos; V = V ? Before.rfind("VAR", V - 1) : npos) {
        if ((V > 0 && IsIdentifierChar(Before[V - 1], false)) ||
            (V + 3 < Before.size() && IsIdentifierChar(Before[V + 3], false)))
          continue;
        const size_t Colon = Before.find(':', V + 3);
        if (Colon != npos && Before.find(';', V) == npos)
          Name = TrimText(Before.substr(V + 3, Colon - V - 3));
        break;
      }
      HaveName = true;
    }
    if (TCodeItem* Item = NamesAnItem(Name) ? GetCodeItem(Name) : nullptr) {
      Item->NoteCreate();
      if (Owner == "SELF" || Owner == "PARENT" || Owner == "APPLICATION") Item->Owned = true;
    }
    // The class reference (the word before ".CREATE") goes with CREATE; what stands before it
    // stays: "L := TLIST.CREATE;" leaves "L := ;".
    size_t ClassStart = Dot;
    while (ClassStart > Assign + 2 && Work.At(ClassStart - 1) != ' ') --ClassStart;
    Work.Erase(ClassStart, P - 1 + Len);
  }
}

void TDelphiFile::DetectDestroy() {
  for (;;) {
    size_t Len;
    size_t P = FindWord(CodeWord(cwDestroy), Len);
    bool Dotted = P > 2 && Work.At(P - 2) == '.';
    size_t FreeAt = 0;
    if (!Dotted) {
      FreeAt = P = FindWord(CodeWord(cwFree), Len);
      Dotted = P > 2 && Work.At(P - 2) == '.';
    }
    if (Dotted) {
      const size_t Dot = P - 2;
      const size_t Destructor = Work.Find(CodeWord(cwDestructor));
      // A destructor's own header ("DESTRUCTOR TFOO.DESTROY;") destroys nothing.
      if (Destructor == npos || Destructor + CodeWord(cwDestructor).Text.size() > Dot) {
        size_t Start = Dot;
        while (Start > 0 && Work.At(Start - 1) != ' ') --Start;
        const std::string Freed = Work.Substr(Start, Dot);
        if (NamesAnItem(Freed))
          if (TCodeItem* Item = GetCodeItem(Freed)) Item->NoteFree();
        Work.Erase(Start, P - 1 + Len);
        continue;
      }
    } else if (WithItem && FreeAt > 0 && (FreeAt == 1 || Work.At(FreeAt - 2) != '.')) {
      // A FREE right after a "." is no bare FREE, even where no name stands before the dot.
      WithItem->NoteFree();
      Trace("WITH DESTORY or FREE Detected for: " + WithItem->Name);
      WithItem = nullptr;
      Work.Erase(FreeAt - 1, FreeAt - 1 + Len);
    }
    const size_t AtFreeAndNil = FindWord(CodeWord(cwFreeAndNil), Len);
    if (!AtFreeAndNil) return;
    bool Removed;
    const std::string Name = ParenArgument(AtFreeAndNil, Removed);
    if (!Removed) Work.Erase(AtFreeAndNil - 1, AtFreeAndNil - 1 + Len);
    if (NamesAnItem(Name))
      if (TCodeItem* Item = GetCodeItem(Name)) Item->NoteFree();
  }
}

// ---- INHERITED ----------------------------------------------------------------------------------

// The role of a statement for the INHERITED rule (TRoutine::NoteStatement), from its words and
// the words of the routine's header and declarations (its parameters and locals among them).
TStatementRole StatementRole(std::string_view Words, const TRoutine& R) {
  const auto Has = [Words](std::string_view W) { return HoldsStatementWord(Words, W); };
  const std::string_view First = Words.substr(0, Words.find(' '));
  const auto IsField = [](std::string_view Name) {
    return Name.starts_with("SELF.") || (Name.size() > 1 && Name[0] == 'F');
  };
  const bool FieldTarget = IsField(First);
  // "INC FUPDATING": a counter of the object's own that holds off its updates, as a lock does.
  const size_t Second = Words.find_first_not_of(' ', First.size());
  const bool FieldCounter = (First == "INC" || First == "DEC") &&
                            Second != std::string_view::npos &&
                            IsField(Words.substr(Second, Words.find(' ', Second) - Second));
  // "S := ...", "if AWidth < MinWidth then AWidth := MinWidth": a value worked out for the
  // ancestor's call in a local, a parameter set. A property set ("Width := 100") is work on the
  // object, which in a constructor is not made yet.
  const auto NameAssigned = [&R](std::string_view Statement) {
    Statement.remove_prefix(std::min(Statement.find_first_not_of(' '), Statement.size()));
    const size_t Space = Statement.find(' ');
    const size_t After = Statement.find_first_not_of(' ', Space);
    if (Space == std::string_view::npos || Space == 0 || After == std::string_view::npos ||
        !Statement.substr(After).starts_with(":= "))
      return false;
    const std::string_view Target = Statement.substr(0, Space);
    return Target == "RESULT" || R.Declares(Target);
  };
  const size_t Then = Words.find(" THEN ");
  const bool Assigns = NameAssigned(Words) || (First == "IF" && Then != std::string_view::npos &&
                                               NameAssigned(Words.substr(Then + 6)));
  // Lead-ins: assignments to fields and plain names, assertions, guard clauses, lock entry,
  // updates held off.
  if (Assigns || (FieldTarget && Has(":=") && First.find('.') == First.rfind('.')) ||
      First == "ASSERT" || (First == "IF" && (Has("EXIT") || Has("RAISE"))) || Has("LOCK") ||
      Has("ENTER") || Has("ACQUIRE") || Has("BEGINUPDATE") || Has("LOCKLIST") ||
      First == "ENTERCRITICALSECTION" || Has("DISABLEALIGN") || Has("DISABLECONTROLS") ||
      (FieldCounter && First == "INC"))
    return TStatementRole::srLeadIn;
  // Wrap-ups: lock release, updates let go again, frees of what is not a field.
  if (Has("UNLOCK") || Has("LEAVE") || Has("RELEASE") || Has("ENDUPDATE") || Has("UNLOCKLIST") ||
      First == "TMONITOR.EXIT" || First == "LEAVECRITICALSECTION" || Has("ENABLEALIGN") ||
      Has("ENABLECONTROLS") || (FieldCounter && First == "DEC"))
    return TStatementRole::srWrapUp;
  const bool Frees = First.ends_with(".FREE") || First == "FREEANDNIL";
  const std::string_view Freed = First == "FREEANDNIL" ? Words.substr(First.size()) : First;
  const size_t NameAt = Freed.find_first_not_of(" (");
  if (Frees && NameAt != std::string_view::npos && Freed[NameAt] != 'F' &&
      Freed.substr(NameAt, 5) != "SELF.")
    return TStatementRole::srWrapUp;
  return TStatementRole::srPlain;
}

void TDelphiFile::EndStatement(TRoutine* R, int32_t Depth) {
  if (FStatementHasText && Depth >= 1 && FStatementHoldsInherited &&
      (Depth > 1 || FStatementAfterElse || FStatementInBranch ||
       FStatementWords.starts_with("IF ")))
    R->InheritedInBranch = true;
  // A statement's role tells only while no plain statement has been seen or an INHERITED
  // awaits its place: after that, every statement counts alike.
  if (FStatementHasText && Depth >= 1)
    R->NoteStatement(FStatementHoldsInherited,
                     R->InheritedPending() || !R->HasBodyStatement()
                         ? StatementRole(FStatementWords, *R)
                         : TStatementRole::srPlain,
                     FStatementAfterElse);
  // Before its body: the header and the declarations, whose words name the parameters and locals.
  if (FStatementHasText && Depth == 0) {
    R->Declared += FStatementWords;
    R->Declared += ' ';
  }
  FStatementHasText = false;
  FStatementHoldsInherited = false;
  FStatementAfterElse = FStatementInBranch = false;
  FStatementWords.clear();
}

// Reads the routine's statements off the line in order, for the placement rule of TRoutine: a
// statement ends at a semicolon or a block word (BEGIN, TRY, CASE, END; also FINALLY, EXCEPT and
// ELSE, which start new statements) and counts when it stands in the body, that is inside the
// routine's first BEGIN. Block words are taken where they stand as whole words, with the scan's
// own boundaries, and the depth follows them from the routine's depth at the start of the line.
void TDelphiFile::NoteRoutineStatements() {
  // Only the placement of INHERITED reads the statements.
  if (!HasCheck(Options, coInherited)) return;
  TRoutine* R = CurrentRoutine();
  if (!R) return;
  if (R != FStatementRoutine) {
    FStatementRoutine = R;
    FStatementHasText = false;
    FStatementHoldsInherited = false;
    FStatementAfterElse = FStatementInBranch = false;
    FStatementWords.clear();
  }
  // Once the body has a statement, only an INHERITED (on this line or awaiting its place) can
  // change what the rule decides.
  if (R->HasBodyStatement() && !R->InheritedPending() && !FStatementHoldsInherited &&
      Work.Find(CodeWord(cwInherited)) == npos) {
    FLineEnd = LineEnd();
    return;
  }
  // A statement that begins on this line after a line that opened a branch stands in it.
  if (FStatementWords.empty()) {
    FStatementAfterElse = FStatementAfterElse || FLineEnd == TLineEnd::leElse;
    FStatementInBranch = FStatementInBranch || FLineEnd == TLineEnd::leBranch;
  }
  FLineEnd = LineEnd();
  // A statement going on from the line before: its last word and this line's first stay apart
  // ("IF ... THEN" / "EXIT;" is a guard), a dotted name broken after its dot stays one word.
  if (!FStatementWords.empty() && FStatementWords.back() != ' ' && FStatementWords.back() != '.')
    FStatementWords += ' ';
  int32_t Depth = R->Depth;
  const size_t N = Work.Size();
  size_t i = 0;
  while (i < N) {
    const char C = Work.At(i);
    if (C == ';') {
      EndStatement(R, Depth);
      ++i;
      continue;
    }
    if (!IsIdentifierChar(C)) {
      if (static_cast<unsigned char>(C) > ' ') {
        FStatementHasText = true;
        // Words stay apart and a dotted name stays one word ("CANVAS.UNLOCK").
        if (C == '.')
          FStatementWords += '.';
        else if (C == ':' && i + 1 < N && Work.At(i + 1) == '=')
          FStatementWords += " := ";
        else if (!FStatementWords.empty() && FStatementWords.back() != ' ')
          FStatementWords += ' ';
      } else if (!FStatementWords.empty() && FStatementWords.back() != ' ' &&
                 FStatementWords.back() != '.') {
        FStatementWords += ' ';
      }
      ++i;
      continue;
    }
    size_t j = i;
    while (j < N && IsIdentifierChar(Work.At(j))) ++j;
    const bool Whole = (i == 0 || IsWordStartBoundary(Work.At(i - 1))) &&
                       (j == N || IsWordEndBoundary(Work.At(j)));
    auto Is = [&](std::string_view W) {
      if (!Whole || j - i != W.size()) return false;
      for (size_t k = 0; k < W.size(); ++k)
        if (Work.At(i + k) != W[k]) return false;
      return true;
    };
    if (Is("BEGIN") || Is("TRY") || Is("CASE")) {
      EndStatement(R, Depth);
      ++Depth;
    } else if (Is("END")) {
      EndStatement(R, Depth);
      // What follows the END that closes the body belongs to no statement of this routine.
      if (--Depth == 0) return;
    } else if (Is("FINALLY") || Is("EXCEPT") || Is("ELSE")) {
      EndStatement(R, Depth);
      FStatementAfterElse = Is("ELSE");
    } else {
      FStatementHasText = true;
      if (Is("INHERITED")) FStatementHoldsInherited = true;
      for (size_t k = i; k < j; ++k) FStatementWords += Work.At(k);
    }
    i = j;
  }
}

TDelphiFile::TLineEnd TDelphiFile::LineEnd() const {
  size_t End = Work.Size();
  while (End > 0 && static_cast<unsigned char>(Work.At(End - 1)) <= ' ') --End;
  if (End == 0) return TLineEnd::leOther;
  if (Work.At(End - 1) == ':') return TLineEnd::leBranch;
  // Read from the end, without a copy: most lines end with a ";".
  auto EndsWith = [&](std::string_view W) {
    if (End < W.size()) return false;
    const size_t Start = End - W.size();
    for (size_t k = 0; k < W.size(); ++k)
      if (Work.At(Start + k) != W[k]) return false;
    return Start == 0 || IsWordStartBoundary(Work.At(Start - 1));
  };
  if (EndsWith("ELSE")) return TLineEnd::leElse;
  return EndsWith("THEN") || EndsWith("DO") ? TLineEnd::leBranch : TLineEnd::leOther;
}

// ---- After the scan -----------------------------------------------------------------------------

void TDelphiFile::MarkRoutinesUsedInUnit() {
  std::vector<TRoutine*> Marked;
  std::vector<std::string> Names;
  for (const auto& Entry : Routines) {
    TRoutine* R = Entry.second.get();
    if (!R->SetAbortFound && !R->SetCompleteFound) continue;
    Marked.push_back(R);
    Names.push_back(R->Name);
  }
  if (Marked.empty()) return;
  const std::vector<int> Counts = CountWordsInCode(Names);
  for (size_t i = 0; i < Marked.size(); ++i) Marked[i]->UsedInUnit = Counts[i] > 1;
}

// ---- Adding a unit to the second uses clause ----------------------------------------------------

bool TDelphiFile::AddUnit(const std::string& UnitName) {
  if (!Loaded) return false;
  if (ImplementationLine == 0) {
    AddError("No Implementation found");
    return false;
  }
  if (UsesLine != 0) {
    // The raw line, upper-cased but neither trimmed nor stripped.
    Work.Assign(Lines[UsesLine], true);
    size_t Len;
    const size_t P = FindWord(CodeWord(cwUses), Len);
    if (P == 0) {
      AddError("Second Uses clause not found on Add");
      return false;
    }
    const std::string_view Line = Lines[UsesLine];
    const size_t Keep = P - 1 + Len;  // up to and including USES, in the line's own case
    std::string NewLine =
        std::string(Line.substr(0, Keep)) + " " + UnitName + "," + std::string(Line.substr(Keep));
    Lines.Set(UsesLine, NewLine);
    Changed = true;
    Trace(NewLine);
    return true;
  }
  Lines.Insert(ImplementationLine + 1, "");
  Lines.Insert(ImplementationLine + 2, "uses");
  Lines.Insert(ImplementationLine + 3, "  " + UnitName + ";");
  Changed = true;
  return true;
}
