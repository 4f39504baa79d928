// Search and replace over the lines of a file. While the lines are still exactly the read buffer,
// the buffer is searched as a whole and only the lines that hold a hit are looked at; once lines
// were changed, each line is searched on its own.
#include "files/uFL_SearchReplace.h"

#include <optional>
#include <string>

#include "files/uFL_LineBreaks.h"
#include "files/uFL_PlainFinder.h"
#include "files/uFL_RegExpWrapper.h"
#include "regex/uFL_RegexEngine.h"
#include "regex/uFL_RegexPrefilter.h"
#include "support/uFL_Utils.h"

namespace {

constexpr size_t npos = size_t(-1);

void AddHit(TSearchOutcome& Out, int Line, std::string_view Text, int Column, int EndColumn) {
  Out.Hits.push_back({Line, Column, EndColumn, Text});
}

// Walks the lines of Buffer that may hold an occurrence: Next(From) gives the offset of the next
// candidate at or after From (npos for none), Visit(Line, LineStart, Text, Candidate) is called
// for the line that holds it, and the walk goes on at the start of the following line. Lines are
// counted only up to each candidate, never cut all at once.
template <class TNext, class TVisit>
void WalkCandidateLines(std::string_view Buffer, TNext Next, TVisit Visit) {
  const char* Text = Buffer.data();
  const size_t Size = Buffer.size();
  int Line = 0;
  size_t Cursor = 0;  // the start of line number Line
  while (Cursor < Size) {
    size_t C = Next(Cursor);
    if (C == npos) break;
    // A candidate on the LF of a CR LF pair belongs to the line the pair ends.
    if (C > Cursor && Text[C] == '\n' && Text[C - 1] == '\r') --C;
    size_t LineStart;
    Line += int(CountBreaks(Text, Cursor, C, LineStart));
    const size_t LineEnd = FindBreak(Text, C, Size);
    Visit(Line, LineStart, Buffer.substr(LineStart, LineEnd - LineStart), C);
    if (LineEnd == Size) break;
    Cursor = LineEnd +
             (Text[LineEnd] == '\r' && LineEnd + 1 < Size && Text[LineEnd + 1] == '\n' ? 2 : 1);
    ++Line;
  }
}

// Every occurrence of the finder's term in Line from the first one, at First, on: counted, and the
// first one kept as the line's hit.
void CountInLine(const TPlainFinder& Finder, int Index, std::string_view Line, size_t First,
                 TSearchOutcome& Out) {
  const size_t T = Finder.Size();
  AddHit(Out, Index, Line, int(First) + 1, int(First + T) + 1);
  for (size_t P = First; P != npos; P = Finder.Find(Line.data(), P + T, Line.size())) ++Out.Count;
}

// A plain term over the whole buffer: the finder's hits are the candidates, and a hit never spans
// a line break because the term holds none (a term that holds one is found nowhere, as a line
// holds no break).
TSearchOutcome SearchPlainBuffer(const TLines& Lines, const TPlainFinder& Finder) {
  TSearchOutcome Out;
  if (Finder.HoldsBreak()) return Out;
  const std::string_view Buffer = Lines.Buffer();
  const char* const Text = Buffer.data();
  const size_t T = Finder.Size();
  // The search for more occurrences in a hit's line goes on over the buffer: the first one past
  // the line is the walk's next candidate, found once.
  size_t Ahead = npos;
  bool Known = false;
  WalkCandidateLines(
      Buffer, [&](size_t From) { return Known ? Ahead : Finder.Find(Text, From, Buffer.size()); },
      [&](int Line, size_t LineStart, std::string_view LineText, size_t Hit) {
        AddHit(Out, Line, LineText, int(Hit - LineStart) + 1, int(Hit - LineStart + T) + 1);
        const size_t LineEnd = LineStart + LineText.size();
        size_t P = Hit;
        do {
          ++Out.Count;
          P = Finder.Find(Text, P + T, Buffer.size());
        } while (P < LineEnd);
        Ahead = P;
        Known = true;
      });
  return Out;
}

TSearchOutcome SearchPlainEachLine(const TLines& Lines, const TPlainFinder& Finder) {
  TSearchOutcome Out;
  for (int i = 0, N = Lines.Count(); i < N; ++i) {
    const std::string_view Line = Lines[i];
    const size_t First = Finder.Find(Line.data(), 0, Line.size());
    if (First != npos) CountInLine(Finder, i, Line, First, Out);
  }
  return Out;
}

// Every occurrence of the prepared expression in one line.
void SearchRegexInLine(int Index, std::string_view Line, TSearchOutcome& Out) {
  int Start = 1, Len = 0;
  for (int Pos; (Pos = ExecRegex(Line, Start, Len)) > 0;) {
    if (Start == 1) AddHit(Out, Index, Line, Pos, Pos + Len);
    ++Out.Count;
    // After an empty occurrence the scan moves on by one character, so no position of the line
    // is tried twice.
    Start = Pos + Len + (Len == 0 ? 1 : 0);
  }
}

// Where the next line a regular expression may match lies: the engine's literal prefilter over
// the whole buffer, so the matcher runs only on lines that hold a literal every match holds. The
// prefilter is built at the first call, which the walk makes only once the buffer holds a line:
// compiling there raises a bad expression's error where the first line's search raised it, and
// a buffer without lines compiles nothing. Without a usable literal every line is a candidate.
// A line without a candidate is not searched at all, so it can no longer raise the backtracking
// limit that the matcher, trying it in vain, could reach there.
class TRegexCandidates {
 public:
  size_t Next(std::string_view Buffer, size_t From) {
    if (!FBuilt) {
      TRegexEngine& Engine = SharedRegexEngine();
      Engine.Compile();
      FFilter = TRegexPrefilter::Build(Engine);
      FBuilt = true;
    }
    return FFilter ? FFilter->FindCandidate(Buffer, From) : From;
  }

 private:
  bool FBuilt = false;
  std::optional<TRegexPrefilter> FFilter;
};

TSearchOutcome SearchRegex(const TLines& Lines, const TSearchTerm& Term) {
  TSearchOutcome Out;
  PrepareRegex(Term.Text, !Term.CaseSensitive);
  if (Lines.AllInBuffer()) {
    // The buffer is exactly the lines, so the prefilter's candidates are the lines' candidates.
    const std::string_view Buffer = Lines.Buffer();
    TRegexCandidates Candidates;
    WalkCandidateLines(
        Buffer, [&](size_t From) { return Candidates.Next(Buffer, From); },
        [&](int Line, size_t, std::string_view Text, size_t) {
          SearchRegexInLine(Line, Text, Out);
        });
  } else {
    for (int i = 0, N = Lines.Count(); i < N; ++i) SearchRegexInLine(i, Lines[i], Out);
  }
  return Out;
}

// A plain replace in line I, built in one pass. A plain occurrence does not depend on the text
// before it, so searching the rest of the old line finds what searching the changed line from just
// after the inserted text finds; the line is not copied once per occurrence, which made a long line
// with many occurrences take quadratic time.
void ReplacePlainInLine(TLines& Lines, int I, const TPlainFinder& Finder,
                        std::string_view ReplaceText, std::string& NewLine, TSearchOutcome& Out) {
  const std::string_view Old = Lines[I];
  const size_t T = Finder.Size();
  size_t P = Finder.Find(Old.data(), 0, Old.size());
  if (P == npos) return;
  // Columns of the first replacement in the changed line: the text before it is unchanged.
  AddHit(Out, I, {}, int(P) + 1, int(P + ReplaceText.size()) + 1);
  NewLine.clear();
  size_t Copied = 0;  // bytes of Old already in NewLine or replaced
  for (; P != npos; P = Finder.Find(Old.data(), Copied, Old.size())) {
    ++Out.Count;
    NewLine.append(Old.substr(Copied, P - Copied));
    NewLine += ReplaceText;
    Copied = P + T;
  }
  NewLine.append(Old.substr(Copied));
  // Old may point into the line's own storage: it is not used after this.
  Lines.Set(I, NewLine);
}

// The regular-expression replace, line by line: each replacement changes the line, and the
// search goes on in the changed line right after the inserted text.
TSearchOutcome ReplaceRegexInLines(TLines& Lines, const TSearchTerm& Term,
                                   std::string_view ReplaceText) {
  TSearchOutcome Out;
  PrepareRegex(Term.Text, !Term.CaseSensitive);
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
      if (First) AddHit(Out, i, {}, Pos, Pos + Inserted);
      ++Out.Count;
      // Inserted text is not searched again; after an empty occurrence the scan moves on by one
      // character.
      Start = Pos + Inserted + (Len == 0 ? 1 : 0);
      Len = 0;
    }
  }
  return Out;
}

// Plain case-insensitive search compares both sides upper-cased, as described (the finder folds
// the text as it compares); a regular expression is never upper-cased (that would turn \d into
// \D): the engine's own modifier folds case instead.
TPlainFinder PlainFinderOf(const TSearchTerm& Term) {
  return TPlainFinder(Term.CaseSensitive ? std::string(Term.Text) : UpperCaseAscii(Term.Text),
                      !Term.CaseSensitive);
}

}  // namespace

TSearchOutcome SearchLines(const TLines& Lines, const TSearchTerm& Term) {
  if (Term.Text.empty()) return {};
  if (Term.UseRegExpr) return SearchRegex(Lines, Term);
  const TPlainFinder Finder = PlainFinderOf(Term);
  return Lines.AllInBuffer() ? SearchPlainBuffer(Lines, Finder)
                             : SearchPlainEachLine(Lines, Finder);
}

TSearchOutcome ReplaceInLines(TLines& Lines, const TSearchTerm& Term,
                              std::string_view ReplaceText) {
  if (Term.Text.empty()) return {};
  if (Term.UseRegExpr) return ReplaceRegexInLines(Lines, Term, ReplaceText);
  const TPlainFinder Finder = PlainFinderOf(Term);
  TSearchOutcome Out;
  std::string NewLine;
  if (Lines.AllInBuffer()) {
    // Only the lines the whole-buffer search found a hit on are changed.
    const TSearchOutcome Found = SearchPlainBuffer(Lines, Finder);
    for (const TLineHit& Hit : Found.Hits)
      ReplacePlainInLine(Lines, Hit.Line, Finder, ReplaceText, NewLine, Out);
  } else {
    for (int i = 0, N = Lines.Count(); i < N; ++i)
      ReplacePlainInLine(Lines, i, Finder, ReplaceText, NewLine, Out);
  }
  return Out;
}
