// The lexer of the precise checks, for Delphi and PL/SQL.
#include "analysis/uFL_SourceScanner.h"

#include <algorithm>
#include <array>

#include "analysis/uFL_CodeWords.h"

namespace {

constexpr std::string_view IgnoreMark = "FERROLIN:IGNORE";

class TLexer {
 public:
  TLexer(const TLines& Lines, TSourceLanguage Language) : FLines(Lines), FLanguage(Language) {}

  TScannedSource Run() {
    // One upper-cased copy of every line, which the tokens then point into.
    size_t Total = 0;
    for (int i = 0; i < FLines.Count(); ++i) Total += FLines[i].size();
    // Never the short-string buffer, whose text would not move with the string.
    FOut.Upper.reserve(std::max<size_t>(Total, 64));
    FOut.Upper.resize(Total);
    std::vector<size_t> Starts(size_t(FLines.Count()) + 1, 0);
    char* To = FOut.Upper.data();
    for (int i = 0; i < FLines.Count(); ++i) {
      const std::string_view L = FLines[i];
      Starts[size_t(i)] = size_t(To - FOut.Upper.data());
      for (char C : L) *To++ = C >= 'a' && C <= 'z' ? char(C - 32) : C;
    }
    Starts[size_t(FLines.Count())] = Total;
    FOut.Tokens.reserve(Total / 5 + 16);
    const std::string_view All = FOut.Upper;
    for (int i = 0; i < FLines.Count(); ++i)
      ScanLine(All.substr(Starts[size_t(i)], Starts[size_t(i) + 1] - Starts[size_t(i)]), i + 1);
    return std::move(FOut);
  }

 private:
  enum TState : uint8_t { stCode, stBrace, stParenStar, stSlashStar, stString };

  // A comment holding "ferrolin:ignore" (in any case), then rule IDs separated by blanks or
  // commas; no ID names every rule.
  void Comment(std::string_view Text, int Line) {
    const size_t P = Text.find(IgnoreMark);
    if (P == std::string_view::npos) return;
    size_t i = P + IgnoreMark.size();
    if (i < Text.size() && IsIdentifierChar(Text[i], false)) return;  // "ferrolin:ignored"
    std::set<std::string>& Ids = FOut.Ignores[Line];
    for (;;) {
      while (i < Text.size() && (Text[i] == ' ' || Text[i] == ',' || Text[i] == '\t')) ++i;
      size_t j = i;
      while (j < Text.size() && IsIdentifierChar(Text[j], false)) ++j;
      if (j - i < 3 || Text[i] != 'F' || Text[i + 1] != 'L') break;
      Ids.insert(std::string(Text.substr(i, j - i)));
      i = j;
    }
  }

  void Emit(std::string_view Text, int Line) {
    FOut.Tokens.push_back({Text, Line, TokenKey(Text)});
  }

  void ScanLine(std::string_view L, int Line) {
    const bool Plsql = FLanguage == TSourceLanguage::slPlsql;
    static constexpr std::string_view StringToken = "'";
    static constexpr auto Classes = [] {
      std::array<std::array<bool, 256>, 2> A{};
      for (int C = 0; C < 256; ++C)
        for (int K = 0; K < 2; ++K) A[size_t(K)][size_t(C)] = IsIdentifierChar(char(C), K == 1);
      return A;
    }();
    const std::array<bool, 256>& Name = Classes[Plsql ? 1 : 0];
    size_t i = 0;
    const size_t N = L.size();
    // A Delphi string ends with its line.
    if (FState == stString && !Plsql) FState = stCode;
    while (i < N) {
      switch (FState) {
        case stBrace:
        case stParenStar:
        case stSlashStar: {
          const std::string_view Close = FState == stBrace       ? "}"
                                         : FState == stParenStar ? "*)"
                                                                 : "*/";
          const size_t C = L.find(Close, i);
          Comment(L.substr(i, C == std::string_view::npos ? N - i : C - i), Line);
          if (C == std::string_view::npos) return;
          i = C + Close.size();
          FState = stCode;
          continue;
        }
        case stString: {
          const size_t Q = L.find('\'', i);
          if (Q == std::string_view::npos) return;
          if (Q + 1 < N && L[Q + 1] == '\'') {
            i = Q + 2;
            continue;
          }
          i = Q + 1;
          FState = stCode;
          continue;
        }
        case stCode:
          break;
      }
      const char C = L[i];
      const char D = i + 1 < N ? L[i + 1] : '\0';
      if (static_cast<unsigned char>(C) <= ' ') {
        ++i;
        while (i < N && static_cast<unsigned char>(L[i]) <= ' ') ++i;
      } else if (Name[static_cast<unsigned char>(C)] ||
                 (!Plsql && C == '&' && IsIdentifierChar(D, false)) || (!Plsql && C == '$')) {
        const size_t From = C == '&' ? i + 1 : i;
        size_t j = i + 1;
        while (j < N && Name[static_cast<unsigned char>(L[j])]) ++j;
        Emit(L.substr(From, j - From), Line);
        i = j;
      } else if ((!Plsql && C == '/' && D == '/') || (Plsql && C == '-' && D == '-')) {
        Comment(L.substr(i + 2), Line);
        return;
      } else if (!Plsql && C == '{') {
        FState = stBrace;
        ++i;
      } else if (!Plsql && C == '(' && D == '*') {
        FState = stParenStar;
        i += 2;
      } else if (Plsql && C == '/' && D == '*') {
        FState = stSlashStar;
        i += 2;
      } else if (C == '\'') {
        Emit(StringToken, Line);
        FState = stString;
        ++i;
      } else if (Plsql && C == '"') {
        // A quoted name is a word.
        const size_t Q = L.find('"', i + 1);
        const size_t End = Q == std::string_view::npos ? N : Q;
        if (End > i + 1) Emit(L.substr(i + 1, End - i - 1), Line);
        if (Q == std::string_view::npos) return;
        i = Q + 1;
      } else if (!Plsql && C == '#') {
        // A character code is a string.
        size_t j = i + 1;
        if (j < N && L[j] == '$') ++j;
        while (j < N && IsIdentifierChar(L[j], false)) ++j;
        Emit(StringToken, Line);
        i = j;
      } else {
        static constexpr std::string_view Pairs[] = {
            ":=", "..", "<=", ">=", "<>", "=>", "!=", "||"};
        size_t Len = 1;
        for (std::string_view P : Pairs)
          if (C == P[0] && D == P[1]) Len = 2;
        Emit(L.substr(i, Len), Line);
        i += Len;
      }
    }
  }

  const TLines& FLines;
  TSourceLanguage FLanguage;
  TState FState = stCode;
  TScannedSource FOut;
};

}  // namespace

TScannedSource ScanSource(const TLines& Lines, TSourceLanguage Language) {
  return TLexer(Lines, Language).Run();
}

bool IsIgnored(const TIgnoreMap& Ignores, int Line, const std::string& RuleId) {
  for (int L : {Line, Line - 1}) {
    auto It = Ignores.find(L);
    if (It != Ignores.end() && (It->second.empty() || It->second.count(RuleId))) return true;
  }
  return false;
}
