// Findings of code items and routines.
#include "analysis/uFL_CodeObjects.h"

std::vector<TCheckNote> TCodeItem::CheckItem(TCheckOptions Options) const {
  std::vector<TCheckNote> Found;
  // An item created with an owner and never destroyed is the owner's to free.
  if (HasCheck(Options, coCreateDestroy) && CreateCount != FreeCount && (FreeCount != 0 || !Owned))
    Found.push_back({coCreateDestroy, Name + " created " + std::to_string(CreateCount) +
                                          " times and destroyed " + std::to_string(FreeCount) +
                                          " times"});
  if (HasCheck(Options, coOpenFetchClose) && CreateCount > 0) {
    const bool OnlyOpened = FetchCount == 0 && FreeCount == 0;
    const bool AllEqual = CreateCount == FetchCount && FetchCount == FreeCount;
    if (!OnlyOpened && !AllEqual)
      Found.push_back({coOpenFetchClose, "Open=Fetch=Close does not match for " + Name});
  }
  return Found;
}

bool HoldsStatementWord(std::string_view Words, std::string_view W) {
  for (size_t P = Words.find(W); P != std::string_view::npos; P = Words.find(W, P + 1)) {
    const size_t E = P + W.size();
    if ((P == 0 || Words[P - 1] == ' ' || Words[P - 1] == '.') &&
        (E == Words.size() || Words[E] == ' ' || Words[E] == '.'))
      return true;
  }
  return false;
}

bool TRoutine::Declares(std::string_view Word) const {
  constexpr size_t Long = 4096;
  if (Declared.size() < Long || Word.find('.') != std::string_view::npos)
    return HoldsStatementWord(Declared, Word);
  if (FDeclaredData != Declared.data() || FDeclaredIndexed != Declared.size()) {
    FDeclaredWords.clear();
    const std::string_view All = Declared;
    for (size_t P = 0; P < All.size();) {
      const size_t E = std::min(All.find_first_of(" .", P), All.size());
      if (E > P) FDeclaredWords.insert(All.substr(P, E - P));
      P = E + 1;
    }
    FDeclaredData = Declared.data();
    FDeclaredIndexed = Declared.size();
  }
  return FDeclaredWords.count(Word) > 0;
}

void TRoutine::NoteSetAbort() {
  SetAbortFound = true;
  SetAbortDepth = Depth;
  SetAbortWithoutRaise = true;
}

void TRoutine::NoteRaise() {
  if (SetAbortFound && SetAbortDepth == Depth) SetAbortWithoutRaise = false;
}

// The rule for INHERITED. The body of a routine runs from its first BEGIN to the END that closes
// it; its statements are the pieces of code between semicolons and block words, as the scan of
// TDelphiFile cuts them, which also gives each its role. An INHERITED call stands
//   at the Start when no statement before it in the body is anything but a lead-in: assignments
//     to fields, locals and parameters (also under an "if": a value clamped for the ancestor's
//     call), assertions, guard clauses ("if ... then Exit", "if ... then raise"), lock
//     entry ("Lock", "Enter", "Acquire", "BeginUpdate") and updates held off ("DisableAlign",
//     "DisableControls", "Inc(FUpdating)") - a constructor that sets a field first or a method
//     that takes its lock first still calls its ancestor first;
//   at the End when no statement follows it before the body's closing END but wrap-ups: lock
//     release ("Unlock", "Leave", "Release", "EndUpdate", "TMonitor.Exit"), updates let go
//     ("EnableAlign", "EnableControls", "Dec(FUpdating)") and frees of locals (not of fields:
//     a field freed after "inherited Destroy" is what the check is for);
//   in the Middle otherwise.
// A method other than a constructor or destructor that calls its ancestor in a branch (under an
// IF, after an ELSE, in a CASE arm or a nested block: a message handler's dispatch, a Paint that
// draws itself or lets the ancestor draw) decides per branch where the call belongs: it is not
// reported as in the Middle.
// A call that is the body's only statement is at both ends; it counts where the routine's kind
// wants it (End in a destructor, Start elsewhere), so `begin inherited; end` is never reported.
// Calls in two different places make the routine's place Middle, unless the second is the ELSE
// part's alternative to the first.
void TRoutine::NoteStatement(bool HoldsInherited, TStatementRole Role, bool Alternative) {
  // "if ... then begin ...; inherited; end else inherited;": the call of the ELSE part runs
  // instead of the one before it, which is then followed by nothing; the later one decides.
  if (FPending && HoldsInherited && Alternative) return;
  if (FPending) {
    if (Role == TStatementRole::srWrapUp && !HoldsInherited) return;
    FPending = false;
    PlaceInherited(FPendingFirst ? TInheritedPlace::Start : TInheritedPlace::Middle);
  }
  if (HoldsInherited) {
    FPending = true;
    FPendingFirst = FStatements == 0;
    if (InheritedPlace == TInheritedPlace::NotSeen) InheritedPlace = TInheritedPlace::Seen;
  }
  if (HoldsInherited || Role != TStatementRole::srLeadIn) ++FStatements;
}

void TRoutine::BodyEnded() {
  if (!FPending) return;
  FPending = false;
  const bool Destructor = Kind == TRoutineKind::rkDestructor;
  PlaceInherited(FPendingFirst && !Destructor ? TInheritedPlace::Start : TInheritedPlace::End);
}

void TRoutine::PlaceInherited(TInheritedPlace Place) {
  if (InheritedPlace == TInheritedPlace::NotSeen || InheritedPlace == TInheritedPlace::Seen)
    InheritedPlace = Place;
  else if (InheritedPlace != Place)
    InheritedPlace = TInheritedPlace::Middle;
}

std::vector<TCheckNote> TRoutine::CheckRoutine(TCheckOptions Options) const {
  std::vector<TCheckNote> Found;
  if (HasCheck(Options, coSetAbortComplete)) {
    if (SetAbortFound != SetCompleteFound)
      Found.push_back({coSetAbortComplete, "SetAbort <> SetComplete"});
    if (UsedInUnit)
      Found.push_back(
          {coSetAbortComplete, "Routine with SetAbort/SetComplete used within the same Unit"});
    if (SetAbortWithoutRaise)
      Found.push_back({coSetAbortComplete, "SetAbort found without Raise statement"});
  }
  if (HasCheck(Options, coInherited) && InheritedPlace != TInheritedPlace::NotSeen) {
    if (Kind == TRoutineKind::rkDestructor && InheritedPlace != TInheritedPlace::End)
      Found.push_back({coInherited, "Inherited not at End of Routine"});
    else if (Kind == TRoutineKind::rkConstructor && InheritedPlace != TInheritedPlace::Start)
      Found.push_back({coInherited, "Inherited not at Start of Routine"});
    else if (InheritedPlace == TInheritedPlace::Middle && !InheritedInBranch)
      Found.push_back({coInherited, "Inherited not at Start or End of Routine"});
  }
  return Found;
}
