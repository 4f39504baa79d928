// The lexer of the precise checks, for Delphi and PL/SQL.
#include "analysis/uFL_SourceScanner.h"

#include "analysis/uFL_CodeWords.h"

namespace {

constexpr std::string_view IgnoreMark = "ferrolin:ignore";

char Upper(char C) {
  return C >= 'a' && C <= 'z' ? char(C - 32) : C;
}

class TLexer {
 public:
  TLexer(const TLines& Lines, TSourceLanguage Language) : FLines(Lines), FLanguage(Language) {}

  TScannedSource Run() {
    for (int i = 0; i < FLines.Count(); ++i) ScanLine(FLines[i], i + 1);
    return std::move(FOut);
  }

 private:
  enum TState : uint8_t { stCode, stBrace, stParenStar, stSlashStar, stString, stQuoted };

  void Comment(std::string_view Text, int Line) {
    // Only the mark's own spelling counts; the rule IDs follow it, separated by blanks or commas.
    size_t P = 0;
    for (; P + IgnoreMark.size() <= Text.size(); ++P) {
      bool Same = true;
      for (size_t k = 0; k < IgnoreMark.size() && Same; ++k)
        Same = (Text[P + k] | 0x20) == IgnoreMark[k] || Text[P + k] == IgnoreMark[k];
      if (Same) break;
    }
    if (P + IgnoreMark.size() > Text.size()) return;
    size_t i = P + IgnoreMark.size();
    if (i < Text.size() && IsIdentifierChar(Text[i], false)) return;  // "ferrolin:ignored"
    std::set<std::string>& Ids = FOut.Ignores[Line];
    for (;;) {
      while (i < Text.size() && (Text[i] == ' ' || Text[i] == ',' || Text[i] == '\t')) ++i;
      size_t j = i;
      while (j < Text.size() && IsIdentifierChar(Text[j], false)) ++j;
      if (j - i < 3 || Upper(Text[i]) != 'F' || Upper(Text[i + 1]) != 'L') break;
      std::string Id;
      for (size_t k = i; k < j; ++k) Id += Upper(Text[k]);
      Ids.insert(Id);
      i = j;
    }
  }

  void Emit(std::string Text, int Line) { FOut.Tokens.push_back({std::move(Text), Line}); }

  void ScanLine(std::string_view L, int Line) {
    const bool Plsql = FLanguage == TSourceLanguage::slPlsql;
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
          const size_t Q = L.find(FQuote, i);
          if (Q == std::string_view::npos) return;
          if (Q + 1 < N && L[Q + 1] == FQuote && FQuote == '\'') {
            i = Q + 2;
            continue;
          }
          i = Q + 1;
          FState = stCode;
          continue;
        }
        case stQuoted:
        case stCode:
          break;
      }
      const char C = L[i];
      const char D = i + 1 < N ? L[i + 1] : '\0';
      if (static_cast<unsigned char>(C) <= ' ') {
        ++i;
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
      } else if (C == '\'' || (Plsql && C == '"')) {
        // A quoted PL/SQL name is a word; a string is the token "'".
        if (C == '\'') Emit("'", Line);
        FQuote = C;
        FState = stString;
        if (C == '"') {
          const size_t Q = L.find('"', i + 1);
          const std::string_view Name =
              L.substr(i + 1, Q == std::string_view::npos ? N : Q - i - 1);
          std::string W;
          for (char X : Name) W += Upper(X);
          Emit(W.empty() ? "\"\"" : W, Line);
          FState = stCode;
          if (Q == std::string_view::npos) return;
          i = Q + 1;
          continue;
        }
        ++i;
      } else if (!Plsql && C == '#') {
        // A character code is a string.
        size_t j = i + 1;
        if (j < N && L[j] == '$') ++j;
        while (j < N && IsIdentifierChar(L[j], false)) ++j;
        Emit("'", Line);
        i = j;
      } else if (IsIdentifierChar(C, Plsql) || (!Plsql && C == '&' && IsIdentifierChar(D, false)) ||
                 (!Plsql && C == '$')) {
        size_t j = i + 1;
        std::string W(1, C == '&' ? Upper(D) : Upper(C));
        if (C == '&') ++j;
        for (; j < N && IsIdentifierChar(L[j], Plsql); ++j) W += Upper(L[j]);
        Emit(std::move(W), Line);
        i = j;
      } else {
        static constexpr std::string_view Pairs[] = {
            ":=", "..", "<=", ">=", "<>", "=>", "!=", "||"};
        std::string S(1, C);
        for (std::string_view P : Pairs)
          if (C == P[0] && D == P[1]) S = std::string(P);
        Emit(S, Line);
        i += S.size();
      }
    }
  }

  const TLines& FLines;
  TSourceLanguage FLanguage;
  TState FState = stCode;
  char FQuote = '\'';
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
