// The lexer of the precise checks, for Delphi and PL/SQL.
#include "analysis/uFL_SourceScanner.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <utility>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "analysis/uFL_CodeWords.h"
#include "files/uFL_LineBreaks.h"
#include "support/uFL_Utils.h"

namespace {

constexpr std::string_view IgnoreMark = "FERROLIN:IGNORE";

#if defined(__SSE2__)
// The name bytes of the sixteen at V, a bit each: letters, digits, "_", bytes from 128 up (the
// sign bits), and in PL/SQL "$" and "#".
unsigned NameBits(__m128i V, bool Plsql) {
  const __m128i Folded = _mm_or_si128(V, _mm_set1_epi8(0x20));
  const __m128i Letter = _mm_and_si128(_mm_cmpgt_epi8(Folded, _mm_set1_epi8('a' - 1)),
                                       _mm_cmplt_epi8(Folded, _mm_set1_epi8('z' + 1)));
  const __m128i Digit = _mm_and_si128(_mm_cmpgt_epi8(V, _mm_set1_epi8('0' - 1)),
                                      _mm_cmplt_epi8(V, _mm_set1_epi8('9' + 1)));
  __m128i Ident = _mm_or_si128(_mm_or_si128(Letter, Digit), _mm_cmpeq_epi8(V, _mm_set1_epi8('_')));
  if (Plsql)
    Ident = _mm_or_si128(Ident, _mm_or_si128(_mm_cmpeq_epi8(V, _mm_set1_epi8('$')),
                                             _mm_cmpeq_epi8(V, _mm_set1_epi8('#'))));
  return unsigned(_mm_movemask_epi8(Ident) | _mm_movemask_epi8(V));
}

__m128i UpperCased(__m128i V) {
  const __m128i Small = _mm_and_si128(_mm_cmpgt_epi8(V, _mm_set1_epi8('a' - 1)),
                                      _mm_cmplt_epi8(V, _mm_set1_epi8('z' + 1)));
  return _mm_sub_epi8(V, _mm_and_si128(Small, _mm_set1_epi8(0x20)));
}
#endif

class TLexer {
 public:
  TLexer(const TLines& Lines, TSourceLanguage Language, TScannedSource& Out)
      : FLines(Lines), FPlsql(Language == TSourceLanguage::slPlsql), FOut(Out) {}

  void Run() {
    // Every token's text is bytes of the source upper-cased: the whole source is upper-cased at
    // once and the tokens point into that copy at their own places. Edited lines are scanned as
    // the same bytes joined by LF, which numbers them as the lines are numbered. A buffer kept
    // from an earlier file is reused as it is: no byte of it is read before it is written.
    std::string Joined;
    std::string_view Source = FLines.Buffer();
    if (!FLines.AllInBuffer()) {
      Joined = FLines.Join("\n");
      Source = Joined;
    }
    if (FOut.Upper.size() < Source.size() + 16)
      FOut.Upper.resize(std::max<size_t>(Source.size() + 16, 64));
    FBase = FNext = FOut.Tokens.Room(0, Source.size() / 4 + 16);
    FRoomEnd = FBase + FOut.Tokens.capacity();
    ScanBuffer(Source);
    FOut.Tokens.SetSize(size_t(FNext - FBase));
  }

 private:
  // What a byte starts in code.
  enum TClass : uint8_t { ccOther, ccBlank, ccBreak, ccName, ccSingle };

  static constexpr auto NameTables = [] {
    std::array<std::array<bool, 256>, 2> A{};
    for (int C = 0; C < 256; ++C)
      for (int K = 0; K < 2; ++K) A[size_t(K)][size_t(C)] = IsIdentifierChar(char(C), K == 1);
    return A;
  }();
  // Symbols that begin no pair, comment, string or name: a token of one byte, found at once.
  static constexpr auto SingleTables = [] {
    std::array<std::array<bool, 256>, 2> A{};
    for (int K = 0; K < 2; ++K)
      for (char C : std::string_view(";,)[]+*%@^}?"))
        A[size_t(K)][static_cast<unsigned char>(C)] = true;
    A[1][size_t('(')] = true;  // no comment starts with it in PL/SQL
    return A;
  }();
  static constexpr auto ClassTables = [] {
    std::array<std::array<TClass, 256>, 2> A{};
    for (int K = 0; K < 2; ++K)
      for (int C = 0; C < 256; ++C) {
        TClass Class = ccOther;
        if (C == '\r' || C == '\n')
          Class = ccBreak;
        else if (C <= ' ')
          Class = ccBlank;
        else if (NameTables[size_t(K)][size_t(C)] || (K == 0 && C == '$'))
          Class = ccName;  // a Delphi hexadecimal number is a word
        else if (SingleTables[size_t(K)][size_t(C)])
          Class = ccSingle;
        A[size_t(K)][size_t(C)] = Class;
      }
    return A;
  }();

  // The first "ferrolin:ignore" of Text, in any case.
  static size_t FindIgnoreMark(std::string_view Text) {
    constexpr size_t Colon = 8;  // "FERROLIN" before it
    for (size_t C = Text.find(':', Colon); C != std::string_view::npos; C = Text.find(':', C + 1)) {
      if (C + IgnoreMark.size() - Colon > Text.size()) return std::string_view::npos;
      if (SameTextAscii(Text.substr(C - Colon, IgnoreMark.size()), IgnoreMark)) return C - Colon;
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
      std::string Id = UpperCaseAscii(Text.substr(i, j - i));
      if (Id.size() < 3 || Id[0] != 'F' || Id[1] != 'L') break;
      Ids.insert(std::move(Id));
      i = j;
    }
  }

  // Room for Count tokens more at FNext.
  void MakeRoom(size_t Count) {
    if (size_t(FRoomEnd - FNext) >= Count) return;
    const size_t Used = size_t(FNext - FBase);
    FBase = FOut.Tokens.Room(Used, Count) - Used;
    FNext = FBase + Used;
    FRoomEnd = FBase + FOut.Tokens.capacity();
  }
  void Push(const TToken& Token) {
    MakeRoom(1);
    *FNext++ = Token;
  }

  void EmitString(int Line) {
    static constexpr std::string_view StringToken = "'";
    Push({StringToken, Line, TokenKey(StringToken)});
  }

  // TokenKey of a text of Len bytes whose first eight bytes (as far as they go) are First.
  static uint64_t KeyOf(uint64_t First, size_t Len) {
    static constexpr std::array<uint64_t, 8> Kept = [] {
      std::array<uint64_t, 8> A{};
      for (size_t K = 0; K < 8; ++K)
        A[K] = K == 7 ? ~uint64_t(0xff) : ((uint64_t(1) << (8 * K)) - 1) << 8;
      return A;
    }();
    return (Len & 0xff) | ((First << 8) & Kept[std::min<size_t>(Len, 7)]);
  }

  // ---- The loaded bytes at once --------------------------------------------------------------
  // Line breaks are cut as the lines are (CR LF, LF, lone CR): a break is a blank that ends the
  // line, a Delphi string, a quoted name and a line comment.

  static bool IsBreak(char C) { return C == '\r' || C == '\n'; }

  // The token of Len bytes at Pos of the source, which FUpper holds upper-cased.
  void EmitAt(size_t Pos, size_t Len) {
    // Bytes the blocks passed over unread (a word going on past a block, a quoted name) are
    // upper-cased here.
    for (size_t k = Pos; k < Pos + Len; ++k) FUpper[k] = UpCaseAscii(FSource[k]);
    uint64_t First;
    std::memcpy(&First, FUpper + Pos, sizeof First);
    Push({std::string_view(FUpper + Pos, Len), FLine, KeyOf(First, Len)});
  }

  // Where the word starting at S[Start] (whatever that byte is) ends. Word lengths vary too much
  // for a loop over bytes to guess its exit, so sixteen bytes are classified at once.
  size_t WordEnd(const char* S, size_t N, size_t Start) const {
    size_t k = Start;
#if defined(__SSE2__)
    for (; k + 16 <= N; k += 16) {
      unsigned In = NameBits(_mm_loadu_si128(reinterpret_cast<const __m128i*>(S + k)), FPlsql);
      if (k == Start) In |= 1;
      if (const unsigned Out = ~In & 0xffff) return k + unsigned(__builtin_ctz(Out));
    }
#endif
    const std::array<bool, 256>& Name = NameTables[FPlsql ? 1 : 0];
    size_t j = k == Start ? Start + 1 : k;
    while (j < N && Name[static_cast<unsigned char>(S[j])]) ++j;
    return j;
  }

  // From the break at I to past it.
  size_t PastBreak(const char* S, size_t N, size_t I) {
    ++FLine;
    return S[I] == '\r' && I + 1 < N && S[I + 1] == '\n' ? I + 2 : I + 1;
  }

  // The first byte from I on that is no blank within the line: text, a break, or N.
  static size_t SkipBlanks(const char* S, size_t N, size_t I) {
    while (I < N && static_cast<unsigned char>(S[I]) <= ' ' && !IsBreak(S[I])) ++I;
    return I;
  }

  // The lines a comment from From to To spans, each part on its own line as the lines are read.
  void CommentLines(const char* S, size_t N, size_t From, size_t To) {
    for (size_t B = FindBreak(S, From, To); B < To; B = FindBreak(S, From, To)) {
      Comment(std::string_view(S + From, B - From), FLine);
      From = PastBreak(S, N, B);
    }
    Comment(std::string_view(S + From, To - From), FLine);
  }

  // A block comment whose text starts at From and that Close ends: past its end.
  size_t BlockComment(const char* S, size_t N, size_t From, std::string_view Close) {
    const size_t C = std::string_view(S, N).find(Close, From);
    const size_t To = C == std::string_view::npos ? N : C;
    CommentLines(S, N, From, To);
    return C == std::string_view::npos ? N : C + Close.size();
  }

  // A string literal whose text starts at From: past its end. A Delphi string ends with its
  // line, a PL/SQL one runs on over line breaks.
  size_t StringLiteral(const char* S, size_t N, size_t From) {
    size_t i = From;
    for (;;) {
      if (FPlsql) {
        const void* Q = std::memchr(S + i, '\'', N - i);
        const size_t End = Q ? size_t(static_cast<const char*>(Q) - S) : N;
        size_t LineStart;
        FLine += int(CountBreaks(S, i, End, LineStart));
        i = End;
      } else {
        while (i < N && S[i] != '\'' && !IsBreak(S[i])) ++i;
      }
      if (i == N || S[i] != '\'') return i;
      if (i + 1 < N && S[i + 1] == '\'') {
        i += 2;
        continue;
      }
      return i + 1;
    }
  }

  // Whether the token just written is the Q (or NQ) of a PL/SQL quoted literal ("q'[it's]'")
  // whose quote is at I.
  bool FollowsQuotePrefix(size_t I) const {
    if (FNext == FBase) return false;
    const TToken& Last = FNext[-1];
    if (Last.Ptr + Last.Len != FUpper + I) return false;
    return Last.Text() == "Q" || Last.Text() == "NQ";
  }

  // A quoted literal whose delimiter is at From: it ends with the closing delimiter ("]" for
  // "[", the same byte for most others) and a quote. Returns past its end; the breaks in it count.
  size_t QuotedLiteral(const char* S, size_t N, size_t From) {
    if (From >= N) return N;
    const char Open = S[From];
    const char Close = Open == '['   ? ']'
                       : Open == '{' ? '}'
                       : Open == '<' ? '>'
                       : Open == '(' ? ')'
                                     : Open;
    const char Closing[] = {Close, '\''};
    const size_t At = std::string_view(S, N).find(std::string_view(Closing, 2), From + 1);
    const size_t End = At == std::string_view::npos ? N : At + 2;
    size_t LineStart;
    FLine += int(CountBreaks(S, From, End, LineStart));
    return End;
  }

  // A Delphi multiline literal at From: an odd run of three quotes or more that ends its line,
  // closed by the same run first on a later line. Returns past its end, or 0 where none starts.
  size_t MultilineLiteral(const char* S, size_t N, size_t From) {
    size_t Run = From;
    while (Run < N && S[Run] == '\'') ++Run;
    const size_t Quotes = Run - From;
    if (Quotes < 3 || Quotes % 2 == 0) return 0;
    const size_t Break = SkipBlanks(S, N, Run);
    if (Break >= N || !IsBreak(S[Break])) return 0;
    const std::string_view Text(S, N), Close = Text.substr(From, Quotes);
    for (size_t Line = PastBreak(S, N, Break); Line < N;) {
      const size_t First = SkipBlanks(S, N, Line);
      if (Text.substr(First, Quotes) == Close) return First + Quotes;
      const size_t Next = FindBreak(S, First, N);
      if (Next >= N) break;
      Line = PastBreak(S, N, Next);
    }
    return N;  // left open: it runs to the end, as an open string does
  }

  // A pair of symbols that is one token.
  static bool IsPair(char C, char D) {
    static constexpr std::string_view Pairs[] = {":=", "..", "<=", ">=", "<>", "=>", "!=", "||"};
    for (std::string_view P : Pairs)
      if (C == P[0] && D == P[1]) return true;
    return false;
  }

  // Whether the line being read, at I, is a script's REM or PROMPT command ("REM the vendor's
  // tool"): its text is no code, and a quote in it would start a string that swallows the code
  // after it. A variable or procedure of that name ("prompt := 'Name';", "prompt('Name');")
  // begins a statement, not a command: a call's line ends like code, in ";", "," or an operator.
  // Seen from the tokens of the line read so far, so only where a quote or a comment starts.
  bool AtScriptCommand(const char* S, size_t N, size_t I, TToken*& LineStart) const {
    TToken* First = FNext;
    while (First > FBase && First[-1].Line == FLine) --First;
    if (First == FNext || !(First->Is("REM") || First->Is("REMARK") || First->Is("PROMPT")))
      return false;
    // A command stands at the start of its line; an indented one must go on with a word.
    const size_t At = size_t(First->Ptr - FUpper);
    const bool Indented = At > 0 && !IsBreak(S[At - 1]);
    if (First + 1 < FNext) {
      const TToken& Next = First[1];
      if (Next.Is(":=") || Next.Is(".") || Next.Is("%") || Next.Is(";") || Next.Is("=") ||
          Next.Is(",") || Next.Is("||") || (Indented && !Next.IsWord()))
        return false;
      if (Next.Is("(")) {
        size_t End = FindBreak(S, I, N);
        while (End > I && static_cast<unsigned char>(S[End - 1]) <= ' ') --End;
        if (End > I && std::string_view(";,(|+-*/=").find(S[End - 1]) != std::string_view::npos)
          return false;
      }
    }
    LineStart = First;
    return true;
  }

  // Every byte class but the common ones: comments, strings, quoted names, character codes,
  // pairs of symbols.
  size_t Other(const char* S, size_t N, size_t i) {
    const bool Plsql = FPlsql;
    const char C = S[i];
    const char D = i + 1 < N ? S[i + 1] : '\0';
    TToken* CommandStart = nullptr;
    if (Plsql && (C == '\'' || C == '"' || (C == '/' && D == '*')) &&
        AtScriptCommand(S, N, i, CommandStart)) {
      FNext = CommandStart;  // the command's words are no tokens either
      return FindBreak(S, i, N);
    }
    if ((!Plsql && C == '/' && D == '/') || (Plsql && C == '-' && D == '-')) {
      const size_t E = FindBreak(S, i + 2, N);
      Comment(std::string_view(S + i + 2, E - i - 2), FLine);
      return E;
    }
    if (!Plsql && C == '&' && IsIdentifierChar(D, false)) {
      const size_t j = WordEnd(S, N, i + 1);
      EmitAt(i + 1, j - i - 1);
      return j;
    }
    if (Plsql && C == '&') {
      // A script's substitution variable ("&&schema..orders", "&1"): a name of its own, as what
      // replaces it is; the "." that ends it is its own, the next one the qualifier's.
      const size_t From = D == '&' ? i + 2 : i + 1;
      if (From < N && IsIdentifierChar(S[From], true)) {
        const size_t j = WordEnd(S, N, From);
        EmitAt(From, j - From);
        return j < N && S[j] == '.' ? j + 1 : j;
      }
    }
    if (!Plsql && C == '{') return BlockComment(S, N, i + 1, "}");
    if (!Plsql && C == '(' && D == '*') return BlockComment(S, N, i + 2, "*)");
    if (Plsql && C == '/' && D == '*') return BlockComment(S, N, i + 2, "*/");
    if (C == '\'') {
      if (Plsql && FollowsQuotePrefix(i)) {
        --FNext;  // the Q is the literal's own
        EmitString(FLine);
        return QuotedLiteral(S, N, i + 1);
      }
      EmitString(FLine);
      if (!Plsql)
        if (const size_t End = MultilineLiteral(S, N, i)) return End;
      return StringLiteral(S, N, i + 1);
    }
    if (Plsql && C == '"') {
      // A quoted name is a word; it ends with its line.
      size_t End = i + 1;
      while (End < N && S[End] != '"' && !IsBreak(S[End])) ++End;
      if (End > i + 1) EmitAt(i + 1, End - i - 1);
      return End < N && S[End] == '"' ? End + 1 : End;
    }
    if (!Plsql && C == '#') {
      // A character code is a string.
      size_t j = i + 1;
      if (j < N && S[j] == '$') ++j;
      while (j < N && IsIdentifierChar(S[j], false)) ++j;
      EmitString(FLine);
      return j;
    }
    const size_t Len = IsPair(C, D) ? 2 : 1;
    EmitAt(i, Len);
    return i + Len;
  }

  // One turn of the byte by byte scan at I: a blank run, a break, a token, a comment or a string.
  size_t Step(const char* S, size_t N, size_t i) {
    switch (ClassTables[FPlsql ? 1 : 0][static_cast<unsigned char>(S[i])]) {
      case ccBlank:
        return SkipBlanks(S, N, i + 1);
      case ccBreak:
        return SkipBlanks(S, N, PastBreak(S, N, i));
      case ccName: {
        const size_t j = WordEnd(S, N, i);
        EmitAt(i, j - i);
        return j;
      }
      case ccSingle:
        EmitAt(i, 1);
        return i + 1;
      case ccOther:
        break;
    }
    return Other(S, N, i);
  }

#if defined(__SSE2__)
  // The bytes of a block of 64 as bit masks, bit k for the byte at I + k.
  struct TBlock {
    uint64_t Name = 0;     // name bytes
    uint64_t Symbol = 0;   // other printable bytes that start a token
    uint64_t Special = 0;  // where a comment, a string or a rarer pair may start
    uint64_t Pair = 0;     // the ":" of ":="
    uint64_t Lines = 0;    // the last byte of each break
    uint64_t Last = 0;     // the last byte of each token but one going on past the block
    unsigned Cross = 64;   // where a word going on past the block starts
  };

  // Which bytes may follow a symbol to make a pair or a comment opener with it.
  static constexpr std::array<bool, 256> Seconds = [] {
    std::array<bool, 256> A{};
    for (char C : std::string_view("=.>|*/-")) A[static_cast<unsigned char>(C)] = true;
    return A;
  }();

  // Reads 65 bytes from I.
  TBlock Classify(const char* S, size_t I) {
    const bool Plsql = FPlsql;
    uint64_t Name = 0, Printable = 0, Cr = 0, Lf = 0, Always = 0, First = 0, Second = 0, Colon = 0,
             Equals = 0;
    const auto Eq = [](__m128i V, char C) { return _mm_cmpeq_epi8(V, _mm_set1_epi8(C)); };
    const auto Bits = [](__m128i M) { return uint64_t(unsigned(_mm_movemask_epi8(M))); };
    for (int c = 0; c < 4; ++c) {
      const __m128i V = _mm_loadu_si128(reinterpret_cast<const __m128i*>(S + I + 16 * c));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(FUpper + I + 16 * c), UpperCased(V));
      // "<", "=", ">" are one range.
      const __m128i Compare = _mm_and_si128(_mm_cmpgt_epi8(V, _mm_set1_epi8(';')),
                                            _mm_cmplt_epi8(V, _mm_set1_epi8('?')));
      __m128i Firsts =
          _mm_or_si128(_mm_or_si128(Compare, Eq(V, '.')), _mm_or_si128(Eq(V, '!'), Eq(V, '|')));
      __m128i Rare = Eq(V, '\'');
      if (Plsql) {
        Firsts = _mm_or_si128(Firsts, _mm_or_si128(Eq(V, '-'), Eq(V, '/')));
        Rare = _mm_or_si128(Rare, _mm_or_si128(Eq(V, '"'), Eq(V, '&')));
      } else {
        Firsts = _mm_or_si128(Firsts, _mm_or_si128(Eq(V, '('), Eq(V, '/')));
        Rare = _mm_or_si128(_mm_or_si128(Rare, Eq(V, '{')),
                            _mm_or_si128(_mm_or_si128(Eq(V, '#'), Eq(V, '$')), Eq(V, '&')));
      }
      const __m128i Follows = _mm_or_si128(
          _mm_or_si128(_mm_or_si128(Eq(V, '='), Eq(V, '.')), _mm_or_si128(Eq(V, '>'), Eq(V, '|'))),
          _mm_or_si128(_mm_or_si128(Eq(V, '*'), Eq(V, '/')), Eq(V, '-')));
      const int Shift = 16 * c;
      Name |= uint64_t(NameBits(V, Plsql)) << Shift;
      Printable |= Bits(_mm_cmpgt_epi8(V, _mm_set1_epi8(' '))) << Shift;
      Cr |= Bits(Eq(V, '\r')) << Shift;
      Lf |= Bits(Eq(V, '\n')) << Shift;
      Always |= Bits(Rare) << Shift;
      First |= Bits(Firsts) << Shift;
      Second |= Bits(Follows) << Shift;
      Colon |= Bits(Eq(V, ':')) << Shift;
      Equals |= Bits(Eq(V, '=')) << Shift;
    }
    // What follows each byte: the byte after the block is read on its own.
    const unsigned char After = static_cast<unsigned char>(S[I + 64]);
    const uint64_t NextSecond = Second >> 1 | uint64_t(Seconds[After]) << 63;
    const uint64_t NextEquals = Equals >> 1 | uint64_t(After == '=') << 63;
    const uint64_t NextLf = Lf >> 1 | uint64_t(After == '\n') << 63;
    const uint64_t NextName = Name >> 1 | uint64_t(NameTables[Plsql ? 1 : 0][After]) << 63;
    TBlock B;
    B.Name = Name;
    B.Pair = Colon & NextEquals;
    // A pair whose second byte lies past the block is read on its own.
    B.Special = Always | (First & NextSecond) | (B.Pair & uint64_t(1) << 63);
    B.Symbol = Printable & ~Name & ~(B.Pair << 1);
    B.Lines = Lf | (Cr & ~NextLf);
    B.Last = (Name & ~NextName) | (B.Symbol & ~B.Pair) | B.Pair << 1;
    if (Name & NextName & uint64_t(1) << 63)
      B.Cross = ~Name ? 64 - unsigned(__builtin_clzll(~Name)) : 0;
    return B;
  }

  // Below bit K.
  static uint64_t Below(size_t K) {
    return K >= 64 ? ~uint64_t(0) : (uint64_t(1) << K) - 1;
  }

  // Reads the tokens of the 64 bytes at I without a branch on what each token is; a byte that
  // needs a closer look (a comment, a string, a rarer pair) is read byte by byte, and the block
  // goes on after it. Returns where to go on. The source holds 16 bytes more.
  size_t Block(const char* S, size_t N, size_t I) {
    const TBlock B = Classify(S, I);
    // Each block, and each stretch after a closer look, starts where no word goes on from the
    // byte before it.
    const uint64_t AllStarts = ((B.Name & ~(B.Name << 1)) | B.Symbol) & Below(B.Cross);
    uint64_t Breaks = B.Lines;
    int Line = FLine;
    size_t From = I;
    for (;;) {
      const uint64_t After = ~Below(From - I);
      const uint64_t Special = B.Special & After;
      const unsigned Stop = Special ? unsigned(__builtin_ctzll(Special)) : 64;
      // Each token's first and last byte, in step; the last byte of a ":=" may be the byte
      // that looks like the start of a pair.
      uint64_t Starts = AllStarts & After & Below(Stop);
      uint64_t Lasts = B.Last & After & (Below(Stop) | (B.Pair << 1));
      size_t End = From;
      MakeRoom(64);
      TToken* Out = FNext;
      for (; Starts; Starts &= Starts - 1, Lasts &= Lasts - 1) {
        const unsigned P = unsigned(__builtin_ctzll(Starts));
        const uint64_t Passed = Breaks & Below(P);
        if (Passed) {
          Breaks &= ~Passed;
          Line += int(BitsInMask64(Passed));
        }
        const size_t Len = size_t(__builtin_ctzll(Lasts)) + 1 - P;
        const char* const Text = FUpper + I + P;
        uint64_t First;
        std::memcpy(&First, Text, sizeof First);
        *Out++ = {std::string_view(Text, Len), Line, KeyOf(First, Len)};
        End = I + P + Len;
      }
      FNext = Out;
      const size_t Next = std::max<size_t>(I + std::min(Stop, B.Cross), End);
      const uint64_t Passed = Breaks & Below(Next - I);
      Breaks &= ~Passed;
      Line += int(BitsInMask64(Passed));
      FLine = Line;
      if (Next - I >= 64) return Next;
      From = Next;
      // A word going on past the block is read on its own, and the next block starts after it.
      if (Next == I + B.Cross) return Step(S, N, Next);
      if (Next == I + Stop) {
        From = Step(S, N, Next);
        if (From - I >= 64) return From;
        // The closer look counted the breaks it passed.
        Breaks &= ~Below(From - I);
        Line = FLine;
      }
    }
  }
#endif

  void ScanBuffer(std::string_view Buffer) {
    const char* const S = Buffer.data();
    const size_t N = Buffer.size();
    FSource = S;
    FUpper = FOut.Upper.data();
    FLine = 1;
    size_t i = 0;
#if defined(__SSE2__)
    while (i + 64 + 16 <= N) i = Block(S, N, i);
#endif
    while (i < N) i = Step(S, N, i);
  }

  const TLines& FLines;
  const bool FPlsql;
  TScannedSource& FOut;
  // The loaded bytes at once: the source upper-cased, and the line of the byte being read.
  const char* FSource = nullptr;
  char* FUpper = nullptr;
  int FLine = 1;
  // The tokens written so far, and the room for more.
  TToken* FBase = nullptr;
  TToken* FNext = nullptr;
  TToken* FRoomEnd = nullptr;
};

}  // namespace

namespace {

// The buffers of the source last scanned on this thread, kept for the next one: a file's tokens
// take a few times its size, and fresh buffers would be faulted in and freed file after file.
// Buffers of a big file are not kept: a thread would hold them as long as it runs.
struct TScratch {
  std::string Upper;
  TTokenList Tokens;
};
thread_local TScratch Scratch;
constexpr size_t KeptScratchLimit = size_t(16) << 20;  // bytes of each buffer

}  // namespace

TTokenList& TTokenList::operator=(TTokenList&& Other) noexcept {
  if (this == &Other) return *this;
  Free();
  FData = std::exchange(Other.FData, nullptr);
  FSize = std::exchange(Other.FSize, 0);
  FCapacity = std::exchange(Other.FCapacity, 0);
  return *this;
}

void TTokenList::Free() {
  if (FData) std::allocator<TToken>().deallocate(FData, FCapacity);
  FData = nullptr;
  FSize = FCapacity = 0;
}

TToken* TTokenList::Room(size_t Used, size_t Count) {
  if (Used + Count > FCapacity) {
    // Tokens are plain values: the room is left unwritten, and moving them is copying bytes.
    const size_t Capacity = std::max(Used + Count, FCapacity * 2);
    TToken* const Data = std::allocator<TToken>().allocate(Capacity);
    if (Used) std::memcpy(static_cast<void*>(Data), FData, Used * sizeof(TToken));
    Free();
    FData = Data;
    FCapacity = Capacity;
  }
  FSize = std::min(FSize, Used);
  return FData + Used;
}

TScannedSource::~TScannedSource() {
  if (Upper.capacity() > Scratch.Upper.capacity() && Upper.capacity() <= KeptScratchLimit)
    Scratch.Upper = std::move(Upper);
  if (Tokens.capacity() > Scratch.Tokens.capacity() &&
      Tokens.capacity() * sizeof(TToken) <= KeptScratchLimit)
    Scratch.Tokens = std::move(Tokens);
}

TScannedSource ScanSource(const TLines& Lines, TSourceLanguage Language) {
  TScannedSource Out;
  Out.Upper = std::move(Scratch.Upper);
  Out.Tokens = std::move(Scratch.Tokens);
  TLexer(Lines, Language, Out).Run();
  return Out;
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

bool HoldsConflictMarkers(const TLines& Lines) {
  // A conflict has a line that opens it and one that closes it; a divider of seven "=" in a
  // comment is no conflict on its own.
  const auto IsMarker = [](std::string_view Line, char C) {
    return Line.size() >= 7 && Line.find_first_not_of(C) >= 7 &&
           (Line.size() == 7 || Line[7] == ' ');
  };
  if (Lines.AllInBuffer()) {
    const std::string_view B = Lines.Buffer();
    if (B.find("<<<<<<<") == std::string_view::npos || B.find(">>>>>>>") == std::string_view::npos)
      return false;
  }
  bool Opens = false;
  for (int i = 0; i < Lines.Count(); ++i) {
    if (IsMarker(Lines[i], '<')) Opens = true;
    if (Opens && IsMarker(Lines[i], '>')) return true;
  }
  return false;
}

bool IsIgnored(const TIgnoreMap& Ignores, int Line, const std::string& RuleId) {
  for (int L : {Line, Line - 1}) {
    auto It = Ignores.find(L);
    if (It != Ignores.end() && (It->second.empty() || It->second.count(RuleId))) return true;
  }
  return false;
}
