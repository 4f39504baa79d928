// The routines of a Delphi unit or program: headers, parameters, var sections, nested routines,
// bodies; interface types. Type declarations are skipped whole, so the method headers of a class
// declaration never count as routines.
#include <array>
#include <iterator>
#include <string_view>

#include "analysis/uFL_ModelParser.h"

namespace {

bool IsRoutineWord(const TToken& W) {
  return W.Is("PROCEDURE") || W.Is("FUNCTION") || W.Is("CONSTRUCTOR") || W.Is("DESTRUCTOR") ||
         W.Is("OPERATOR");
}

// Words after which a declaration section (of the unit or a routine) ends.
bool IsSectionWord(const TToken& W) {
  static constexpr TWordFilter Words{
      "PROCEDURE", "FUNCTION",       "CONSTRUCTOR",    "DESTRUCTOR",     "OPERATOR", "VAR",
      "CONST",     "TYPE",           "THREADVAR",      "RESOURCESTRING", "LABEL",    "BEGIN",
      "ASM",       "IMPLEMENTATION", "INITIALIZATION", "FINALIZATION",   "END",      "EXPORTS",
      "USES"};
  if (!Words.MayHold(W)) return false;
  return IsRoutineWord(W) || W.Is("VAR") || W.Is("CONST") || W.Is("TYPE") || W.Is("THREADVAR") ||
         W.Is("RESOURCESTRING") || W.Is("LABEL") || W.Is("BEGIN") || W.Is("ASM") ||
         W.Is("IMPLEMENTATION") || W.Is("INITIALIZATION") || W.Is("FINALIZATION") || W.Is("END") ||
         W.Is("EXPORTS") || W.Is("USES");
}

bool IsDirective(const TToken& W) {
  static constexpr std::string_view Words[] = {
      "OVERLOAD", "OVERRIDE",  "VIRTUAL",    "DYNAMIC",      "ABSTRACT", "REINTRODUCE", "STDCALL",
      "CDECL",    "PASCAL",    "REGISTER",   "SAFECALL",     "INLINE",   "STATIC",      "FORWARD",
      "EXTERNAL", "ASSEMBLER", "DEPRECATED", "PLATFORM",     "LIBRARY",  "EXPORT",      "FINAL",
      "MESSAGE",  "DISPID",    "VARARGS",    "EXPERIMENTAL", "NEAR",     "FAR",         "WINAPI"};
  static constexpr auto Keys = [] {
    std::array<uint64_t, std::size(Words)> K{};
    for (size_t i = 0; i < K.size(); ++i) K[i] = TokenKey(Words[i]);
    return K;
  }();
  for (size_t i = 0; i < Keys.size(); ++i)
    if (W.Key == Keys[i] && W.Text() == Words[i]) return true;
  return false;
}

class TDelphiBuilder : public TModelParser {
 public:
  using TModelParser::TModelParser;

  void Run() {
    bool InInterface = false;
    while (!End()) {
      const TToken& W = T[P];
      const bool AfterEquals = P > 0 && T[P - 1].Is("=");
      if (W.Is("INTERFACE") && !AfterEquals) {
        InInterface = true;
        ++P;
      } else if (W.Is("IMPLEMENTATION")) {
        InInterface = false;
        ++P;
      } else if (W.Is("UNIT") || W.Is("PROGRAM") || W.Is("LIBRARY") || W.Is("PACKAGE") ||
                 W.Is("USES") || W.Is("CONTAINS") || W.Is("REQUIRES") || W.Is("EXPORTS")) {
        SkipStatement();
      } else if (W.Is("TYPE")) {
        ++P;
        TypeSection();
      } else if (W.Is("VAR") || W.Is("CONST") || W.Is("THREADVAR") || W.Is("RESOURCESTRING") ||
                 W.Is("LABEL")) {
        ++P;
        Declarations(nullptr);
      } else if (W.Is("CLASS") && IsRoutineAhead(1)) {
        ++P;
        Routine(-1, !InInterface, true);
      } else if (IsRoutineWord(W)) {
        Routine(-1, !InInterface, false);
      } else if (W.Is("END") && At(".", 1)) {
        return;  // the unit's end: what follows it is no code
      } else {
        ++P;
      }
    }
  }

 private:
  bool IsRoutineAhead(size_t Ahead) const {
    return P + Ahead < T.size() && IsRoutineWord(T[P + Ahead]);
  }

  void Routine(int Parent, bool WantBody, bool ClassMethod) {
    TSourceRoutine R;
    const TToken& W = T[P];
    R.Kind = W.Is("FUNCTION") || W.Is("OPERATOR") ? TRoutineKind::rkFunction
             : W.Is("CONSTRUCTOR")                ? TRoutineKind::rkConstructor
             : W.Is("DESTRUCTOR")                 ? TRoutineKind::rkDestructor
                                                  : TRoutineKind::rkProcedure;
    R.ClassMethod = ClassMethod;
    R.HeaderLine = T[P].Line;
    R.Parent = Parent;
    ++P;
    R.Name = DottedName();
    // A procedure type or an anonymous method: no name, nothing to read here.
    if (R.Name.empty()) return;
    if (At("(")) Params(R);
    if (At(":")) SkipStatement({"BEGIN", "VAR", "CONST"});
    if (At(";")) ++P;
    bool NoBody = !WantBody;
    while (!End() && IsDirective(T[P])) {
      if (At("FORWARD") || At("EXTERNAL")) NoBody = true;
      SkipStatement(
          {"BEGIN", "VAR", "CONST", "TYPE", "PROCEDURE", "FUNCTION", "CONSTRUCTOR", "DESTRUCTOR"});
    }
    if (NoBody) return;
    const int Index = int(M.Routines.size());
    M.Routines.push_back(std::move(R));
    Declarations(&Index);
    if (!At("BEGIN") && !At("ASM")) {
      // No body where one belongs: the routine is left out rather than guessed.
      M.Routines[size_t(Index)].BodyBegin = M.Routines[size_t(Index)].BodyEnd = 0;
      return;
    }
    Body(Index);
  }

  void Params(TSourceRoutine& R) {
    ++P;  // "("
    std::vector<TDeclared> Group;
    while (!End() && !At(")")) {
      if (AtAny({"VAR", "OUT", "CONST", "CONSTREF"})) {
        ++P;
      } else if (IsWord(P) && (At(",", 1) || At(":", 1) || At(";", 1) || At(")", 1))) {
        Group.push_back({T[P].Text(), "", T[P].Line, false});
        P += At(",", 1) ? 2 : 1;
      } else if (At(":")) {
        ++P;
        const std::string_view Type = IsWord(P) ? T[P].Text() : std::string_view();
        int Depth = 0;
        for (; !End(); ++P) {
          if (At("(") || At("[")) ++Depth;
          if ((At(")") || At("]")) && Depth-- == 0) break;
          if (Depth == 0 && At(";")) break;
        }
        for (TDeclared& D : Group) D.Type = Type;
      } else if (At(";")) {
        for (TDeclared& D : Group) R.Params.push_back(std::move(D));
        Group.clear();
        ++P;
      } else {
        ++P;
      }
    }
    for (TDeclared& D : Group) R.Params.push_back(std::move(D));
    if (At(")")) ++P;
  }

  // A declaration section, up to the BEGIN of the routine (Owner) or the next unit-level word.
  void Declarations(const int* Owner) {
    bool Vars = Owner && P > 0 && (T[P - 1].Is("VAR") || T[P - 1].Is("THREADVAR"));
    bool Consts = P > 0 && (T[P - 1].Is("CONST") || T[P - 1].Is("RESOURCESTRING"));
    while (!End()) {
      const TToken& W = T[P];
      if (W.Is("BEGIN") || W.Is("ASM")) {
        if (Owner) return;
        SkipBlock();
        continue;
      }
      if (W.Is("VAR") || W.Is("THREADVAR")) {
        Vars = Owner != nullptr;
        Consts = false;
        ++P;
      } else if (W.Is("CONST") || W.Is("RESOURCESTRING") || W.Is("LABEL")) {
        Vars = false;
        Consts = !W.Is("LABEL");
        ++P;
      } else if (W.Is("TYPE")) {
        Consts = false;
        ++P;
        TypeSection();
      } else if (W.Is("CLASS") && IsRoutineAhead(1)) {
        if (!Owner) return;
        ++P;
      } else if (IsRoutineWord(W)) {
        if (!Owner) return;
        Routine(*Owner, true, false);
      } else if (IsSectionWord(W)) {
        return;
      } else if (Vars && IsWord(P)) {
        VarEntry(*Owner);
      } else if (Consts && IsWord(P) && (At("=", 1) || At(":", 1))) {
        M.ConstNames.emplace(T[P].Text());
        SkipStatement({"BEGIN", "VAR", "CONST", "TYPE", "PROCEDURE", "FUNCTION", "CONSTRUCTOR",
                       "DESTRUCTOR", "IMPLEMENTATION", "END"});
      } else {
        SkipStatement({"BEGIN", "VAR", "CONST", "TYPE", "PROCEDURE", "FUNCTION", "CONSTRUCTOR",
                       "DESTRUCTOR", "IMPLEMENTATION", "END"});
      }
    }
  }

  // "A, B: TYPE [= value];" — the type's first word is kept; a record type is skipped whole.
  void VarEntry(int Owner) {
    // The names go in as they come, and out again if no type follows them.
    std::vector<TDeclared>& Locals = M.Routines[size_t(Owner)].Locals;
    const size_t First = Locals.size();
    while (IsWord(P)) {
      Locals.push_back({T[P].Text(), "", T[P].Line, false});
      ++P;
      if (!At(",")) break;
      ++P;
    }
    if (At(":")) {
      ++P;
      if (At("PACKED")) ++P;
      const std::string_view Type = IsWord(P) ? T[P].Text() : std::string_view();
      if (At("RECORD")) {
        ++P;
        SkipTypeBody();
      }
      for (size_t k = First; k < Locals.size(); ++k) Locals[k].Type = Type;
    } else {
      Locals.resize(First);
    }
    SkipStatement({"BEGIN", "PROCEDURE", "FUNCTION", "CONSTRUCTOR", "DESTRUCTOR", "TYPE"});
  }

  void TypeSection() {
    while (!End()) {
      if (IsSectionWord(T[P]) || (At("CLASS") && IsRoutineAhead(1))) return;
      if (!IsWord(P)) {
        ++P;
        continue;
      }
      const std::string Name(T[P++].Text());
      if (At("<")) SkipAngles();
      if (!At("=")) {
        SkipStatement({"BEGIN", "IMPLEMENTATION"});
        continue;
      }
      ++P;
      if (At("TYPE")) ++P;
      if (At("PACKED")) ++P;
      // A procedural type ("= procedure(Sender: TObject) of object;", "= reference to
      // function: T;") is one statement; its word must not end the section.
      if (AtAny({"PROCEDURE", "FUNCTION", "REFERENCE"})) {
        SkipStatement();
        continue;
      }
      if (AtAny({"INTERFACE", "DISPINTERFACE"})) M.InterfaceTypes.insert(Name);
      if ((At("RECORD") && !At("HELPER", 1)) || (At("ARRAY") && !At("[", 1)))
        M.ValueTypes.insert(Name);
      if (At("CLASS") && !At("OF", 1) && !At("HELPER", 1)) M.ClassTypes.insert(Name);
      if (At("OBJECT") && !At("(", 1)) M.RootObjectTypes.insert(Name);
      if (AtAny({"CLASS", "INTERFACE", "DISPINTERFACE", "OBJECT", "RECORD"})) {
        const bool Record = At("RECORD");
        ++P;
        if (!Record && (At("OF") || At(";"))) {
          SkipStatement();
          continue;
        }
        while (AtAny({"SEALED", "ABSTRACT", "HELPER", "FOR"})) ++P;
        if (At("(")) {
          SkipBrackets();
          if (At(";")) {
            ++P;
            continue;
          }
        }
        SkipTypeBody();
      }
      SkipStatement({"BEGIN", "IMPLEMENTATION", "VAR", "CONST", "TYPE", "PROCEDURE", "FUNCTION",
                     "CONSTRUCTOR", "DESTRUCTOR"});
    }
  }

  // From after the opening word to past the END that closes the type; nested records and nested
  // class types count, a variant part's CASE does not (it has no END of its own).
  void SkipTypeBody() {
    int Depth = 1;
    for (; !End(); ++P) {
      const TToken& W = T[P];
      const bool AfterEquals = P > 0 && (T[P - 1].Is("=") || T[P - 1].Is("PACKED"));
      if (W.Is("RECORD")) {
        ++Depth;
      } else if (AfterEquals && (W.Is("CLASS") || W.Is("OBJECT") || W.Is("INTERFACE"))) {
        if (At("OF", 1) || At(";", 1)) continue;
        if (At("(", 1)) {
          size_t Q = P + 1;
          int D = 0;
          for (; Q < T.size(); ++Q) {
            if (T[Q].Is("(")) ++D;
            if (T[Q].Is(")") && --D == 0) break;
          }
          if (Q + 1 < T.size() && T[Q + 1].Is(";")) continue;
        }
        ++Depth;
      } else if (W.Is("END") && --Depth == 0) {
        ++P;
        return;
      } else if (W.Is("IMPLEMENTATION")) {
        return;  // a type left open: the unit's parts go on
      }
    }
  }

  // From a BEGIN (or ASM, TRY, CASE) to past the END that closes it.
  void SkipBlock() {
    int Depth = 0;
    for (; !End(); ++P) {
      const TToken& W = T[P];
      if (W.Is("BEGIN") || W.Is("TRY") || W.Is("CASE") || W.Is("ASM")) ++Depth;
      if (W.Is("END") && --Depth <= 0) {
        ++P;
        return;
      }
    }
  }

  void Body(int Index) {
    TSourceRoutine& R = M.Routines[size_t(Index)];
    const size_t Begin = P;
    int Depth = 0;
    int Parens = 0;
    // The words that open or close brackets and blocks, and those the rules look for.
    enum : uint8_t {
      Open = 1,
      Close,
      Header,
      Var,
      Block,
      Try,
      BlockEnd,
      Assign,
      With,
      Finally,
      Except
    };
    static constexpr TWordTable<18> Words({{"(", Open},
                                           {"[", Open},
                                           {")", Close},
                                           {"]", Close},
                                           {"PROCEDURE", Header},
                                           {"FUNCTION", Header},
                                           {"CONSTRUCTOR", Header},
                                           {"DESTRUCTOR", Header},
                                           {"VAR", Var},
                                           {"BEGIN", Block},
                                           {"CASE", Block},
                                           {"ASM", Block},
                                           {"TRY", Try},
                                           {"END", BlockEnd},
                                           {":=", Assign},
                                           {"WITH", With},
                                           {"FINALLY", Finally},
                                           {"EXCEPT", Except}});
    static constexpr int8_t ParenStep[] = {0, 1, -1, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    static constexpr int8_t DepthStep[] = {0, 0, 0, 0, 0, 1, 1, -1, 0, 0, 0, 0};
    static constexpr TBodyMark::TKind KindOf[] = {
        TBodyMark::bmBlock,  TBodyMark::bmBlock, TBodyMark::bmBlock,   TBodyMark::bmBlock,
        TBodyMark::bmBlock,  TBodyMark::bmBlock, TBodyMark::bmTry,     TBodyMark::bmEnd,
        TBodyMark::bmAssign, TBodyMark::bmWith,  TBodyMark::bmFinally, TBodyMark::bmExcept};
    R.MarksBegin = M.Marks.size();
    // Per open block, whether it is a TRY: a FINALLY or EXCEPT must part one. Where one does
    // not (an END too many inside a try, two finally parts under {$IFDEF} and {$ELSE}), the
    // blocks are not what the compiler sees, and the routine is left out.
    std::vector<uint8_t>& Tries = FTries;
    Tries.clear();
    for (; !End(); ++P) {
      const TToken& W = T[P];
      // Brackets and blocks counted without a branch: most tokens are neither.
      const uint8_t Word = Words(W);
      Parens += ParenStep[Word];
      if (Parens < 0) Parens = 0;  // a ")" too many closes nothing
      Depth += DepthStep[Word];
      if (Word < Header) continue;
      if (Word == Header) {
        // The header of a named routine stands in no body: this one never closed. Alternative
        // heads of one routine under {$IFDEF} and {$ELSE} make such a body, and reading on
        // would take the routines after it for its own.
        if (IsNamedHeader()) break;
        M.Marks.push_back({P, TBodyMark::bmMethod});
        continue;
      }
      if (Word >= Block) M.Marks.push_back({P, KindOf[Word]});
      if (Word == Block || Word == Try) {
        Tries.push_back(uint8_t(Word == Try));
      } else if (Word == BlockEnd) {
        if (!Tries.empty()) Tries.pop_back();
      } else if ((Word == Finally || Word == Except) && (Tries.empty() || !Tries.back())) {
        break;
      }
      if (Word == BlockEnd && Depth == 0) {
        R.BodyBegin = Begin;
        R.BodyEnd = P;
        R.MarksEnd = M.Marks.size();
        ++P;
        return;
      }
      // An inline variable ("var X: TFoo := ...;", "var X := ...;") or the var section of an
      // anonymous method; not a VAR parameter of one.
      if (Word == Var && IsWord(P + 1) && (At(":", 2) || At(",", 2) || At(":=", 2)) &&
          !(P > 0 && (T[P - 1].Is("(") || (Parens > 0 && T[P - 1].Is(";")))))
        BodyVars(Index);
    }
    // The body never closes: no routine is made of the rest of the file.
    R.BodyBegin = R.BodyEnd = 0;
    M.Marks.resize(R.MarksBegin);
  }

  // The names declared after the VAR at P in a body, as R's locals; P stays. Out of Body's
  // loop, which reads every token of every body and is slower with this inside it.
  [[gnu::noinline]] void BodyVars(int Index) {
    const size_t Keep = P;
    // An anonymous method's var section follows its header ("procedure", "(...)", ":
    // TResult") and holds declarations as a routine's does, up to its BEGIN; an inline variable
    // is one declaration, whose type may be left to its value ("var X := TFoo.Create;").
    const bool Section = T[P - 1].Is("PROCEDURE") || T[P - 1].Is("FUNCTION") || T[P - 1].Is(")") ||
                         (P >= 2 && T[P - 2].Is(":") && T[P - 1].IsWord());
    ++P;
    if (Section) {
      while (IsWord(P) && (At(":", 1) || At(",", 1))) VarEntry(Index);
    } else {
      std::vector<TDeclared>& Locals = M.Routines[size_t(Index)].Locals;
      const size_t First = Locals.size();
      while (IsWord(P)) {
        Locals.push_back({T[P].Text(), "", T[P].Line, false});
        ++P;
        if (!At(",")) break;
        ++P;
      }
      const std::string_view Type = At(":") && IsWord(P + 1) ? T[P + 1].Text() : std::string_view();
      for (size_t k = First; k < Locals.size(); ++k) Locals[k].Type = Type;
    }
    P = Keep;
  }

  std::vector<uint8_t> FTries;  // Body's, kept from routine to routine

  // Whether P is the header of a named routine ("procedure TFoo.Bar(...)", "function Baz:"),
  // not an anonymous method ("procedure begin", "function(X: Integer): Integer").
  bool IsNamedHeader() const {
    const TToken& W = T[P];
    if (!W.Is("PROCEDURE") && !W.Is("FUNCTION")) return W.Is("CONSTRUCTOR") || W.Is("DESTRUCTOR");
    return IsWord(P + 1) && (At(".", 2) || At("(", 2) || At(";", 2) || At(":", 2));
  }
};

}  // namespace

void BuildDelphiRoutines(TSourceModel& Model) {
  TDelphiBuilder(Model).Run();
}
