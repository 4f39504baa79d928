// Search and replace over the lines of a file: the whole-buffer plain search, the line-by-line
// search, and the two replaces.
#include "files/uFL_SearchReplace.h"

#include <cstring>
#include <string>

#include "files/uFL_RegExpWrapper.h"

namespace {

// ASCII upper-casing into a buffer that keeps its capacity from line to line and file to file.
void UpperInto(std::string& Out, std::string_view In) {
  Out.resize(In.size());
  char* D = Out.data();
  const char* S = In.data();
  for (size_t i = 0, n = In.size(); i < n; ++i) {
    const unsigned char C = static_cast<unsigned char>(S[i]);
    D[i] = char(unsigned(C - 'a') < 26u ? C - 32 : C);
  }
}

std::string& Scratch() {
  thread_local std::string S;
  return S;
}

void AddHit(TSearchOutcome& Out, int Line, int Column, int EndColumn) {
  Out.Hits.push_back({Line, Column, EndColumn});
}

// A plain search over lines that all still lie in the read buffer, in order: the term is looked
// for in the buffer as a whole (one memmem call per hit, not per line), and a hit is then mapped
// to its line. A hit that does not lie wholly inside one line's span (it spans a line break, or
// lies in a deleted line) is no occurrence. Upper-casing keeps lengths, so offsets found in the
// upper-cased copy are offsets in the buffer.
TSearchOutcome SearchBuffer(const TLines& Lines, std::string_view Pattern, bool Fold) {
  TSearchOutcome Out;
  const std::string_view Buffer = Lines.Buffer();
  const char* Hay = Buffer.data();
  if (Fold) {
    UpperInto(Scratch(), Buffer);
    Hay = Scratch().data();
  }
  const size_t Size = Buffer.size(), T = Pattern.size();
  const int N = Lines.Count();
  auto LineStart = [&](int i) { return size_t(Lines[i].data() - Buffer.data()); };
  auto LineEnd = [&](int i) { return LineStart(i) + Lines[i].size(); };
  int Line = 0;
  size_t From = 0;
  while (Line < N && From + T <= Size) {
    const void* Hit = memmem(Hay + From, Size - From, Pattern.data(), T);
    if (!Hit) break;
    const size_t Off = size_t(static_cast<const char*>(Hit) - Hay);
    while (Line < N && LineEnd(Line) < Off + T) ++Line;
    if (Line == N) break;
    const size_t Start = LineStart(Line), End = LineEnd(Line);
    if (Start > Off) {
      From = Start;
      continue;
    }
    // Every further occurrence in this line, each starting after the previous one (no overlaps).
    AddHit(Out, Line, int(Off - Start) + 1, int(Off - Start + T) + 1);
    size_t P = Off;
    for (;;) {
      ++Out.Count;
      P += T;
      if (End - P < T) break;
      const void* Next = memmem(Hay + P, End - P, Pattern.data(), T);
      if (!Next) break;
      P = size_t(static_cast<const char*>(Next) - Hay);
    }
    From = End;
    ++Line;
  }
  return Out;
}

// A plain replace in line I, built in one pass. A plain occurrence does not depend on the text
// before it, so searching the rest of the old line finds what searching the changed line from just
// after the inserted text finds; the line is not copied once per occurrence, which made a long line
// with many occurrences take quadratic time.
void ReplacePlainInLine(TLines& Lines, int I, std::string_view Pattern,
                        std::string_view ReplaceText, bool Fold, std::string& NewLine,
                        TSearchOutcome& Out) {
  const std::string_view Old = Lines[I];
  std::string_view Work = Old;
  if (Fold) {
    UpperInto(Scratch(), Old);
    Work = Scratch();
  }
  NewLine.clear();
  int Count = 0;
  size_t Copied = 0;  // bytes of Old already in NewLine or replaced
  int Start = 1;
  for (;;) {
    int Len = 0;
    const int Pos = FindPlain(Work, Pattern, Start, Len);
    if (Pos <= 0) break;
    if (Count == 0) AddHit(Out, I, Pos, Pos + int(ReplaceText.size()));
    ++Count;
    NewLine.append(Old.substr(Copied, size_t(Pos - 1) - Copied));
    NewLine += ReplaceText;
    Copied = size_t(Pos - 1 + Len);
    Start = Pos + Len;
  }
  if (Count == 0) return;
  NewLine.append(Old.substr(Copied));
  // Old may point into the line's own storage: it is not used after this.
  Lines.Set(I, NewLine);
  Out.Count += Count;
}

// The next occurrence in Work at or after Start (1-based), by the kind of the term.
int FindNext(const TSearchTerm& Term, std::string_view Work, std::string_view Pattern, int Start,
             int& Len) {
  Len = 0;
  return Term.UseRegExpr ? ExecRegex(Work, Start, Len) : FindPlain(Work, Pattern, Start, Len);
}

// The line-by-line search: regular expressions, and plain terms over edited lines.
TSearchOutcome SearchEachLine(const TLines& Lines, const TSearchTerm& Term,
                              std::string_view Pattern) {
  TSearchOutcome Out;
  const bool Fold = !Term.CaseSensitive && !Term.UseRegExpr;
  if (Term.UseRegExpr) PrepareRegex(Pattern, !Term.CaseSensitive);
  for (int i = 0, N = Lines.Count(); i < N; ++i) {
    std::string_view Work = Lines[i];
    if (Fold) {
      UpperInto(Scratch(), Work);
      Work = Scratch();
    }
    int Start = 1, Len = 0;
    for (int Pos; (Pos = FindNext(Term, Work, Pattern, Start, Len)) > 0;) {
      if (Start == 1) AddHit(Out, i, Pos, Pos + Len);
      ++Out.Count;
      // After an empty occurrence the scan moves on by one character, so no position of the
      // line is tried twice.
      Start = Pos + Len + (Len == 0 ? 1 : 0);
    }
  }
  return Out;
}

// The regular-expression replace, line by line: each replacement changes the line, and the
// search goes on in the changed line right after the inserted text.
TSearchOutcome ReplaceRegexInLines(TLines& Lines, const TSearchTerm& Term, std::string_view Pattern,
                                   std::string_view ReplaceText) {
  TSearchOutcome Out;
  PrepareRegex(Pattern, !Term.CaseSensitive);
  std::string NewLine;
  for (int i = 0, N = Lines.Count(); i < N; ++i) {
    int Start = 1, Len = 0;
    bool First = true;
    for (int Pos; (Pos = ExecRegex(Lines[i], Start, Len)) > 0; First = false) {
      const std::string_view Old = Lines[i];
      NewLine.assign(Old.substr(0, size_t(Pos - 1)));
      NewLine += ReplaceText;
      NewLine += Old.substr(size_t(Pos - 1 + Len));
      Lines.Set(i, NewLine);
      const int Inserted = int(ReplaceText.size());
      if (First) AddHit(Out, i, Pos, Pos + Inserted);
      ++Out.Count;
      // Inserted text is not searched again; after an empty occurrence the scan moves on by one
      // character.
      Start = Pos + Inserted + (Len == 0 ? 1 : 0);
      Len = 0;
    }
  }
  return Out;
}

// Plain case-insensitive search upper-cases both sides, as described; a regular expression is
// never upper-cased (that would turn \d into \D): the engine's own modifier folds case instead.
std::string PatternOf(const TSearchTerm& Term) {
  std::string Pattern(Term.Text);
  if (!Term.CaseSensitive && !Term.UseRegExpr) UpperInto(Pattern, Term.Text);
  return Pattern;
}

}  // namespace

TSearchOutcome SearchLines(const TLines& Lines, const TSearchTerm& Term) {
  const std::string Pattern = PatternOf(Term);
  if (Pattern.empty()) return {};
  if (!Term.UseRegExpr && Lines.AllInBuffer())
    return SearchBuffer(Lines, Pattern, !Term.CaseSensitive);
  return SearchEachLine(Lines, Term, Pattern);
}

TSearchOutcome ReplaceInLines(TLines& Lines, const TSearchTerm& Term,
                              std::string_view ReplaceText) {
  const std::string Pattern = PatternOf(Term);
  if (Pattern.empty()) return {};
  if (Term.UseRegExpr) return ReplaceRegexInLines(Lines, Term, Pattern, ReplaceText);
  TSearchOutcome Out;
  std::string NewLine;
  for (int i = 0, N = Lines.Count(); i < N; ++i)
    ReplacePlainInLine(Lines, i, Pattern, ReplaceText, !Term.CaseSensitive, NewLine, Out);
  return Out;
}
