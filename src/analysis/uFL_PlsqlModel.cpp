// The routines of PL/SQL source: packages' procedures and functions with their parameters,
// declarations (variables, cursors, nested subprograms), bodies and exception sections; the
// cursors and REF CURSOR types declared at package level.
#include <algorithm>
#include <string_view>

#include "analysis/uFL_ModelParser.h"

namespace {

class TPlsqlBuilder : public TModelParser {
 public:
  using TModelParser::TModelParser;

  void Run() {
    while (!End()) {
      if (AtAny({"PROCEDURE", "FUNCTION"}) && IsWord(P + 1)) {
        Routine(-1);
      } else if (At("TRIGGER") && IsWord(P + 1)) {
        Trigger();
      } else if (At("CURSOR") && IsWord(P + 1)) {
        M.PackageCursors.push_back({T[P + 1].Text(), "", T[P + 1].Line, true});
        ++P;
        SkipStatement();
      } else if (At("TYPE") && IsWord(P + 1)) {
        TypeDeclaration();
      } else {
        ++P;
      }
    }
  }

 private:
  void TypeDeclaration() {
    const std::string Name(T[P + 1].Text());
    P += 2;
    if (AtAny({"IS", "AS"}) && At("REF", 1) && At("CURSOR", 2)) M.RefCursorTypes.insert(Name);
    SkipStatement({"BEGIN", "PROCEDURE", "FUNCTION", "END"});
  }

  void Routine(int Parent) {
    TSourceRoutine R;
    R.Kind = At("FUNCTION") ? TRoutineKind::rkFunction : TRoutineKind::rkProcedure;
    R.HeaderLine = T[P].Line;
    R.Parent = Parent;
    ++P;
    R.Name = DottedName();
    if (At("(")) Params(R);
    // RETURN type and options up to IS or AS; a ";" first makes it a declaration only, and so
    // does the next statement of a script ("SHOW ERRORS PROCEDURE X" ends with its line). The AS
    // of a constructor's "RETURN SELF AS RESULT" is part of its type.
    const auto ToHeaderEnd = [this] {
      while (!End() && !AtAny({"IS", "AS", ";", "BEGIN", "CREATE", "/"})) ++P;
    };
    ToHeaderEnd();
    if (At("AS") && T[P - 1].Is("SELF") && At("RESULT", 1)) {
      P += 2;
      ToHeaderEnd();
    }
    if (!AtAny({"IS", "AS"})) {
      if (At(";")) ++P;
      return;
    }
    ++P;
    if (AtAny({"LANGUAGE", "EXTERNAL"})) {
      SkipStatement();
      return;
    }
    const int Index = int(M.Routines.size());
    M.Routines.push_back(std::move(R));
    if (Declarations(Index)) Body(Index);
  }

  // A trigger's body is a block of its own, read as a routine named after the trigger: what it
  // declares is its own, as a procedure's is. A compound trigger's timing points are no
  // routines; the subprograms it declares are read as any others are.
  void Trigger() {
    TSourceRoutine R;
    R.HeaderLine = T[P].Line;
    ++P;
    R.Name = DottedName();
    // The header: events, tables, REFERENCING, FOR EACH ROW, WHEN (...), FOLLOWS. A script's
    // "SHOW ERRORS TRIGGER X" ends with its line, and the next statement stops the search.
    while (!End() && !AtAny({"DECLARE", "BEGIN", "COMPOUND", "CALL", ";", "/", "CREATE", "TRIGGER",
                             "PROCEDURE", "FUNCTION", "PACKAGE"})) {
      if (At("(")) {
        SkipBrackets();
        continue;
      }
      ++P;
    }
    if (!AtAny({"DECLARE", "BEGIN"})) return;
    if (At("DECLARE")) ++P;
    const int Index = int(M.Routines.size());
    M.Routines.push_back(std::move(R));
    if (Declarations(Index)) Body(Index);
  }

  // The declaration section of a routine up to its BEGIN; false where it never reaches one. Inner:
  // the section of an inner block of the body ("DECLARE ... BEGIN"), whose declarations belong to
  // the routine too: its cursors close when the block ends, as the routine's own do when it
  // returns, and none of them is a package cursor of the same name. The subprograms a section
  // declares are routines nested in the routine.
  bool Declarations(int Index, bool Inner = false) {
    while (!End() && !At("BEGIN")) {
      if (AtAny({"PROCEDURE", "FUNCTION"}) && IsWord(P + 1)) {
        if (!Inner) {
          Routine(Index);
          continue;
        }
        // Reading it reads its body: the blocks open in this one wait meanwhile.
        const std::vector<size_t> Open = FOpenBlocks;
        const std::vector<TBlockScope> Scopes = FScopes;
        Routine(Index);
        FOpenBlocks = Open;
        FScopes = Scopes;
      } else if (At("CURSOR") && IsWord(P + 1)) {
        M.Routines[size_t(Index)].Locals.push_back({T[P + 1].Text(), "", T[P + 1].Line, true});
        ++P;
        SkipStatement();
      } else if (At("TYPE") && IsWord(P + 1)) {
        TypeDeclaration();
      } else if (AtAny({"PRAGMA", "SUBTYPE"})) {
        SkipStatement();
      } else if (AtAny({"END", "CREATE", "/"})) {
        return false;  // declarations that never reach a body
      } else if (IsWord(P)) {
        Variable(Index);
      } else {
        ++P;
      }
    }
    return !End();
  }

  // "name [CONSTANT] type ...;" of a declaration section.
  void Variable(int Index) {
    TDeclared D{T[P].Text(), "", T[P].Line, false};
    ++P;
    if (At("CONSTANT")) ++P;
    if (IsWord(P)) D.Type = T[P].Text();
    M.Routines[size_t(Index)].Locals.push_back(std::move(D));
    SkipStatement({"BEGIN"});
  }

  void Params(TSourceRoutine& R) {
    ++P;  // "("
    int Depth = 1;
    bool Start = true;
    while (!End() && Depth > 0) {
      if (At("(")) ++Depth;
      if (At(")")) --Depth;
      if (Depth == 1 && At(",")) Start = true;
      if (Start && IsWord(P)) {
        TDeclared D{T[P].Text(), "", T[P].Line, false};
        ++P;
        while (AtAny({"IN", "OUT", "NOCOPY"})) ++P;
        if (IsWord(P)) D.Type = T[P].Text();
        R.Params.push_back(std::move(D));
        Start = false;
        continue;
      }
      ++P;
    }
  }

  // BEGIN opens a block, and so does a CASE; END IF and END LOOP close none, END CASE closes its
  // CASE. A block's EXCEPTION starts its handlers; the outermost block's are the routine's.
  void Body(int Index) {
    const size_t Begin = P;
    // Per open block, where its handlers start (0: none yet).
    std::vector<size_t>& Open = FOpenBlocks;
    Open.clear();
    // Per open block, the locals its DECLARE declared (none for most).
    std::vector<TBlockScope>& Scopes = FScopes;
    Scopes.clear();
    TBlockScope Declared;
    static constexpr TWordFilter Marks{"BEGIN",     "CASE",     "END",    "EXCEPTION", "DECLARE",
                                       "PROCEDURE", "FUNCTION", "SELECT", "OPEN"};
    bool InlineFunctions = false;  // a query's "WITH FUNCTION ...", up to its SELECT
    for (; !End(); ++P) {
      const TToken& W = T[P];
      if (!Marks.MayHold(W)) continue;
      if (W.Is("OPEN")) {
        M.Opens.push_back(P);
      } else if (W.Is("PROCEDURE") || W.Is("FUNCTION")) {
        // A subprogram's header stands in no body but after DECLARE (read there), or in a
        // query's WITH: this body never closed, and the header is the next routine's.
        InlineFunctions = InlineFunctions || T[P - 1].Is("WITH");
        if (!InlineFunctions) return;
      } else if (W.Is("SELECT")) {
        InlineFunctions = false;
      } else if (W.Is("DECLARE") && !Open.empty()) {
        const size_t From = M.Routines[size_t(Index)].Locals.size();
        Declared.At = P++;
        Declarations(Index, true);
        Declared.From = From;
        Declared.To = M.Routines[size_t(Index)].Locals.size();
        --P;  // the loop reads the word it stopped at
      } else if (W.Is("BEGIN") || W.Is("CASE")) {
        Open.push_back(0);
        Scopes.push_back(W.Is("BEGIN") ? Declared : TBlockScope{});
        Declared = {};
      } else if (W.Is("END")) {
        if (AtAny({"IF", "LOOP"}, 1)) {
          ++P;
          continue;
        }
        const size_t EndAt = P;
        if (At("CASE", 1)) ++P;
        if (Open.empty()) continue;  // an END too many closes nothing
        if (const size_t Handlers = Open.back())
          M.Routines[size_t(Index)].Handlers.push_back({Handlers, EndAt});
        Open.pop_back();
        if (!Scopes.empty()) {
          const TBlockScope S = Scopes.back();
          Scopes.pop_back();
          for (size_t k = S.From; k < S.To; ++k) {
            TDeclared& D = M.Routines[size_t(Index)].Locals[k];
            D.ScopeBegin = S.At;
            D.ScopeEnd = EndAt;
          }
        }
        if (Open.empty()) {
          TSourceRoutine& R = M.Routines[size_t(Index)];
          if (!R.Handlers.empty() && R.Handlers.back().second == EndAt)
            R.ExceptionAt = R.Handlers.back().first;
          R.BodyBegin = Begin;
          R.BodyEnd = At("CASE") ? P - 1 : P;
          ++P;
          if (IsWord(P) && !AtAny({"PROCEDURE", "FUNCTION", "CURSOR", "TYPE", "END", "BEGIN"}))
            ++P;  // the routine's name after its END
          if (!At(";")) {
            // "END" and a name with no ";": a file cut off, or an END of a loop or an IF
            // misspelt; the blocks are not the compiler's, and the routine is left out.
            R.BodyBegin = R.BodyEnd = R.ExceptionAt = 0;
            R.Handlers.clear();
          }
          return;
        }
      } else if (W.Is("EXCEPTION") && !Open.empty() && At("WHEN", 1)) {
        Open.back() = P;
      }
    }
  }

  // The locals an inner block's DECLARE (at At) declared: Locals[From, To).
  struct TBlockScope {
    size_t At = 0;
    size_t From = 0;
    size_t To = 0;
  };
  std::vector<size_t> FOpenBlocks;  // Body's, kept from routine to routine
  std::vector<TBlockScope> FScopes;
};

}  // namespace

void BuildPlsqlRoutines(TSourceModel& Model) {
  TPlsqlBuilder(Model).Run();
  // Bodies are read front to back; one read again after a broken one would break the order.
  if (!std::is_sorted(Model.Opens.begin(), Model.Opens.end()))
    std::sort(Model.Opens.begin(), Model.Opens.end());
}
