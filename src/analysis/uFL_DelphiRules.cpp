// FL001 local objects never freed, FL002 objects freed outside try..finally, FL003 destructors
// that skip or misplace inherited.
#include <algorithm>
#include <iterator>
#include <string_view>

#include "analysis/uFL_PreciseRules.h"
#include "support/uFL_Utils.h"

namespace {

bool Among(std::string_view W, std::initializer_list<std::string_view> Words) {
  for (std::string_view X : Words)
    if (W == X) return true;
  return false;
}

// Decision: only a constructor named Create makes a creation; class functions that return new
// objects (CreateAnonymousThread, CreateFmt) leave ownership to what they document.
bool IsConstructorName(std::string_view W) {
  return W == "CREATE";
}

// Records and dynamic arrays of the runtime library whose constructors are called as a class's
// are ("P := TPoint.Create(1, 2)", "Ctx := TRttiContext.Create", "A := TArray<Integer>.Create(1,
// 2)"): what they make is a value, which nobody frees.
bool IsLibraryValue(std::string_view W) {
  static constexpr std::string_view Records[] = {
      "TPOINT",       "TPOINTF",          "TRECT",           "TRECTF",
      "TSIZE",        "TSIZEF",           "TSMALLPOINT",     "TTIMESPAN",
      "TSTOPWATCH",   "TFORMATSETTINGS",  "TREGEX",          "TGUID",
      "TPAIR",        "TVECTOR",          "TVECTOR3D",       "TPOINT3D",
      "TMATRIX",      "TMATRIX3D",        "TQUATERNION3D",   "TSPINLOCK",
      "TSPINWAIT",    "TLIGHTWEIGHTMREW", "TRTTICONTEXT",    "THASHMD5",
      "THASHSHA1",    "THASHSHA2",        "THASHBOBJENKINS", "TURI",
      "TALPHACOLORF", "TALPHACOLORREC",   "TCOLORREC",       "TVALUE"};
  static constexpr std::string_view Arrays[] = {
      "TARRAY",           "TBYTES",          "TSTRINGDYNARRAY", "TINTEGERDYNARRAY",
      "TBOOLEANDYNARRAY", "TDOUBLEDYNARRAY", "TINT64DYNARRAY",  "TCARDINALDYNARRAY"};
  return std::find(std::begin(Records), std::end(Records), W) != std::end(Records) ||
         std::find(std::begin(Arrays), std::end(Arrays), W) != std::end(Arrays);
}

// Classes of the runtime library that are no components: the one argument of their constructor
// is a text, a stream or a capacity ("TStringStream.Create(Response.ContentAsString)",
// "TStreamReader.Create(Stream)"), never an owner.
bool TakesNoOwner(std::string_view W) {
  // Sorted: one binary search.
  static constexpr std::string_view Classes[] = {
      "TBINARYREADER",    "TBINARYWRITER",  "TBUFFEREDFILESTREAM",
      "TBYTESSTREAM",     "TDICTIONARY",    "TFILESTREAM",
      "TINIFILE",         "TJSONARRAY",     "TJSONNUMBER",
      "TJSONOBJECT",      "TJSONSTRING",    "TLIST",
      "TMEMINIFILE",      "TMEMORYSTREAM",  "TOBJECTDICTIONARY",
      "TOBJECTLIST",      "TQUEUE",         "TREGISTRY",
      "TREGISTRYINIFILE", "TSTACK",         "TSTREAMREADER",
      "TSTREAMWRITER",    "TSTRINGBUILDER", "TSTRINGLIST",
      "TSTRINGREADER",    "TSTRINGSTREAM",  "TSTRINGWRITER",
      "TTHREADLIST",      "TZIPFILE"};
  return std::binary_search(std::begin(Classes), std::end(Classes), W);
}

// What the routine does with one of its local variables.
struct TCreation {
  size_t At;
  int Line;
  bool Owned;
};
struct TVarUse {
  std::vector<TCreation> Creations;
  std::vector<size_t> Frees;     // Free, Destroy, DisposeOf, FreeAndNil, a bare Free in WITH
  std::vector<size_t> Releases;  // a form's Release: freed later, by the form itself
  std::vector<size_t> NilAssigns;
  std::vector<size_t> OtherAssigns;  // "X := " anything else: X then holds another object
  bool HandedOver = false;
};

class TRoutineReader {
 public:
  TRoutineReader(const TSourceModel& Model, const TSourceRoutine& R)
      : T(Model.Tokens()), M(Model), R(R) {
    for (size_t m = R.MarksBegin; m < R.MarksEnd; ++m) {
      if (M.Marks[m].Kind == TBodyMark::bmWith) FWiths.push_back(M.Marks[m].At);
      if (M.Marks[m].Kind == TBodyMark::bmMethod) FMethods.push_back(M.Marks[m].At);
    }
  }

  // Decision: an argument list of exactly one argument that is neither nil, a Boolean, a
  // literal nor a number is an owner ("TButton.Create(Self)", "TForm2.Create(Application)");
  // several arguments ("TFileStream.Create(Name, fmCreate)") or none are not. Neither is a text
  // or a number worked out in place ("TIniFile.Create(ChangeFileExt(Name, '.ini'))", "Path + X"),
  // nor a parameter or local of a plain value type ("TChecksumThread.Create(AFileName)" with
  // "const AFileName: string"), nor a constant ("TErrorBuffer.Create(MaxReportedErrors)").
  bool Creation(size_t J, bool& Owned) const {
    size_t K = J;
    if (K < R.BodyEnd && T[K].Is("SPECIALIZE")) ++K;  // "specialize TFPGList<Integer>.Create"
    int Parts = 0;
    bool LastCreates = false;
    std::string_view Type, Word;  // the type is the word before the constructor's
    while (K < R.BodyEnd && T[K].IsWord()) {
      ++Parts;
      Type = Word;
      Word = T[K].Text();
      LastCreates = IsConstructorName(Word);
      K = PastAngles(K + 1);
      if (!K) return false;
      if (K + 1 < R.BodyEnd && T[K].Is(".") && T[K + 1].IsWord()) {
        ++K;
        continue;
      }
      break;
    }
    if (Parts < 2 || !LastCreates) return false;
    // A class of the unit's own that happens to bear a library value's name is a class.
    if (M.ValueTypes.count(Type) || (IsLibraryValue(Type) && !M.ClassTypes.count(Type)))
      return false;
    Owned = false;
    const bool HasArgs = K < R.BodyEnd && T[K].Is("(");
    if (HasArgs) {
      int Depth = 0, Args = 1;
      const size_t First = K + 1;
      for (; K < R.BodyEnd; ++K) {
        if (T[K].Is("(") || T[K].Is("[")) ++Depth;
        if ((T[K].Is(")") || T[K].Is("]")) && --Depth == 0) break;
        if (Depth == 1 && T[K].Is(",")) ++Args;
      }
      if (Args == 1 && First < K) {
        const std::string_view A = T[First].Text();
        // A constant of the unit or routine is a value as its literal is.
        const bool Plain =
            Among(A, {"NIL", "TRUE", "FALSE", "'", "["}) ||
            (!A.empty() && ((A[0] >= '0' && A[0] <= '9') || A[0] == '$' || A[0] == '-')) ||
            (First + 1 == K && M.ConstNames.count(A));
        Owned = !Plain && !IsValueArgument(First, K) && !TakesNoOwner(Type);
      } else if (Args > 1 && First + 1 < K && T[First + 1].Is(",")) {
        // An owner or parent named as such, first of several ("TNode.Create(Self, 'x')").
        Owned = Among(T[First].Text(), {"SELF", "AOWNER", "OWNER", "APARENT", "APPLICATION"});
      }
    }
    // A thread whose own constructor sets FreeOnTerminate frees itself. What a cast with AS
    // makes of the new object ("TXMLDocument.Create(nil) as IXMLDocument") is an interface
    // reference: "var Doc := ..." takes the interface type, and the count frees the object.
    const size_t After = HasArgs ? K + 1 : K;
    Owned = Owned || FreesItself(Type) || (After < R.BodyEnd && T[After].Is("AS"));
    return true;
  }

  // Whether the argument in [First, End) is a text or a number rather than an object.
  bool IsValueArgument(size_t First, size_t End) const {
    for (size_t k = First; k < End; ++k)
      if (T[k].Is("'") || T[k].Is("+")) return true;
    if (End != First + 1) return false;
    static constexpr std::string_view ValueTypes[] = {
        "STRING",  "ANSISTRING", "UNICODESTRING", "WIDESTRING", "SHORTSTRING", "TFILENAME",
        "INTEGER", "CARDINAL",   "INT64",         "UINT64",     "LONGINT",     "LONGWORD",
        "WORD",    "BYTE",       "NATIVEINT",     "NATIVEUINT", "BOOLEAN",     "DOUBLE",
        "SINGLE",  "EXTENDED",   "CURRENCY",      "TDATETIME",  "CHAR",        "PCHAR"};
    const TDeclared* D = DeclaredFor(M, size_t(&R - M.Routines.data()), T[First].Text());
    return D &&
           std::find(std::begin(ValueTypes), std::end(ValueTypes), D->Type) != std::end(ValueTypes);
  }

  // Whether the unit's constructor Type.Create sets "FreeOnTerminate := True".
  bool FreesItself(std::string_view Type) const {
    if (Type.empty()) return false;
    for (const TSourceRoutine& C : M.Routines) {
      if (C.Kind != TRoutineKind::rkConstructor || C.BodyEnd == 0 ||
          C.Name.size() != Type.size() + 7 || !C.Name.starts_with(Type) ||
          !C.Name.ends_with(".CREATE"))
        continue;
      for (size_t k = C.BodyBegin; k + 2 < C.BodyEnd; ++k)
        if (T[k].Is("FREEONTERMINATE") && T[k + 1].Is(":=") && T[k + 2].Is("TRUE")) return true;
    }
    return false;
  }

  // The names the body assigns a creation to, as Read would find them: one pass over the body's
  // ":=" marks for all the locals, so that a local never created is not read at all.
  void CreatedNames(std::vector<std::string_view>& Names) const {
    Names.clear();
    for (size_t m = R.MarksBegin; m < R.MarksEnd; ++m) {
      const TBodyMark& K = M.Marks[m];
      if (K.Kind != TBodyMark::bmAssign || K.At <= R.BodyBegin || K.At >= R.BodyEnd) continue;
      const size_t i = AssignedName(K.At);
      bool Owned = false;
      if (i > R.BodyBegin && !T[i - 1].Is(".") && !T[i - 1].Is("@") && Creation(K.At + 1, Owned))
        Names.push_back(T[i].Text());
    }
  }

  // The name a ":=" at A assigns to: the word before it, or the variable of an inline
  // declaration given its type ("var L: TStringList := ...", "var D: TDictionary<K, V> := ...").
  size_t AssignedName(size_t A) const {
    size_t k = A - 1;
    if (T[k].Is(">")) {
      int Depth = 0;
      for (; k > R.BodyBegin; --k) {
        if (T[k].Is(">")) ++Depth;
        if (T[k].Is("<") && --Depth == 0) break;
      }
      --k;
    }
    while (k > R.BodyBegin + 2 && T[k].IsWord() && T[k - 1].Is(".")) k -= 2;
    if (k > R.BodyBegin + 3 && T[k].IsWord() && T[k - 1].Is(":") && T[k - 2].IsWord() &&
        T[k - 3].Is("VAR"))
      return k - 2;
    return A - 1;
  }

  // The places in the body of each of Names (sorted), in order: a routine with thousands of
  // locals (generated code) is then read once, not once per local.
  // Places keeps its vectors' memory from routine to routine.
  void PlacesOf(const std::vector<std::string_view>& Names,
                std::vector<std::vector<size_t>>& Places) const {
    if (Places.size() < Names.size()) Places.resize(Names.size());
    for (size_t n = 0; n < Names.size(); ++n) Places[n].clear();
    if (Names.size() <= 4) {
      // A few names: a comparison of keys per token and name is cheaper than the filter.
      for (size_t n = 0; n < Names.size(); ++n) {
        const uint64_t Key = TokenKey(Names[n]);
        for (size_t i = R.BodyBegin + 1; i < R.BodyEnd; ++i)
          if (T[i].Key == Key && T[i].Text() == Names[n]) Places[n].push_back(i);
      }
      return;
    }
    // Many names: one bit per name's key rules out most tokens at one look.
    const auto Bit = [](uint64_t Key) {
      return uint64_t(1) << ((Key * 0x9E3779B97F4A7C15u) >> 58);
    };
    uint64_t Filter = 0;
    for (std::string_view N : Names) Filter |= Bit(TokenKey(N));
    for (size_t i = R.BodyBegin + 1; i < R.BodyEnd; ++i) {
      if (!(Filter & Bit(T[i].Key)) || !T[i].IsWord()) continue;
      const auto It = std::lower_bound(Names.begin(), Names.end(), T[i].Text());
      if (It != Names.end() && *It == T[i].Text()) Places[size_t(It - Names.begin())].push_back(i);
    }
  }

  // Reads every occurrence of Name in the body (Name being a local of the routine), at Places.
  TVarUse Read(std::string_view Name, const std::vector<size_t>& Places) const {
    TVarUse U;
    for (size_t i : Places) {
      if (T[i - 1].Is(".") || T[i - 1].Is("@")) continue;
      const std::string_view Prev = T[i - 1].Text();
      std::string_view Next = Text(i + 1);
      size_t Value = i + 2;  // where what is assigned begins
      if (Prev == "VAR") {
        // An inline declaration: with its type given, it may go on with a value.
        if (Next != ":") {
        } else if (const size_t A = AssignAfterType(i + 2); A && AssignedName(A) == i) {
          Next = ":=";
          Value = A + 1;
        } else {
          continue;
        }
      }
      // A name in a declaration ("var A, B: TFoo;", an anonymous method's var section) is no
      // use of the variable.
      if (Next.size() == 1 && (Next[0] == ':' || Next[0] == ',') && InDeclarationList(i)) continue;
      if (Next == ":=") {
        bool Owned = false;
        if (Creation(Value, Owned))
          U.Creations.push_back({i, T[i].Line, Owned});
        else if (Text(Value) == "NIL")
          U.NilAssigns.push_back(i);
        else
          U.OtherAssigns.push_back(i);
      } else if (Next == ".") {
        const std::string_view Member = Text(i + 2);
        if (Among(Member, {"FREE", "DESTROY", "DISPOSEOF"}))
          U.Frees.push_back(i);
        else if (Member == "RELEASE")
          U.Releases.push_back(i);
        else if (Among(Member, {"PARENT", "FREEONTERMINATE"}) && Text(i + 3) == ":=")
          U.HandedOver = true;  // a parent control or the thread itself frees it
      } else if (Prev == "(" && i >= 2 &&
                 (T[i - 2].Is("FREEANDNIL") || T[i - 2].Is("FREETHENNIL")) && Next == ")") {
        U.Frees.push_back(i);
      } else if (Prev == "(" && i >= 2 && T[i - 2].Is("ASSIGNED")) {
      } else if (Prev == "(" && IsCastForMember(i)) {
        // "(X as TSphere).Radius", "TSphere(X).Radius": a member of X, X itself stays here.
      } else if (Among(Next, {"[", "^", "=", "<>", "IS", "DO", "THEN"}) ||
                 Among(Prev, {"=", "<>", "NOT", "WITH", "IN"}) ||
                 (Next == "," && InWithHeader(i))) {
      } else {
        U.HandedOver = true;
      }
    }
    WithFrees(Name, U);
    return U;
  }

  // Whether the token at I stands in the body of an anonymous method that begins after From: a
  // free there runs when whoever holds the method calls it (a scope guard, a task), not here.
  bool InAnonymousMethod(size_t I, size_t From) const {
    for (auto It = std::lower_bound(FMethods.begin(), FMethods.end(), I); It != FMethods.begin();) {
      const size_t k = *--It;
      if (k <= From) break;
      size_t Begin = k + 1;
      while (Begin < I && !T[Begin].Is("BEGIN")) ++Begin;
      if (Begin >= I) continue;
      int Depth = 0;
      for (size_t e = Begin; e < R.BodyEnd; ++e) {
        const TToken& W = T[e];
        if (W.Is("BEGIN") || W.Is("TRY") || W.Is("CASE") || W.Is("ASM")) ++Depth;
        if (W.Is("END") && --Depth == 0) {
          if (I < e) return true;
          break;
        }
      }
    }
    return false;
  }

  // Whether the name at I, after a "(", is cast for a member: "(X as T).M", or "T(X).M" with T a
  // class of the unit (another word there may be a function that X is passed to).
  bool IsCastForMember(size_t I) const {
    if (I + 4 < R.BodyEnd && T[I + 1].Is("AS") && T[I + 2].IsWord() && T[I + 3].Is(")") &&
        T[I + 4].Is("."))
      return true;
    return I >= 2 && I + 2 < R.BodyEnd && T[I + 1].Is(")") && T[I + 2].Is(".") &&
           T[I - 2].IsWord() && M.ClassTypes.count(T[I - 2].Text());
  }

  // Whether the name at I is one of a declaration's names: after VAR or a ";" with other names
  // and commas between, and before the ":" of the type.
  bool InDeclarationList(size_t I) const {
    size_t k = I;
    while (k >= R.BodyBegin + 3 && T[k - 1].Is(",") && T[k - 2].IsWord()) k -= 2;
    if (!(T[k - 1].Is("VAR") || T[k - 1].Is(";"))) return false;
    size_t j = I;
    while (j + 2 < R.BodyEnd && T[j + 1].Is(",") && T[j + 2].IsWord()) j += 2;
    return j + 1 < R.BodyEnd && T[j + 1].Is(":");
  }

  // Whether the occurrence at I stands between a WITH and its DO.
  bool InWithHeader(size_t I) const {
    for (size_t k = I; k > R.BodyBegin; --k) {
      if (T[k].Is("WITH")) return true;
      if (T[k].Is("DO") || T[k].Is(";") || T[k].Is("BEGIN") || T[k].Is("END")) return false;
    }
    return false;
  }

  // A bare FREE inside "with X do" frees X; inside "with A, B do", which is "with A do with B
  // do", it frees B.
  void WithFrees(std::string_view Name, TVarUse& U) const {
    for (const size_t w : FWiths) {
      bool Names = false;
      size_t Do = w + 1;
      for (; Do < R.BodyEnd && !T[Do].Is("DO") && !T[Do].Is(";"); ++Do)
        if (T[Do].Text() == Name && (T[Do - 1].Is("WITH") || T[Do - 1].Is(",")) &&
            Text(Do + 1) == "DO")
          Names = true;
      if (!Names || Text(Do) != "DO") continue;
      const size_t End = ScopeEnd(Do + 1);
      for (size_t k = Do + 1; k < End; ++k)
        if (T[k].Is("FREE") && !T[k - 1].Is(".") && Among(Text(k + 1), {";", "END", "ELSE"}))
          U.Frees.push_back(k);
    }
  }

  // The end of the statement starting at S: its block's END, or its ";".
  size_t ScopeEnd(size_t S) const {
    int Depth = 0;
    for (size_t k = S; k < R.BodyEnd; ++k) {
      const TToken& W = T[k];
      if (W.Is("BEGIN") || W.Is("TRY") || W.Is("CASE")) ++Depth;
      if (W.Is("END") && --Depth <= 0) return Depth < 0 ? k : k + 1;
      if (W.Is(";") && Depth == 0) return k;
    }
    return R.BodyEnd;
  }

  // Whether Name occurs in the body of a routine nested in this one.
  bool UsedInNested(std::string_view Name, size_t Self) const {
    for (size_t n = Self + 1; n < M.Routines[Self].NestedEnd; ++n) {
      const TSourceRoutine& N = M.Routines[n];
      if (N.BodyEnd == 0) continue;
      if (N.Local(Name)) continue;  // its own variable of that name
      for (size_t k = N.BodyBegin; k <= N.BodyEnd; ++k)
        if (T[k].Text() == Name) return true;
    }
    return false;
  }

  // Whether the free at F stands in the finally (or except) part of a TRY that begins after
  // Created, or after a "Name := nil" that precedes Created (a factory's "X := nil; try X :=
  // T.Create; ... except X.Free; raise; end;" too). Late is set when it stands in the
  // finally part of one that begins before Created, where a failing constructor leaves the free
  // to a variable never assigned.
  bool Protected(size_t F, size_t Created, const TVarUse& U, bool& Late) const {
    Late = false;
    // The blocks open at F, read on from where the last question left them when F lies after
    // it: the frees of a routine are mostly asked about in order.
    std::vector<TFrame>& Stack = FStack;
    if (F < FStackAt) {
      Stack.clear();
      FMark = R.MarksBegin;
    }
    FStackAt = F;
    for (; FMark < R.MarksEnd && M.Marks[FMark].At < F; ++FMark) {
      const TBodyMark& K = M.Marks[FMark];
      if (K.At <= R.BodyBegin) continue;
      switch (K.Kind) {
        case TBodyMark::bmBlock:
          Stack.push_back({false, K.At, 0});
          break;
        case TBodyMark::bmTry:
          Stack.push_back({true, K.At, 0});
          break;
        case TBodyMark::bmFinally:
        case TBodyMark::bmExcept:
          if (!Stack.empty() && Stack.back().Try)
            Stack.back().Part = K.Kind == TBodyMark::bmFinally ? 1 : 2;
          break;
        case TBodyMark::bmEnd:
          if (!Stack.empty()) Stack.pop_back();
          break;
        case TBodyMark::bmAssign:
        case TBodyMark::bmWith:
        case TBodyMark::bmMethod:
          break;
      }
    }
    size_t NilBefore = 0;
    for (size_t N : U.NilAssigns)
      if (N < Created) NilBefore = N;
    for (const TFrame& Fr : Stack) {
      if (!Fr.Try || Fr.Part == 0) continue;
      if (Fr.At > Created || (NilBefore && Fr.At > NilBefore)) return true;
      Late = Late || Fr.Part == 1;
    }
    return false;
  }

  // Whether some statement stands between the end of the creation at C and the free at F.
  bool StatementsBetween(size_t C, size_t F, std::string_view Name) const {
    size_t E = C;
    while (E < F && !T[E].Is(";")) ++E;
    // The free's own statement is no statement between: "FreeAndNil(X)", or an IF whose THEN
    // part holds the free ("X := T.Create; if TryHandOver(X) = False then X.Free;").
    size_t S = F;
    const auto ToStatementStart = [&] {
      while (S > E + 1 && !Among(T[S - 1].Text(),
                                 {";", "BEGIN", "TRY", "FINALLY", "EXCEPT", "DO", "ELSE", "END"}))
        --S;
    };
    ToStatementStart();
    // "if not Registry.TryAdd(X) then begin X.Free; Exit; end": the block the THEN opens is the
    // IF's own.
    while (S > E + 2 && T[S - 1].Is("BEGIN") && T[S - 2].Is("THEN")) {
      --S;
      ToStatementStart();
    }
    for (size_t k = E + 1; k < S; ++k)
      if (!Among(T[k].Text(), {"TRY", "FINALLY", "EXCEPT", "BEGIN", "END", ";", "IF", "THEN",
                               "ELSE", "NOT", "ASSIGNED", "(", ")", "NIL", "<>", "="}) &&
          T[k].Text() != Name)
        return true;
    return false;
  }

  bool ElseBetween(size_t From, size_t To) const {
    for (size_t k = From; k < To; ++k)
      if (T[k].Is("ELSE")) return true;
    return false;
  }

  // The ":=" after the type that starts at K ("TSTRINGLIST", "SYSTEM.CLASSES.TSTRINGLIST",
  // "TLIST<INTEGER>"), or 0 where none follows it.
  size_t AssignAfterType(size_t K) const {
    while (K + 2 < R.BodyEnd && T[K].IsWord() && T[K + 1].Is(".")) K += 2;
    if (K >= R.BodyEnd || !T[K].IsWord()) return 0;
    K = PastAngles(K + 1);
    return K && K < R.BodyEnd && T[K].Is(":=") ? K : 0;
  }

  // Past the generic arguments that open at K ("<STRING, INTEGER>"), or K where none do; 0 where
  // a ";" comes first, so that no statement is taken for a type.
  size_t PastAngles(size_t K) const {
    if (K >= R.BodyEnd || !T[K].Is("<")) return K;
    for (int Depth = 0; K < R.BodyEnd; ++K) {
      if (T[K].Is("<")) ++Depth;
      if (T[K].Is(">") && --Depth == 0) return K + 1;
      if (T[K].Is(";")) return 0;
    }
    return K;
  }

  // The token text at K, empty past the end of the file.
  std::string_view Text(size_t K) const { return K < T.size() ? T[K].Text() : std::string_view(); }

  const TTokenList& T;
  const TSourceModel& M;
  const TSourceRoutine& R;
  std::vector<size_t> FWiths;  // the WITH marks of the body
  // Protected's blocks open before FStackAt, read up to mark FMark.
  struct TFrame {
    bool Try;
    size_t At;
    int Part;  // 0 try, 1 finally, 2 except
  };
  mutable std::vector<TFrame> FStack;
  std::vector<size_t> FMethods;  // where the body's anonymous methods begin
  mutable size_t FStackAt = 0;
  mutable size_t FMark = R.MarksBegin;
};

// The spelling of a type on its declaration line (or the next), to tell "IFoo" from "Ifoo".
bool NamedAsInterface(const TLines& Lines, const TDeclared& D) {
  if (D.Type.size() < 2 || D.Type[0] != 'I') return false;
  for (int L = D.Line - 1; L <= D.Line && L < Lines.Count(); ++L) {
    if (L < 0) continue;
    const std::string_view Text = Lines[L];
    for (size_t p = 0; p + D.Type.size() <= Text.size(); ++p)
      if (Text[p] == 'I' && SameTextAscii(Text.substr(p, D.Type.size()), D.Type))
        return Text[p + 1] >= 'A' && Text[p + 1] <= 'Z';
  }
  return false;
}

// The statement at I as a reviewer would quote it: its first words up to a ";", THEN or DO
// ("FCELLS.FREE", "FREEANDNIL(FLIST)", "TOTAL := 0", "IF ASSIGNED(FONCLOSED)"), a few at most.
std::string Quote(const TTokenList& T, size_t I, size_t End) {
  constexpr size_t Most = 8;
  std::string S;
  size_t k = I;
  for (; k < End && k < I + Most; ++k) {
    const TToken& W = T[k];
    if (W.Is(";") || W.Is("THEN") || W.Is("DO") || W.Is("OF") || W.Is("ELSE") || W.Is("END") ||
        W.Is("BEGIN"))
      return S;
    if (k > I) {
      const TToken& Before = T[k - 1];
      const bool Tight = Before.Is(".") || Before.Is("(") || Before.Is("[") || Before.Is("@") ||
                         W.Is(".") || W.Is(")") || W.Is("]") || W.Is(",") || W.Is("^") ||
                         (W.Is("(") && Before.IsWord() &&
                          !Among(Before.Text(), {"IF", "NOT", "AND", "OR", "WHILE", "UNTIL"}));
      if (!Tight) S += ' ';
    }
    S += W.Is("'") ? std::string_view("'...'") : W.Text();
  }
  if (k < End && !T[k].Is(";") && !T[k].Is("END")) S += " ...";
  return S;
}

void LocalObjects(const TSourceModel& M, const TLines& Lines, TCheckOptions Options,
                  std::vector<TPreciseFinding>& Leaks, std::vector<TPreciseFinding>& Unprotected) {
  // Kept from routine to routine, so that a unit of many routines is not many allocations.
  std::vector<std::string_view> Created, Names;
  std::vector<std::vector<size_t>> Places;
  std::vector<bool> Done;
  for (size_t r = 0; r < M.Routines.size(); ++r) {
    const TSourceRoutine& R = M.Routines[r];
    if (R.BodyEnd == 0) continue;
    const TRoutineReader Reader(M, R);
    Reader.CreatedNames(Created);
    if (Created.empty()) continue;
    std::sort(Created.begin(), Created.end());
    const auto IndexOf = [](const std::vector<std::string_view>& Sorted, std::string_view N) {
      const auto It = std::lower_bound(Sorted.begin(), Sorted.end(), N);
      return It != Sorted.end() && *It == N ? size_t(It - Sorted.begin()) : Sorted.size();
    };
    // The locals created in the body, each once.
    Names.clear();
    for (const TDeclared& D : R.Locals)
      if (IndexOf(Created, D.Name) < Created.size()) Names.push_back(D.Name);
    std::sort(Names.begin(), Names.end());
    Names.erase(std::unique(Names.begin(), Names.end()), Names.end());
    Reader.PlacesOf(Names, Places);
    Done.assign(Names.size(), false);
    for (const TDeclared& D : R.Locals) {
      const size_t N = IndexOf(Names, D.Name);
      if (N == Names.size()) continue;
      // A name declared twice (inline variables of two blocks, or the var sections of two
      // {$IFDEF} branches) is one variable to the reading by name: reported once.
      if (Done[N]) continue;
      Done[N] = true;
      // Interface references free themselves.
      if (M.InterfaceTypes.count(D.Type) || NamedAsInterface(Lines, D)) continue;
      const TVarUse U = Reader.Read(D.Name, Places[N]);
      if (U.Creations.empty()) continue;
      const bool Nested = Reader.UsedInNested(D.Name, r);
      const auto Subject = [&] {
        return "Local object " + std::string(D.Name) + " created in " + R.Name;
      };
      if (HasCheck(Options, coLocalLeak) && U.Frees.empty() && U.Releases.empty() &&
          !U.HandedOver && !Nested) {
        for (const TCreation& C : U.Creations) {
          if (C.Owned) continue;
          Leaks.push_back({coLocalLeak, C.Line, R.Name, Subject() + " is never freed"});
          break;
        }
      }
      if (!HasCheck(Options, coUnprotectedFree)) continue;
      for (size_t F : U.Frees) {
        const TCreation* Last = nullptr;
        for (const TCreation& C : U.Creations)
          if (C.At < F) Last = &C;
        // A free after X was given something else since the creation frees that, not what
        // the creation made ("X := TFoo(List[I]); X.Free;"). An assignment after an ELSE may
        // be the creation's alternative ("if Ok then X := T.Create else X := nil").
        const auto Since = [&](const std::vector<size_t>& At) {
          return Last && std::any_of(At.begin(), At.end(), [&](size_t A) {
                   return A > Last->At && A < F && !Reader.ElseBetween(Last->At, A);
                 });
        };
        bool Late = false;
        if (!Last || Since(U.OtherAssigns) || Since(U.NilAssigns) ||
            !Reader.StatementsBetween(Last->At, F, D.Name) ||
            Reader.InAnonymousMethod(F, Last->At) || Reader.Protected(F, Last->At, U, Late))
          continue;
        // The finding points at the creation, where the try..finally has to begin.
        Unprotected.push_back(
            {coUnprotectedFree, Last->Line, R.Name,
             Subject() + (Late ? " is freed by a try..finally that begins before it"
                               : " is freed outside a try..finally")});
        break;
      }
    }
  }
}

// Decision: an except part after the inherited call runs only when something failed, so it is
// not code after it; a finally part that follows a call ending its try part (releasing a lock
// taken before) is not either, unless it frees something.
void Destructors(const TSourceModel& M, std::vector<TPreciseFinding>& Out) {
  const auto& T = M.Tokens();
  for (const TSourceRoutine& R : M.Routines) {
    if (R.Kind != TRoutineKind::rkDestructor || R.ClassMethod || R.BodyEnd == 0) continue;
    size_t Last = 0;
    for (size_t k = R.BodyBegin; k < R.BodyEnd; ++k)
      if (T[k].Is("INHERITED")) Last = k;
    if (!Last) {
      // An old-style object type without an ancestor has no destructor to call.
      const size_t Dot = R.Name.rfind('.');
      if (Dot != std::string::npos && M.RootObjectTypes.count(R.Name.substr(0, Dot))) continue;
      Out.push_back({coDestructorInherited, R.HeaderLine, R.Name,
                     "Destructor " + R.Name + " never calls inherited"});
      continue;
    }
    const auto RunsAfter = [&](size_t At) {
      Out.push_back({coDestructorInherited, T[At].Line, R.Name,
                     "Destructor " + R.Name + " runs " + Quote(T, At, R.BodyEnd) +
                         " after its inherited call"});
    };
    size_t k = Last;
    while (k < R.BodyEnd && !T[k].Is(";") && !T[k].Is("END") && !T[k].Is("ELSE")) ++k;
    for (; k < R.BodyEnd; ++k) {
      const TToken& W = T[k];
      if (W.Is(";") || W.Is("END")) continue;
      if (W.Is("EXCEPT") || W.Is("FINALLY")) {
        // A finally part may let a lock go after the call, but a free there (of an object, or
        // memory with FreeMem or Dispose) is a field freed after the ancestor's destructor ran:
        // reported at the statement that holds it.
        const bool Finally = W.Is("FINALLY");
        size_t Statement = k + 1, FreeAt = 0;
        int Depth = 1;
        while (++k < R.BodyEnd) {
          const TToken& X = T[k];
          if (X.Is("BEGIN") || X.Is("TRY") || X.Is("CASE")) ++Depth;
          if (X.Is("END") && --Depth == 0) break;
          if (X.Is(";") || X.Is("BEGIN") || X.Is("THEN") || X.Is("ELSE") || X.Is("DO"))
            Statement = k + 1;
          else if (Finally && !FreeAt &&
                   (X.Is("FREE") || X.Is("FREEANDNIL") || X.Is("FREETHENNIL") ||
                    X.Is("DISPOSEOF") || (X.Is("DESTROY") && T[k - 1].Is(".")) ||
                    ((X.Is("FREEMEM") || X.Is("DISPOSE")) && !T[k - 1].Is("."))))
            FreeAt = Statement;
        }
        if (FreeAt) {
          RunsAfter(FreeAt);
          break;
        }
        continue;
      }
      RunsAfter(k);
      break;
    }
  }
}

}  // namespace

std::vector<TPreciseFinding> CheckDelphiRules(const TSourceModel& Model, const TLines& Lines,
                                              TCheckOptions Options) {
  std::vector<TPreciseFinding> Leaks, Unprotected, Destructor;
  if (HasCheck(Options, coLocalLeak) || HasCheck(Options, coUnprotectedFree))
    LocalObjects(Model, Lines, Options, Leaks, Unprotected);
  if (HasCheck(Options, coDestructorInherited)) Destructors(Model, Destructor);
  for (auto* List : {&Leaks, &Unprotected, &Destructor})
    std::stable_sort(
        List->begin(), List->end(),
        [](const TPreciseFinding& A, const TPreciseFinding& B) { return A.Line < B.Line; });
  std::vector<TPreciseFinding> All = std::move(Leaks);
  All.insert(All.end(), Unprotected.begin(), Unprotected.end());
  All.insert(All.end(), Destructor.begin(), Destructor.end());
  MarkSuppressed(Model, All);
  return All;
}

void MarkSuppressed(const TSourceModel& Model, std::vector<TPreciseFinding>& Findings) {
  for (TPreciseFinding& F : Findings)
    F.Suppressed = IsIgnored(Model.Source.Ignores, F.Line, CheckRow(F.Option).RuleId);
}
