// The line scan of source files: stripping, routine headers, blocks, helpers and results.
#include "analysis/uFL_CodeFile.h"

#include <algorithm>
#include <array>
#include <exception>
#include <stdexcept>

#include "analysis/uFL_WordCounter.h"
#include "support/uFL_Log.h"
#include "support/uFL_Utils.h"

namespace {

constexpr size_t npos = TWorkLine::npos;
constexpr size_t InitialStackCapacity = 99;

bool IsBlankOrControl(char C) {
  return static_cast<unsigned char>(C) <= ' ';
}

}  // namespace

bool TCaseInsensitiveLess::operator()(const std::string& A, const std::string& B) const {
  static const auto Fold = [] {
    std::array<unsigned char, 256> F{};
    for (int C = 0; C < 256; ++C) F[size_t(C)] = static_cast<unsigned char>(UpCaseAscii(char(C)));
    return F;
  }();
  const size_t N = std::min(A.size(), B.size());
  for (size_t i = 0; i < N; ++i) {
    const unsigned char X = Fold[static_cast<unsigned char>(A[i])];
    const unsigned char Y = Fold[static_cast<unsigned char>(B[i])];
    if (X != Y) return X < Y;
  }
  return A.size() < B.size();
}

TCodeFile::TCodeFile(TResultTree* Tree, const TCommentMarks& Marks)
    : TBaseFile(Tree),
      LineComment(Marks.LineComment),
      BlockOpen(Marks.BlockOpen),
      BlockOpenAlt(Marks.BlockOpenAlt),
      BlockClose(Marks.BlockClose),
      BlockCloseAlt(Marks.BlockCloseAlt) {
  const std::string* Texts[] = {&LineComment, &BlockOpen, &BlockOpenAlt, &BlockClose,
                                &BlockCloseAlt};
  static_assert(std::size(Texts) == cwCount - cwLineComment, "one text per comment mark");
  for (int i = 0; i < cwCount - cwLineComment; ++i)
    FMarks[i] = TNeedle(cwLineComment + i, *Texts[i]);
  RoutineStack.assign(InitialStackCapacity, std::string());
  FStackRoutines.assign(InitialStackCapacity, nullptr);
}

TCodeFile::~TCodeFile() = default;

const TNeedle& TCodeFile::Mark(TCodeWordId Id) const {
  if (Id >= cwLineComment) return FMarks[Id - cwLineComment];
  return CodeWord(Id);
}

bool TCodeFile::Tracing() const {
  return TracingIsOn();
}

void TCodeFile::Trace(const std::string& Text) const {
  if (TracingIsOn()) AddTrace(FileName, Text);
}

void TCodeFile::Reset() {
  TBaseFile::Reset();
  CodeItems.clear();
  Routines.clear();
  std::fill(FStackRoutines.begin(), FStackRoutines.end(), nullptr);
  CommentOnly.clear();
  PreciseFindings.clear();
}

void TCodeFile::SetWorkLine(std::string_view Line) {
  Work.Assign(Line, true);
  Work.Trim();
}

// ---- The scan ---------------------------------------------------------------------------------

void TCodeFile::Analyse(TCheckOptions Opts) {
  if (!Loaded) return;
  Options = Opts;
  FStrip.InBlockComment = false;
  FStrip.InString = false;
  InRoutine = false;
  InImplementation = ScanStartsInImplementation();
  StackTop = 0;
  RoutineStack[0] = "Outside Routines";
  std::fill(FStackRoutines.begin(), FStackRoutines.end(), nullptr);
  CodeItems.clear();
  Routines.clear();
  Messages.clear();
  // The marks of this scan only: a line it never marks keeps 0.
  CommentOnly.assign(size_t(Lines.Count()), 0);
  try {
    for (int i = 0; i < Lines.Count(); ++i) ProcessLine(i);
  } catch (const std::exception& E) {
    // The scan of this file ends; what was found so far is reported. The message also goes to
    // Errors, so that it shows under the file and is not lost in a trace nobody turned on.
    Messages.push_back(E.what());
    AddError(E.what());
  }
  // A routine still open when the scan ends has had its last statement.
  for (auto& Entry : Routines) Entry.second->BodyEnded();
  PreciseFindings.clear();
  if (Options & PreciseChecks() && HoldsConflictMarkers(Lines)) {
    Trace("Conflict markers found: the precise checks skip the file");
  } else if (Options & PreciseChecks() && PreciseRulesMayFind()) {
    // The precise checks read the file with a lexer of their own: the line scan above keeps the
    // described stripping rules, which a brace comment holding "//" sends astray.
    const TSourceModel Model = BuildSourceModel(Lines, Language());
    PreciseFindings = Language() == TSourceLanguage::slDelphi
                          ? CheckDelphiRules(Model, Lines, Options)
                          : CheckPlsqlRules(Model, Options);
  }
}

// Every precise rule needs words of its own to find anything: a constructor call named Create, a
// destructor; an OPEN of a cursor the routine declares (CURSOR, SYS_REFCURSOR), or an OPEN, a
// CLOSE and an exception section for a package cursor. A file that holds none of the chosen rules'
// words is not lexed at all.
bool TCodeFile::PreciseRulesMayFind() const {
  struct TNeed {
    TCheckOption Option;
    // Each of these, as one of its two spellings (the second may be empty).
    std::array<std::array<std::string_view, 2>, 3> AllOf;
  };
  static constexpr TNeed Needs[] = {
      {coLocalLeak, {{{"CREATE", ""}}}},
      {coUnprotectedFree, {{{"CREATE", ""}}}},
      {coDestructorInherited, {{{"DESTRUCTOR", ""}}}},
      {coCursorNotClosed, {{{"OPEN", ""}, {"CURSOR", "SYS_REFCURSOR"}}}},
      {coCursorOpenOnException, {{{"OPEN", ""}, {"EXCEPTION", ""}, {"CLOSE", ""}}}}};
  // Each word is looked for once.
  std::array<std::pair<std::string_view, bool>, 8> Seen{};
  size_t SeenCount = 0;
  const auto Holds = [&](std::string_view Word) {
    for (size_t i = 0; i < SeenCount; ++i)
      if (Seen[i].first == Word) return Seen[i].second;
    const bool Found = MayHoldWord(Lines, Word, Language());
    if (SeenCount < Seen.size()) Seen[SeenCount++] = {Word, Found};
    return Found;
  };
  for (const TNeed& N : Needs) {
    if (!HasCheck(Options, N.Option)) continue;
    bool All = true;
    for (const auto& Either : N.AllOf)
      if (!Either[0].empty() && !Holds(Either[0]) && (Either[1].empty() || !Holds(Either[1]))) {
        All = false;
        break;
      }
    if (All) return true;
  }
  return false;
}

void TCodeFile::ProcessLine(int Index) {
  if (size_t(Index) >= CommentOnly.size()) CommentOnly.resize(size_t(Lines.Count()), 0);
  FLine = Index + 1;
  SetWorkLine(Lines[Index]);
  if (LineIsEmpty()) return;
  if (!FStrip.InBlockComment) StripStrings();
  if (LineIsEmpty()) return;
  StripComments();
  if (LineIsEmpty()) {
    CommentOnly[size_t(Index)] = 1;
    return;
  }
  CommentOnly[size_t(Index)] = 0;
  if (!FStrip.InBlockComment) StripStrings();
  if (LineIsEmpty()) return;
  NoteCodeLine();
  if (InImplementation) {
    DetectRoutineHeader();
    if (InRoutine) {
      NoteRoutineStatements();
      CountBegins();
      ProcessRoutineLine();
      CountEnds();
    } else {
      ProcessOutsideLine(Index);
    }
  } else {
    ProcessInterfaceLine(Index);
  }
}

void TCodeFile::RemoveAll(const TNeedle& Sub) {
  for (size_t P = Work.Find(Sub); P != npos; P = Work.Find(Sub)) Work.Erase(P, P + Sub.Text.size());
}

std::string TCodeFile::StripLine(std::string_view Line, TStripState& State) {
  FStrip = State;
  SetWorkLine(Line);
  if (!FStrip.InBlockComment) StripStrings();
  StripComments();
  State = FStrip;
  return WorkText();
}

void TCodeFile::StripStrings() {
  size_t Open = Work.Find(Mark(cwBlockOpen));
  if (Open == npos) Open = Work.Find(Mark(cwBlockOpenAlt));
  const size_t FirstQuote = Work.Find(CodeWord(cwQuote));
  // A comment that opens before the first quote may hold the quote; it goes first.
  if (Open != npos && FirstQuote != npos && Open < FirstQuote) StripComments();
  RemoveAll(CodeWord(cwTwoQuotes));
  for (size_t Q = Work.Find(CodeWord(cwQuote)); Q != npos; Q = Work.Find(CodeWord(cwQuote))) {
    if (FStrip.InString) {
      Work.Erase(0, Q + 1);
      FStrip.InString = false;
      continue;
    }
    const size_t Q2 = Work.Find(TNeedle{-1, "'"}, Q + 1);
    if (Q2 != npos) {
      Work.Erase(Q, Q2 + 1);
    } else {
      Work.Erase(Q, Work.Size());
      FStrip.InString = true;
    }
  }
}

void TCodeFile::StripComments() {
  for (;;) {
    if (!FStrip.InBlockComment) {
      size_t First = 0;
      while (First < Work.Size() && IsBlankOrControl(Work.At(First))) ++First;
      if (First < Work.Size()) {
        const size_t P = Work.Find(Mark(cwLineComment));
        if (P != npos) {
          Work.Erase(P, Work.Size());
          Work.Trim();
          FStrip.InString = false;
        }
      }
    }
    if (FStrip.InBlockComment) {
      const TNeedle& Closer = Mark(FStrip.BlockKind == 2 ? cwBlockCloseAlt : cwBlockClose);
      const size_t C = Work.Find(Closer);
      if (C == npos) {
        Work.Erase(0, Work.Size());
        return;
      }
      Work.Erase(0, C + Closer.Text.size());
      Work.Trim();
      FStrip.InBlockComment = false;
      continue;
    }
    // BlockOpen anywhere in the line wins over an earlier BlockOpenAlt.
    int Kind = 1;
    size_t P = Work.Find(Mark(cwBlockOpen));
    if (P == npos) {
      Kind = 2;
      P = Work.Find(Mark(cwBlockOpenAlt));
    }
    if (P == npos) return;
    FStrip.BlockKind = Kind;
    const TNeedle& Opener = Mark(Kind == 1 ? cwBlockOpen : cwBlockOpenAlt);
    const TNeedle& Closer = Mark(Kind == 1 ? cwBlockClose : cwBlockCloseAlt);
    // The line becomes the trimmed text before the opener ...
    size_t Lead = 0;
    while (Lead < P && IsBlankOrControl(Work.At(Lead))) ++Lead;
    size_t BeforeEnd = P;
    while (BeforeEnd > Lead && IsBlankOrControl(Work.At(BeforeEnd - 1))) --BeforeEnd;
    const size_t C = Work.Find(Closer, P + Opener.Text.size());
    if (C != npos) {
      // ... joined with what follows the closer, up to the line's trimmed end.
      Work.Erase(BeforeEnd, C + Closer.Text.size());
      size_t End = Work.Size();
      while (End > BeforeEnd && IsBlankOrControl(Work.At(End - 1))) --End;
      Work.Erase(End, Work.Size());
      Work.Erase(0, Lead);
      continue;
    }
    Work.Erase(BeforeEnd, Work.Size());
    Work.Erase(0, Lead);
    FStrip.InBlockComment = true;
    return;
  }
}

size_t TCodeFile::FindWholeWord(const TNeedle& Word) {
  const size_t Len = Word.Text.size();
  const size_t P = Work.Find(Word);
  if (P == npos) return 0;
  const bool StartOk = P == 0 || IsWordStartBoundary(Work.At(P - 1));
  const bool EndOk = P + Len == Work.Size() || IsWordEndBoundary(Work.At(P + Len));
  if (!StartOk || !EndOk) return 0;
  if (Tracing()) AddTrace(FileName, std::string(Word.Text) + " found: " + Work.Str());
  return P + 1;
}

size_t TCodeFile::HasWord(const TNeedle& Word) {
  size_t Len;
  return FindWord(Word, Len);
}

void TCodeFile::DetectRoutineHeader() {
  static constexpr TCodeWordId Headers[] = {cwProcedure, cwConstructor, cwDestructor, cwFunction};
  size_t P = 0, Len = 0;
  TCodeWordId Found = cwFunction;
  for (TCodeWordId Id : Headers) {
    P = FindWord(CodeWord(Id), Len);
    if (P) {
      Found = Id;
      break;
    }
  }
  if (!P) return;
  size_t From = P - 1 + Len;
  while (From < Work.Size() && IsBlankOrControl(Work.At(From))) ++From;
  size_t Cut = Work.Find(TNeedle{-1, "("}, From);
  if (Cut == npos) Cut = Work.Find(TNeedle{-1, " "}, From);
  if (Cut == npos) Cut = Work.Find(TNeedle{-1, ";"}, From);
  if (Cut == npos) Cut = Work.Size();
  AddRoutine(RoutineKindOf(Found), TrimText(Work.Substr(From, Cut)));
}

std::string TCodeFile::RoutineKey(size_t Number, const std::string& Name) {
  std::string Key = "[";
  Key += std::to_string(Number);
  if (Key.size() < 4) Key.append(4 - Key.size(), ' ');
  return Key + "] " + Name;
}

void TCodeFile::AddRoutine(TRoutineKind Kind, const std::string& Name) {
  const std::string Key = RoutineKey(Routines.size(), Name);
  auto [It, Added] = Routines.emplace(Key, nullptr);
  if (!Added) throw std::runtime_error("Unique RoutineName found Twice Error: " + Key);
  It->second = std::make_unique<TRoutine>();
  TRoutine* Routine = It->second.get();
  Routine->Name = Name;
  Routine->Kind = Kind;
  Routine->IsProcedure = Kind != TRoutineKind::rkFunction;
  Routine->HeaderLine = FLine;
  if (InRoutine) {
    // A routine whose body has not begun is left for one declared inside it.
    TRoutine* Previous = CurrentRoutine();
    ++StackTop;
    if (Previous && Previous->Depth == 0) StackTop = 1;
  } else {
    StackTop = 1;
  }
  InRoutine = true;
  if (size_t(StackTop) >= RoutineStack.size()) {
    RoutineStack.resize(RoutineStack.size() * 2);
    FStackRoutines.resize(RoutineStack.size(), nullptr);
  }
  RoutineStack[size_t(StackTop)] = Key;
  FStackRoutines[size_t(StackTop)] = Routine;
  Trace("Routine added: " + Key);
}

void TCodeFile::CountBegins() {
  size_t Len;
  for (size_t P = FindWord(CodeWord(cwBegin), Len); P; P = FindWord(CodeWord(cwBegin), Len)) {
    TRoutine* R = CurrentRoutine();
    if (!R) return;
    R->EnterBlock();
    Work.Erase(P - 1, P - 1 + Len);
  }
}

void TCodeFile::CountEnds() {
  size_t Len;
  for (size_t P = FindWord(CodeWord(cwEnd), Len); P; P = FindWord(CodeWord(cwEnd), Len)) {
    TRoutine* R = CurrentRoutine();
    if (!R) return;
    if (EndClosesBlock(P)) {
      R->LeaveBlock();
      if (R->Depth == 0) {
        R->BodyEnded();
        --StackTop;
        InRoutine = false;
      }
    }
    Work.Erase(P - 1, P - 1 + Len);
  }
}

// No item is ever named by the empty text: a finding that names nothing says nothing.
TCodeItem* TCodeFile::GetCodeItem(const std::string& Name) {
  if (Name.empty()) return nullptr;
  auto It = CodeItems.lower_bound(Name);
  if (It != CodeItems.end() && !CodeItems.key_comp()(Name, It->first)) return It->second.get();
  It = CodeItems.emplace_hint(It, Name, std::make_unique<TCodeItem>());
  It->second->Name = Name;
  It->second->FirstLine = FLine;
  Trace("CodeItem Added: " + Name);
  return It->second.get();
}

TRoutine* TCodeFile::FindRoutine(const std::string& Key) const {
  auto It = Routines.find(Key);
  return It == Routines.end() ? nullptr : It->second.get();
}

TRoutine* TCodeFile::CurrentRoutine() const {
  return StackTop > 0 ? FStackRoutines[size_t(StackTop)] : nullptr;
}

TCodeItem* TCodeFile::ItemAfterWord(const TNeedle& Word) {
  size_t Len;
  const size_t P = FindWord(Word, Len);
  // A word right after a dot is a call of a package's routine ("DBMS_LOB.OPEN(L_LOB, ...)"),
  // no statement.
  if (!P || (P > 1 && Work.At(P - 2) == '.')) return nullptr;
  size_t From = P - 1 + Len;
  while (From < Work.Size() && IsBlankOrControl(Work.At(From))) ++From;
  size_t Cut = From;
  if (From < Work.Size() && Work.At(From) == '"') {
    // A quoted name ("OPEN PERIODS") is one name, blanks and all.
    for (++Cut; Cut < Work.Size() && Work.At(Cut) != '"';) ++Cut;
    if (Cut < Work.Size()) ++Cut;
  } else {
    for (; Cut < Work.Size(); ++Cut) {
      const char C = Work.At(Cut);
      if (C == ' ' || C == '.' || C == '(' || C == ',' || C == ';') break;
    }
  }
  return GetCodeItem(TrimText(Work.Substr(From, Cut)));
}

std::string TCodeFile::ParenArgument(size_t From, bool& Removed) {
  Removed = false;
  const size_t Start = From - 1;
  const size_t Open = Work.Find(CodeWord(cwParenOpen), Start);
  const size_t Close = Work.Find(CodeWord(cwParenClose), Start);
  if (Open == npos || Close == npos) return "Unknown";
  std::string Arg = Close < Open ? std::string() : TrimText(Work.Substr(Open + 1, Close));
  // The ")" and the character after it go with the call.
  Work.Erase(Start, Close + 2);
  Removed = true;
  return Arg;
}

std::string TCodeFile::FirstArgument(size_t From) {
  const size_t Start = From - 1;
  const size_t Open = Work.Find(CodeWord(cwParenOpen), Start);
  if (Open == npos) return std::string();
  const size_t Semicolon = Work.Find(CodeWord(cwSemicolon), Start);
  if (Semicolon != npos && Semicolon < Open) return std::string();
  const size_t Close = Work.Find(CodeWord(cwParenClose), Open + 1);
  const size_t Comma = Work.Find(CodeWord(cwComma), Open + 1);
  const size_t Cut = std::min({Close, Comma, Work.Size()});
  return TrimText(Work.Substr(Open + 1, Cut));
}

int TCodeFile::CountWordInCode(const std::string& Word) {
  return CountWordsInCode({UpperCaseAscii(Word)})[0];
}

std::vector<int> TCodeFile::CountWordsInCode(const std::vector<std::string>& Words) {
  std::vector<int> Counts(Words.size(), 0);
  if (Words.empty()) return Counts;
  TWordCounter Counter(Words);
  const bool Tracing = this->Tracing();
  std::vector<std::vector<int>> HitLines(Tracing ? Words.size() : 0);
  std::vector<int> Hits;
  for (int i = 0; i < Lines.Count(); ++i) {
    if (size_t(i) < CommentOnly.size() && CommentOnly[size_t(i)] == 1) continue;
    Hits.clear();
    Counter.Scan(Lines[i], Hits);
    for (int W : Hits) {
      ++Counts[size_t(W)];
      if (Tracing) HitLines[size_t(W)].push_back(i);
    }
  }
  // The trace reads as if each word had been counted on its own, one after the other.
  if (Tracing)
    for (size_t W = 0; W < Words.size(); ++W)
      for (int i : HitLines[W]) Trace(Words[W] + " found: " + UpperCaseAscii(Lines[i]));
  return Counts;
}

void TCodeFile::AddCheckResult(const char* RuleId, const std::string& Category,
                               const std::string& Text, int Line) {
  AddResult(Category, Text);
  TFinding F;
  F.RuleId = RuleId;
  F.Category = Category;
  F.Message = Text;
  F.Line = Line;
  Findings.push_back(std::move(F));
}

bool TCodeFile::WriteResults() {
  TBaseFile::WriteResults();
  if (Loaded) {
    for (const auto& Entry : CodeItems)
      for (const TCheckNote& Note : Entry.second->CheckItem(Options))
        AddCheckResult(CheckRow(Note.Option).RuleId, "General", Note.Text, Entry.second->FirstLine);
    for (const auto& Entry : Routines) {
      const TRoutine& R = *Entry.second;
      const std::vector<TCheckNote> Found = R.CheckRoutine(Options);
      if (Found.empty()) continue;
      const std::string Category = (R.IsProcedure ? "Procedure " : "Function  ") + R.Name;
      for (const TCheckNote& Note : Found)
        AddCheckResult(CheckRow(Note.Option).RuleId, Category, Note.Text, R.HeaderLine);
    }
  }
  return !LastCategory.empty();
}

void TCodeFile::WritePreciseResults() {
  if (!Loaded) return;
  for (const TPreciseFinding& P : PreciseFindings) {
    const TCheckRow& Row = CheckRow(P.Option);
    TFinding F;
    F.RuleId = Row.RuleId;
    F.Category = CheckCategory(Row);
    F.Message = P.Message;
    F.Line = P.Line;
    F.Suppressed = P.Suppressed;
    if (!P.Suppressed) AddResult(F.Category, LineEntryText(P.Line, P.Message));
    Findings.push_back(std::move(F));
  }
}
