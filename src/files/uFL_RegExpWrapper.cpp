// Search and replace in the lines of a file: FindInLine, the shared regex object, and
// TBaseFile::Search, Replace and SearchReplace.
#include "files/uFL_RegExpWrapper.h"

#include <cstring>
#include <string>

#include "files/uFL_BaseFile.h"
#include "regex/uFL_RegexEngine.h"
#include "support/uFL_Log.h"

TRegexEngine& SharedRegexEngine() {
  // Created at first use, destroyed after main: the search unit owns it for the program's life.
  static TRegexEngine Engine;
  return Engine;
}

namespace {

// Prepares the shared engine for Term. Setting the same expression again keeps its compiled
// program, and a modifier change is noticed by the next search, which recompiles.
void PrepareRegex(std::string_view Term, bool IgnoreCase) {
  TRegexEngine& Engine = SharedRegexEngine();
  Engine.SetModifierI(IgnoreCase);
  Engine.SetExpression(Term);
}

// Searches Line where it lies (the engine copies nothing) from Start.
int ExecRegex(std::string_view Line, int Start, int& MatchLength) {
  TRegexEngine& Engine = SharedRegexEngine();
  if (!Engine.ExecPos(Line, Start)) return 0;
  MatchLength = Engine.SubExprLen(0);
  return Engine.SubExprPos(0);
}

int FindPlain(std::string_view Line, std::string_view Term, int Start, int& MatchLength) {
  MatchLength = 0;
  if (Start < 1 || int64_t(Line.size()) - int64_t(Term.size()) + 1 < Start) return 0;
  const char* Base = Line.data();
  const void* Hit =
      memmem(Base + Start - 1, Line.size() - size_t(Start - 1), Term.data(), Term.size());
  if (!Hit) return 0;
  MatchLength = int(Term.size());
  return int(static_cast<const char*>(Hit) - Base) + 1;
}

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

}  // namespace

int FindInLine(std::string_view Line, std::string_view Term, int Start, int& MatchLength,
               bool UseRegExpr, bool IgnoreCase) {
  MatchLength = 0;
  if (!UseRegExpr) return FindPlain(Line, Term, Start, MatchLength);
  PrepareRegex(Term, IgnoreCase);
  return ExecRegex(Line, Start, MatchLength);
}

int TBaseFile::Search(const std::string& SearchText, bool UseRegExpr, bool CaseSensitive) {
  return SearchReplace(false, std::string(), SearchText, UseRegExpr, CaseSensitive);
}

int TBaseFile::Replace(const std::string& SearchText, const std::string& ReplaceText,
                       bool UseRegExpr, bool CaseSensitive) {
  return SearchReplace(true, ReplaceText, SearchText, UseRegExpr, CaseSensitive);
}

namespace {

// A plain search over a file whose lines all still lie in its read buffer, in order: the term is
// looked for in the buffer as a whole (one memmem call per hit, not per line), and a hit is then
// mapped to its line. A hit that does not lie wholly inside one line's span (it spans a line break,
// or lies in a deleted line) is no occurrence. Upper-casing keeps lengths, so offsets found in the
// upper-cased copy are offsets in the buffer.
int SearchBuffer(TBaseFile& File, std::string_view Pattern, bool Fold) {
  const std::string_view Buffer = File.Lines.Buffer();
  const char* Hay = Buffer.data();
  if (Fold) {
    UpperInto(File.WorkLine, Buffer);
    Hay = File.WorkLine.data();
  }
  const size_t Size = Buffer.size(), T = Pattern.size();
  const int N = File.Lines.Count();
  auto LineStart = [&](int i) { return size_t(File.Lines[i].data() - Buffer.data()); };
  auto LineEnd = [&](int i) { return LineStart(i) + File.Lines[i].size(); };
  int Count = 0;
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
    File.MatchedLines[size_t(Line)] = 1;
    size_t P = Off;
    for (;;) {
      ++Count;
      P += T;
      if (End - P < T) break;
      const void* Next = memmem(Hay + P, End - P, Pattern.data(), T);
      if (!Next) break;
      P = size_t(static_cast<const char*>(Next) - Hay);
    }
    From = End;
    ++Line;
  }
  return Count;
}

// A plain replace in line I, built in one pass. A plain occurrence does not depend on the text
// before it, so searching the rest of the old line finds what searching the changed line from just
// after the inserted text finds; the line is not copied once per occurrence, which made a long line
// with many occurrences take quadratic time.
int ReplacePlainInLine(TBaseFile& File, int I, std::string_view Pattern,
                       const std::string& ReplaceText, bool Fold, std::string& NewLine) {
  const std::string_view Old = File.Lines[I];
  std::string_view Work = Old;
  if (Fold) {
    UpperInto(File.WorkLine, Old);
    Work = File.WorkLine;
  }
  NewLine.clear();
  int Count = 0;
  size_t Copied = 0;  // bytes of Old already in NewLine or replaced
  int Start = 1;
  for (;;) {
    int Len = 0;
    const int Pos = FindPlain(Work, Pattern, Start, Len);
    if (Pos <= 0) break;
    ++Count;
    NewLine.append(Old.substr(Copied, size_t(Pos - 1) - Copied));
    NewLine += ReplaceText;
    Copied = size_t(Pos - 1 + Len);
    Start = Pos + Len;
  }
  if (Count == 0) return 0;
  NewLine.append(Old.substr(Copied));
  // Old may point into the line's own storage: it is not used after this.
  File.Lines.Set(I, NewLine);
  File.MatchedLines[size_t(I)] = 1;
  File.Changed = true;
  return Count;
}

}  // namespace

int TBaseFile::SearchReplace(bool DoReplace, const std::string& ReplaceText,
                             const std::string& SearchText, bool UseRegExpr, bool CaseSensitive) {
  // Plain case-insensitive search upper-cases both sides, as described; a regular expression is
  // never upper-cased (that would turn \d into \D): the engine's own modifier folds case instead.
  const bool Fold = !CaseSensitive && !UseRegExpr;
  std::string Pattern = SearchText;
  if (Fold) UpperInto(Pattern, SearchText);
  int Count = 0;
  if (Loaded && !Pattern.empty() && MatchedLines.size() >= size_t(Lines.Count())) {
    if (!DoReplace && !UseRegExpr && Lines.AllInBuffer()) {
      Count = SearchBuffer(*this, Pattern, Fold);
    } else if (DoReplace && !UseRegExpr) {
      std::string NewLine;
      for (int i = 0, N = Lines.Count(); i < N; ++i)
        Count += ReplacePlainInLine(*this, i, Pattern, ReplaceText, Fold, NewLine);
    } else {
      if (UseRegExpr) PrepareRegex(Pattern, !CaseSensitive);
      std::string NewLine;
      for (int i = 0, N = Lines.Count(); i < N; ++i) {
        int Start = 1;
        bool Fresh = true;  // the searched text must be taken from the line again
        std::string_view Work;
        for (;;) {
          if (Fresh) {
            Work = Lines[i];
            if (Fold) {
              UpperInto(WorkLine, Work);
              Work = WorkLine;
            }
            Fresh = false;
          }
          int Len = 0;
          const int Pos =
              UseRegExpr ? ExecRegex(Work, Start, Len) : FindPlain(Work, Pattern, Start, Len);
          if (Pos <= 0) break;
          MatchedLines[size_t(i)] = 1;
          ++Count;
          int Advance = Len;
          if (DoReplace) {
            // The line's own text (not the upper-cased copy) is cut: folding keeps lengths.
            const std::string_view Old = Lines[i];
            NewLine.assign(Old.substr(0, size_t(Pos - 1)));
            NewLine += ReplaceText;
            NewLine += Old.substr(size_t(Pos - 1 + Len));
            Lines.Set(i, NewLine);
            Changed = true;
            Fresh = true;
            Advance = int(ReplaceText.size());
          }
          // Inserted text is not searched again; after an empty occurrence the scan moves on by
          // one character, so no position of the line is tried twice.
          Start = Pos + Advance + (Len == 0 ? 1 : 0);
        }
      }
    }
  }
  AddTrace(FileName, "Found " + std::to_string(Count) + " occurences of " + SearchText);
  return Count;
}
