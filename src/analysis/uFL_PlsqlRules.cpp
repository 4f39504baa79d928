// FL101 cursors opened but not closed in their routine, FL102 package cursors left open when an
// exception is handled.
#include <algorithm>
#include <string_view>

#include "analysis/uFL_PreciseRules.h"

namespace {

// Decision: whatever its declared type says, a variable the code opens is a cursor variable: OPEN
// takes nothing else, and its REF CURSOR type may come from a package header in another file, a
// SUBTYPE or another package ("l_rc desk_query.t_any_cur"). Opened: the names after an OPEN of
// no package's routine, in any routine's body.
bool IsCursorVariable(const TSourceModel& M, const TDeclared& D,
                      const std::vector<std::string_view>& Opened) {
  return D.Cursor || D.Type == "SYS_REFCURSOR" || M.RefCursorTypes.count(D.Type) ||
         std::binary_search(Opened.begin(), Opened.end(), D.Name);
}

std::vector<std::string_view> OpenedNames(const TSourceModel& M) {
  const auto& T = M.Tokens();
  std::vector<std::string_view> Names;
  for (const size_t i : M.Opens)
    if (i > 0 && i + 1 < T.size() && !T[i - 1].Is(".") && T[i + 1].IsWord())
      Names.push_back(T[i + 1].Text());
  std::sort(Names.begin(), Names.end());
  Names.erase(std::unique(Names.begin(), Names.end()), Names.end());
  return Names;
}

using TRanges = std::vector<std::pair<size_t, size_t>>;

// The token ranges of a routine's body and of the bodies nested in it, into Ranges (kept from
// routine to routine, so that it is not made anew for each). For a cursor Hiding that Self
// declares, the nested routines that declare anything of that name are left out, with what is
// nested in them: theirs is another cursor, and its CLOSE does not close Self's.
void Bodies(const TSourceModel& M, size_t Self, TRanges& Ranges, std::string_view Hiding = {}) {
  Ranges.clear();
  for (size_t n = Self; n < M.Routines[Self].NestedEnd; ++n) {
    const TSourceRoutine& R = M.Routines[n];
    if (n != Self && !Hiding.empty() && R.Local(Hiding)) {
      n = R.NestedEnd - 1;
      continue;
    }
    if (R.BodyEnd) Ranges.push_back({R.BodyBegin, R.BodyEnd});
  }
}

struct TCursorUse {
  size_t FirstOpen = 0;
  int OpenLine = 0;
  bool Closed = false;
  bool ClosedBefore = false;  // closed after the first open and before Limit
  bool ClosedFrom = false;    // closed from Limit on
  bool HandedOut = false;
};

// OPEN, FETCH and CLOSE of Name after no dot; "Name%ISOPEN" and a cursor FOR loop neither open
// nor hand it out; any other use (RETURN, ":=", an argument) hands it out.
TCursorUse ReadCursor(const TTokenList& T, const TRanges& Ranges, std::string_view Name,
                      size_t Limit) {
  TCursorUse U;
  // A close before the first open ("IF c%ISOPEN THEN CLOSE c; END IF; OPEN c;") only makes sure
  // the OPEN does not fail: it says nothing of how the open cursor is left.
  const auto Close = [&](size_t i) {
    U.Closed = true;
    if (i >= Limit)
      U.ClosedFrom = true;
    else if (U.OpenLine && i > U.FirstOpen)
      U.ClosedBefore = true;
  };
  const uint64_t Key = TokenKey(Name);
  for (const auto& [Begin, End] : Ranges)
    for (size_t i = Begin + 1; i < End; ++i) {
      if (T[i].Key != Key || T[i].Text() != Name) continue;
      if (T[i - 1].Is(".")) {
        // "CLOSE pkg.c": a package names its own cursor, a routine its own, with its name.
        if (i >= Begin + 3 && T[i - 2].IsWord() && T[i - 3].Is("CLOSE") &&
            !(i >= 4 && T[i - 4].Is(".")))
          Close(i);
        continue;
      }
      const TToken& Prev = T[i - 1];
      const bool Dotted = i + 1 < T.size() && T[i + 1].Is(".");
      if (Prev.Is("OPEN") && !(i >= 2 && T[i - 2].Is("."))) {
        if (!U.OpenLine || i < U.FirstOpen) {
          U.FirstOpen = i;
          U.OpenLine = T[i - 1].Line;  // where the OPEN statement begins
        }
      } else if (Prev.Is("CLOSE") && !(i >= 2 && T[i - 2].Is("."))) {
        Close(i);
      } else if (Prev.Is("FETCH") || Prev.Is("IN") || (i + 1 < T.size() && T[i + 1].Is("%")) ||
                 Dotted || (Prev.Is("OF") && i >= 2 && T[i - 2].Is("CURRENT"))) {
        // Reads or points at its row ("WHERE CURRENT OF c"): the routine keeps the cursor.
      } else if (Prev.Is("CURSOR") ||
                 ((Prev.Is(";") || Prev.Is("DECLARE")) && i + 1 < T.size() && T[i + 1].IsWord())) {
        // Its declaration in an inner block of the routine: "CURSOR c IS", "l_rc SYS_REFCURSOR;".
      } else {
        U.HandedOut = true;
      }
    }
  return U;
}

// The package's cursors that routine Self opens: those declared outside every routine, and those
// it opens without their being its own or an enclosing routine's (a package header declares them).
std::vector<std::string_view> PackageCursorsOpened(const TSourceModel& M, size_t Self) {
  const auto& T = M.Tokens();
  const TSourceRoutine& R = M.Routines[Self];
  std::vector<std::string_view> Names;
  for (auto It = std::upper_bound(M.Opens.begin(), M.Opens.end(), R.BodyBegin);
       It != M.Opens.end() && *It + 1 < R.BodyEnd; ++It) {
    const size_t i = *It;
    if (T[i - 1].Is(".") || T[i + 2].Is(".") || T[i + 2].Is("FOR")) continue;
    const std::string_view Name = T[i + 1].Text();
    if (DeclaredFor(M, Self, Name) || std::find(Names.begin(), Names.end(), Name) != Names.end())
      continue;
    Names.push_back(Name);
  }
  return Names;
}

// The routines a call of Name from routine Self reaches: those of that name declared in the
// innermost scope that has one (Self's own nested routines, then its enclosing routine's, up to
// the package's), as the compiler resolves it.
std::vector<size_t> Callees(const TSourceModel& M, size_t Self, std::string_view Name) {
  std::vector<size_t> Found;
  // Self -1: the package's own routines only.
  for (int Scope = int(Self); Scope >= -1; Scope = M.Routines[size_t(Scope)].Parent) {
    for (size_t n = 0; n < M.Routines.size(); ++n)
      if (M.Routines[n].Parent == Scope && M.Routines[n].BodyEnd && M.Routines[n].Name == Name)
        Found.push_back(n);
    if (!Found.empty() || Scope < 0) break;
  }
  return Found;
}

// Whether the tokens [From, To) of routine Self close Name, themselves or through the routines
// they call, a few calls deep ("WHEN OTHERS THEN reset_state; RAISE;" with reset_state calling
// close_cursors). Each routine is read once however many calls reach it, unless a later call
// may go deeper from it (Reached: the depth left when it was read, -1 for never).
bool ClosesThrough(const TSourceModel& M, size_t Self, size_t From, size_t To,
                   std::string_view Name, int Depth, std::vector<int>& Reached) {
  const auto& T = M.Tokens();
  if (ReadCursor(T, {{From, To}}, Name, From).Closed) return true;
  if (Depth == 0) return false;
  TRanges Closer;
  for (size_t k = From + 1; k + 1 < To; ++k) {
    if (!T[k].IsWord() || !(T[k + 1].Is(";") || T[k + 1].Is("("))) continue;
    // A call qualified by one name is the package's own routine ("gl_extra.close_all;"), or
    // another package's that bears the same name: read as the own one.
    const bool Qualified = T[k - 1].Is(".");
    if (Qualified && (k < From + 3 || !T[k - 2].IsWord() || T[k - 3].Is("."))) continue;
    for (const size_t n :
         Qualified ? Callees(M, size_t(-1), T[k].Text()) : Callees(M, Self, T[k].Text())) {
      if (Reached[n] >= Depth - 1) continue;
      Reached[n] = Depth - 1;
      Bodies(M, n, Closer);
      for (const auto& [B, E] : Closer)
        if (ClosesThrough(M, n, B, E, Name, Depth - 1, Reached)) return true;
    }
  }
  return false;
}

// Decision: a handler closes a package cursor when it closes it itself or calls a routine of the
// package that does, also through the routines that one calls ("WHEN OTHERS THEN close_all;
// RAISE;"); the handler of an inner block that closes it counts too, as the cursor is then closed
// whichever handler runs.
bool HandlerCloses(const TSourceModel& M, size_t Self, const TRanges& Handlers, size_t After,
                   std::string_view Name) {
  constexpr int Calls = 3;
  std::vector<int> Reached(M.Routines.size(), -1);
  Reached[Self] = Calls;
  for (const auto& [From, To] : Handlers)
    if (To >= After && ClosesThrough(M, Self, From, To, Name, Calls, Reached)) return true;
  return false;
}

}  // namespace

std::vector<TPreciseFinding> CheckPlsqlRules(const TSourceModel& M, TCheckOptions Options) {
  std::vector<TPreciseFinding> NotClosed, OpenOnException;
  const auto& T = M.Tokens();
  TRanges Ranges, Own(1), Scope(1);
  const std::vector<std::string_view> Opened = OpenedNames(M);
  for (size_t r = 0; r < M.Routines.size(); ++r) {
    const TSourceRoutine& R = M.Routines[r];
    if (R.BodyEnd == 0) continue;
    if (HasCheck(Options, coCursorNotClosed))
      for (const TDeclared& D : R.Locals) {
        if (!IsCursorVariable(M, D, Opened)) continue;
        // An inner block's cursor is read in that block: two blocks may each declare a cursor
        // of one name, and each is judged alone.
        if (D.ScopeEnd) Scope[0] = {D.ScopeBegin, D.ScopeEnd};
        if (!D.ScopeEnd) Bodies(M, r, Ranges, D.Name);
        const TCursorUse U = ReadCursor(T, D.ScopeEnd ? Scope : Ranges, D.Name, R.BodyEnd);
        if (U.OpenLine && !U.Closed && !U.HandedOut)
          NotClosed.push_back({coCursorNotClosed, U.OpenLine, R.Name,
                               "Cursor " + std::string(D.Name) + " opened in " + R.Name +
                                   " is never closed there"});
      }
    // Decision: only a routine that closes the cursor on its normal path means to leave it
    // closed; one that never closes it (an open routine of a fetch protocol) is left alone.
    if (HasCheck(Options, coCursorOpenOnException) && R.ExceptionAt)
      for (std::string_view Name : PackageCursorsOpened(M, r)) {
        Own[0] = {R.BodyBegin, R.BodyEnd};
        const TCursorUse U = ReadCursor(T, Own, Name, R.ExceptionAt);
        if (U.OpenLine && U.FirstOpen < R.ExceptionAt && U.ClosedBefore && !U.ClosedFrom &&
            !HandlerCloses(M, r, R.Handlers, U.FirstOpen, Name))
          OpenOnException.push_back({coCursorOpenOnException, U.OpenLine, R.Name,
                                     "Package cursor " + std::string(Name) + " opened in " +
                                         R.Name + " stays open when its exception handler runs"});
      }
  }
  for (auto* List : {&NotClosed, &OpenOnException})
    std::stable_sort(
        List->begin(), List->end(),
        [](const TPreciseFinding& A, const TPreciseFinding& B) { return A.Line < B.Line; });
  std::vector<TPreciseFinding> All = std::move(NotClosed);
  All.insert(All.end(), OpenOnException.begin(), OpenOnException.end());
  MarkSuppressed(M, All);
  return All;
}
