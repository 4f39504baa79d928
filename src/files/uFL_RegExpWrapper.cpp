// FindInLine and the program's one regular-expression object.
#include "files/uFL_RegExpWrapper.h"

#include <cstdint>
#include <cstring>

#include "regex/uFL_RegexEngine.h"

TRegexEngine& SharedRegexEngine() {
  // Created at first use, destroyed after main: the search unit owns it for the program's life.
  static TRegexEngine Engine;
  return Engine;
}

void PrepareRegex(std::string_view Term, bool IgnoreCase) {
  // Setting the same expression again keeps its compiled program, and a modifier change is
  // noticed by the next search, which recompiles.
  TRegexEngine& Engine = SharedRegexEngine();
  Engine.SetModifierI(IgnoreCase);
  Engine.SetExpression(Term);
}

int ExecRegex(std::string_view Line, int Start, int& MatchLength) {
  MatchLength = 0;
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

int FindInLine(std::string_view Line, std::string_view Term, int Start, int& MatchLength,
               bool UseRegExpr, bool IgnoreCase) {
  MatchLength = 0;
  if (!UseRegExpr) return FindPlain(Line, Term, Start, MatchLength);
  PrepareRegex(Term, IgnoreCase);
  return ExecRegex(Line, Start, MatchLength);
}
