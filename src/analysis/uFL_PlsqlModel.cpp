// The routines of PL/SQL source: packages' procedures and functions with their parameters,
// declarations (variables, cursors, nested subprograms), bodies and exception sections; the
// cursors and REF CURSOR types declared at package level.
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
    // RETURN type and options up to IS or AS; a ";" first makes it a declaration only.
    while (!End() && !AtAny({"IS", "AS", ";", "BEGIN"})) ++P;
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
    while (!End() && !At("BEGIN")) {
      if (AtAny({"PROCEDURE", "FUNCTION"}) && IsWord(P + 1)) {
        Routine(Index);
      } else if (At("CURSOR") && IsWord(P + 1)) {
        M.Routines[size_t(Index)].Locals.push_back({T[P + 1].Text(), "", T[P + 1].Line, true});
        ++P;
        SkipStatement();
      } else if (At("TYPE") && IsWord(P + 1)) {
        TypeDeclaration();
      } else if (AtAny({"PRAGMA", "SUBTYPE"})) {
        SkipStatement();
      } else if (AtAny({"END", "CREATE", "/"})) {
        return;  // declarations that never reach a body
      } else if (IsWord(P)) {
        TDeclared D{T[P].Text(), "", T[P].Line, false};
        ++P;
        if (At("CONSTANT")) ++P;
        if (IsWord(P)) D.Type = T[P].Text();
        M.Routines[size_t(Index)].Locals.push_back(std::move(D));
        SkipStatement({"BEGIN"});
      } else {
        ++P;
      }
    }
    Body(Index);
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
    static constexpr TWordFilter Marks{"BEGIN", "CASE", "END", "EXCEPTION"};
    for (; !End(); ++P) {
      const TToken& W = T[P];
      if (!Marks.MayHold(W)) continue;
      if (W.Is("BEGIN") || W.Is("CASE")) {
        Open.push_back(0);
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
        if (Open.empty()) {
          TSourceRoutine& R = M.Routines[size_t(Index)];
          if (!R.Handlers.empty() && R.Handlers.back().second == EndAt)
            R.ExceptionAt = R.Handlers.back().first;
          R.BodyBegin = Begin;
          R.BodyEnd = At("CASE") ? P - 1 : P;
          ++P;
          if (IsWord(P) && !AtAny({"PROCEDURE", "FUNCTION", "CURSOR", "TYPE", "END", "BEGIN"}))
            ++P;  // the routine's name after its END
          return;
        }
      } else if (W.Is("EXCEPTION") && !Open.empty() && At("WHEN", 1)) {
        Open.back() = P;
      }
    }
  }

  std::vector<size_t> FOpenBlocks;  // Body's, kept from routine to routine
};

}  // namespace

void BuildPlsqlRoutines(TSourceModel& Model) {
  TPlsqlBuilder(Model).Run();
}
