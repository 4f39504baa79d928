// The lexer of the precise checks, for Delphi and PL/SQL.
#include "analysis/uFL_SourceScanner.h"

#include <algorithm>
#include <array>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "analysis/uFL_CodeWords.h"

namespace {

constexpr std::string_view IgnoreMark = "FERROLIN:IGNORE";

class TLexer {
 public:
  TLexer(const TLines& Lines, TSourceLanguage Language) : FLines(Lines), FLanguage(Language) {}

  TScannedSource Run() {
    // The tokens' texts are copied upper-cased as they are read, comments and blanks left out.
    // Every byte copied comes from a byte of the source, so the buffer never grows (the tokens
    // point into it); sixteen bytes more take the stores of whole vectors.
    size_t Total = 0;
    for (int i = 0; i < FLines.Count(); ++i) Total += FLines[i].size();
    FOut.Upper.assign(std::max<size_t>(Total + 16, 64), '\0');
    FTo = FOut.Upper.data();
    FOut.Tokens.reserve(Total / 5 + 16);
    // Sixteen bytes are loaded at any place of a line: where the loaded bytes hold fewer after
    // it (the last line, edited lines), the line is read from a copy that has them. Not every
    // line: loads across the stores of a fresh copy stall.
    const std::string_view Buffer = FLines.AllInBuffer() ? FLines.Buffer() : std::string_view();
    const uintptr_t From = reinterpret_cast<uintptr_t>(Buffer.data());
    const uintptr_t Till = From + Buffer.size();
    std::string Padded;
    for (int i = 0; i < FLines.Count(); ++i) {
      const std::string_view Line = FLines[i];
      const uintptr_t At = reinterpret_cast<uintptr_t>(Line.data());
      if (At >= From && At + Line.size() + 16 <= Till) {
        ScanLine(Line, i + 1);
        continue;
      }
      Padded.resize(Line.size() + 16);
      std::memcpy(Padded.data(), Line.data(), Line.size());
      ScanLine(std::string_view(Padded.data(), Line.size()), i + 1);
    }
    return std::move(FOut);
  }

 private:
  enum TState : uint8_t { stCode, stBrace, stParenStar, stSlashStar, stString };

  static constexpr std::array<char, 256> UpperOf = [] {
    std::array<char, 256> A{};
    for (int C = 0; C < 256; ++C) A[size_t(C)] = char(C >= 'a' && C <= 'z' ? C - 32 : C);
    return A;
  }();
  static char Up(char C) { return UpperOf[static_cast<unsigned char>(C)]; }

  // The first "ferrolin:ignore" of Text, in any case.
  static size_t FindIgnoreMark(std::string_view Text) {
    constexpr size_t Colon = 8;  // "FERROLIN" before it
    for (size_t C = Text.find(':', Colon); C != std::string_view::npos; C = Text.find(':', C + 1)) {
      if (C + IgnoreMark.size() - Colon > Text.size()) return std::string_view::npos;
      bool Same = true;
      for (size_t k = 0; k < IgnoreMark.size() && Same; ++k)
        Same = Up(Text[C - Colon + k]) == IgnoreMark[k];
      if (Same) return C - Colon;
    }
    return std::string_view::npos;
  }

  // A comment holding "ferrolin:ignore" (in any case), then rule IDs separated by blanks or
  // commas; no ID names every rule.
  void Comment(std::string_view Text, int Line) {
    const size_t P = FindIgnoreMark(Text);
    if (P == std::string_view::npos) return;
    size_t i = P + IgnoreMark.size();
    if (i < Text.size() && IsIdentifierChar(Text[i], false)) return;  // "ferrolin:ignored"
    std::set<std::string>& Ids = FOut.Ignores[Line];
    for (;;) {
      while (i < Text.size() && (Text[i] == ' ' || Text[i] == ',' || Text[i] == '\t')) ++i;
      size_t j = i;
      while (j < Text.size() && IsIdentifierChar(Text[j], false)) ++j;
      if (j - i < 3 || Up(Text[i]) != 'F' || Up(Text[i + 1]) != 'L') break;
      std::string Id(Text.substr(i, j - i));
      for (char& C : Id) C = Up(C);
      Ids.insert(std::move(Id));
      i = j;
    }
  }

  // The token whose text was just copied to From..FTo.
  void Emit(const char* From, int Line, uint64_t Key) {
    FOut.Tokens.push_back({std::string_view(From, size_t(FTo - From)), Line, Key});
  }
  void Emit(const char* From, int Line) {
    const std::string_view Text(From, size_t(FTo - From));
    FOut.Tokens.push_back({Text, Line, TokenKey(Text)});
  }

  // TokenKey of a word whose upper-cased text starts with the eight bytes of First.
  static uint64_t KeyOf(uint64_t First, size_t Len) {
    const size_t Kept = std::min<size_t>(Len, 7);
    const uint64_t Mask = ((uint64_t(1) << (8 * Kept)) - 1) << 8;
    return (Len & 0xff) | ((First << 8) & Mask);
  }

  // Copies the word starting at L[Start] (whatever that byte is) upper-cased to FTo, sets FKey,
  // and returns where the word ends. Word lengths vary too much for a loop over bytes to guess
  // its exit, so sixteen bytes are classified at once.
  size_t Word(std::string_view L, size_t Start, const std::array<bool, 256>& Name, bool Plsql) {
    const size_t N = L.size();
    // A store through a char pointer may alias the members: only locals in the loops.
    char* const To = FTo;
    size_t j = Start + 1;
#if defined(__SSE2__)
    const __m128i Twenty = _mm_set1_epi8(0x20);
    for (size_t k = Start;; k += 16) {
      const __m128i V = _mm_loadu_si128(reinterpret_cast<const __m128i*>(L.data() + k));
      const __m128i Folded = _mm_or_si128(V, Twenty);
      const __m128i Letter = _mm_and_si128(_mm_cmpgt_epi8(Folded, _mm_set1_epi8('a' - 1)),
                                           _mm_cmplt_epi8(Folded, _mm_set1_epi8('z' + 1)));
      const __m128i Small = _mm_and_si128(_mm_cmpgt_epi8(V, _mm_set1_epi8('a' - 1)),
                                          _mm_cmplt_epi8(V, _mm_set1_epi8('z' + 1)));
      const __m128i Digit = _mm_and_si128(_mm_cmpgt_epi8(V, _mm_set1_epi8('0' - 1)),
                                          _mm_cmplt_epi8(V, _mm_set1_epi8('9' + 1)));
      __m128i Ident =
          _mm_or_si128(_mm_or_si128(Letter, Digit), _mm_cmpeq_epi8(V, _mm_set1_epi8('_')));
      if (Plsql)
        Ident = _mm_or_si128(Ident, _mm_or_si128(_mm_cmpeq_epi8(V, _mm_set1_epi8('$')),
                                                 _mm_cmpeq_epi8(V, _mm_set1_epi8('#'))));
      const __m128i Upper = _mm_sub_epi8(V, _mm_and_si128(Small, Twenty));
      // The buffer has sixteen bytes to spare past the last token; the next word overwrites
      // what lands past this one.
      _mm_storeu_si128(reinterpret_cast<__m128i*>(To + (k - Start)), Upper);
      if (k == Start) FKey = uint64_t(_mm_cvtsi128_si64(Upper));
      // Bytes from 128 up are name bytes: the sign bits.
      unsigned In = unsigned(_mm_movemask_epi8(Ident) | _mm_movemask_epi8(V));
      if (k == Start) In |= 1;
      if (N - k < 16) In &= (1u << (N - k)) - 1;  // the line ends there
      if (const unsigned Out = ~In & 0xffff) {
        j = k + unsigned(__builtin_ctz(Out));
        break;
      }
    }
    FTo = To + (j - Start);
    FKey = KeyOf(FKey, j - Start);
    return j;
#endif
    (void)Plsql;
    while (j < N && Name[static_cast<unsigned char>(L[j])]) ++j;
    for (size_t k = Start; k < j; ++k) To[k - Start] = Up(L[k]);
    FTo = To + (j - Start);
    FKey = TokenKey(std::string_view(To, j - Start));
    return j;
  }

  void EmitString(int Line) {
    static constexpr std::string_view StringToken = "'";
    FOut.Tokens.push_back({StringToken, Line, TokenKey(StringToken)});
  }

  void ScanLine(std::string_view L, int Line) {
    const bool Plsql = FLanguage == TSourceLanguage::slPlsql;
    static constexpr auto Classes = [] {
      std::array<std::array<bool, 256>, 2> A{};
      for (int C = 0; C < 256; ++C)
        for (int K = 0; K < 2; ++K) A[size_t(K)][size_t(C)] = IsIdentifierChar(char(C), K == 1);
      return A;
    }();
    const std::array<bool, 256>& Name = Classes[Plsql ? 1 : 0];
    // Symbols that begin no pair, comment, string or name: a token of one byte, found at once.
    static constexpr auto Singles = [] {
      std::array<std::array<bool, 256>, 2> A{};
      for (int K = 0; K < 2; ++K)
        for (char C : std::string_view(";,)[]+*%@^}?"))
          A[size_t(K)][static_cast<unsigned char>(C)] = true;
      A[1][size_t('(')] = true;  // no comment starts with it in PL/SQL
      return A;
    }();
    const std::array<bool, 256>& Single = Singles[Plsql ? 1 : 0];
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
#if defined(__SSE2__)
        // Indentation runs vary in length as words do.
        const __m128i V = _mm_loadu_si128(reinterpret_cast<const __m128i*>(L.data() + i));
        unsigned Text = unsigned(_mm_movemask_epi8(_mm_cmpgt_epi8(V, _mm_set1_epi8(' '))) |
                                 _mm_movemask_epi8(V));
        if (N - i < 16) Text |= ~0u << (N - i);  // the line ends there
        if (Text & 0xffff) {
          i += unsigned(__builtin_ctz(Text));
          continue;
        }
#endif
        while (i < N && static_cast<unsigned char>(L[i]) <= ' ') ++i;
      } else if (Name[static_cast<unsigned char>(C)] ||
                 (!Plsql && C == '&' && IsIdentifierChar(D, false)) || (!Plsql && C == '$')) {
        const size_t Start = C == '&' ? i + 1 : i;
        char* const From = FTo;
        const size_t j = Word(L, Start, Name, Plsql);
        Emit(From, Line, FKey);
        i = j;
      } else if (Single[static_cast<unsigned char>(C)]) {
        char* const From = FTo;
        *FTo++ = C;
        Emit(From, Line, 1 | uint64_t(static_cast<unsigned char>(C)) << 8);
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
      } else if (C == '\'') {
        EmitString(Line);
        FState = stString;
        ++i;
      } else if (Plsql && C == '"') {
        // A quoted name is a word.
        const size_t Q = L.find('"', i + 1);
        const size_t End = Q == std::string_view::npos ? N : Q;
        if (End > i + 1) {
          char* const From = FTo;
          for (size_t k = i + 1; k < End; ++k) *FTo++ = Up(L[k]);
          Emit(From, Line);
        }
        if (Q == std::string_view::npos) return;
        i = Q + 1;
      } else if (!Plsql && C == '#') {
        // A character code is a string.
        size_t j = i + 1;
        if (j < N && L[j] == '$') ++j;
        while (j < N && IsIdentifierChar(L[j], false)) ++j;
        EmitString(Line);
        i = j;
      } else {
        static constexpr std::string_view Pairs[] = {
            ":=", "..", "<=", ">=", "<>", "=>", "!=", "||"};
        size_t Len = 1;
        for (std::string_view P : Pairs)
          if (C == P[0] && D == P[1]) Len = 2;
        char* const From = FTo;
        *FTo++ = C;
        if (Len == 2) *FTo++ = D;
        Emit(From, Line);
        i += Len;
      }
    }
  }

  const TLines& FLines;
  TSourceLanguage FLanguage;
  TState FState = stCode;
  TScannedSource FOut;
  char* FTo = nullptr;  // where the next token's text goes
  uint64_t FKey = 0;    // the last word's
};

}  // namespace

TScannedSource ScanSource(const TLines& Lines, TSourceLanguage Language) {
  return TLexer(Lines, Language).Run();
}

namespace {

bool HoldsWord(std::string_view Text, std::string_view Word, bool Plsql) {
  const char First = Word[0];
  for (size_t p = 0; p + Word.size() <= Text.size(); ++p) {
    if ((Text[p] & ~0x20) != First) continue;
    size_t k = 1;
    while (k < Word.size() && (Text[p + k] >= 'a' && Text[p + k] <= 'z' ? char(Text[p + k] - 32)
                                                                        : Text[p + k]) == Word[k])
      ++k;
    if (k == Word.size() && (p == 0 || !IsIdentifierChar(Text[p - 1], Plsql)) &&
        (p + k == Text.size() || !IsIdentifierChar(Text[p + k], Plsql)))
      return true;
  }
  return false;
}

}  // namespace

bool MayHoldWord(const TLines& Lines, std::string_view Word, TSourceLanguage Language) {
  const bool Plsql = Language == TSourceLanguage::slPlsql;
  // A line break is no name character, so the loaded bytes serve as well as the lines.
  if (Lines.AllInBuffer()) return HoldsWord(Lines.Buffer(), Word, Plsql);
  for (int i = 0; i < Lines.Count(); ++i)
    if (HoldsWord(Lines[i], Word, Plsql)) return true;
  return false;
}

bool IsIgnored(const TIgnoreMap& Ignores, int Line, const std::string& RuleId) {
  for (int L : {Line, Line - 1}) {
    auto It = Ignores.find(L);
    if (It != Ignores.end() && (It->second.empty() || It->second.count(RuleId))) return true;
  }
  return false;
}
