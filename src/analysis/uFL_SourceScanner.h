// The source scanner of the precise checks: a file's code as tokens, strings and comments taken
// out, each token with its line, and the lines whose comments say "ferrolin:ignore".
#pragma once

#include <cstdint>
#include <initializer_list>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "files/uFL_Lines.h"

enum class TSourceLanguage : uint8_t { slDelphi, slPlsql };

// A key of a token's text, so that most comparisons are one of integers: its length (modulo 256)
// and its first seven bytes. Texts of up to seven bytes are equal when their keys are.
constexpr uint64_t TokenKey(std::string_view Text) {
  uint64_t K = Text.size() & 0xff;
  for (size_t i = 0; i < Text.size() && i < 7; ++i)
    K |= uint64_t(static_cast<unsigned char>(Text[i])) << (8 * (i + 1));
  return K;
}

// A word (upper-cased), a number, a symbol (":=", "..", or one character) or a string literal,
// which stands as the token "'" whatever it held. The text lives in the scanned source.
struct TToken {
  TToken() = default;
  TToken(std::string_view T, int L, uint64_t K)
      : Ptr(T.data()), Len(uint32_t(T.size())), Line(L), Key(K) {}

  // 24 bytes rather than the 32 of a string_view and the rest: a file's tokens are written and
  // read several times over. A word is never near 4 GiB long.
  const char* Ptr;
  uint32_t Len;
  int Line;  // 1-based
  uint64_t Key;

  std::string_view Text() const { return {Ptr, Len}; }
  // A name or a keyword: not a number, a symbol or a string.
  bool IsWord() const {
    const unsigned char C = Len ? static_cast<unsigned char>(Ptr[0]) : 0;
    return (C >= 'A' && C <= 'Z') || C == '_' || C >= 128;
  }
  // With a literal, TokenKey is worked out at compile time.
  bool Is(std::string_view T) const { return Key == TokenKey(T) && (T.size() <= 7 || Text() == T); }
};

// Whether a token may be one of a few words: its length and first byte are those of one of them.
// One look rules out most tokens, where comparing each with every word costs a branch a word.
class TWordFilter {
 public:
  constexpr TWordFilter(std::initializer_list<std::string_view> Words) {
    for (std::string_view W : Words) FBits[W.size() & 15] |= uint32_t(1) << (W[0] & 31);
  }
  constexpr bool MayHold(const TToken& T) const {
    return FBits[T.Key & 15] >> ((T.Key >> 8) & 31) & 1;
  }

 private:
  uint32_t FBits[16] = {};
};

// Words, each with a number (1 up), told from a token at one look-up of its key in a table
// without collisions: no chain of comparisons, no branch a word. A word of more than seven bytes
// is told by its length and first seven: the caller compares the rest where it matters.
template <size_t N>
class TWordTable {
 public:
  struct TEntry {
    std::string_view Word;
    uint8_t Value;
  };
  constexpr explicit TWordTable(const TEntry (&Words)[N]) {
    for (uint64_t Seed = 1;; ++Seed) {
      FMagic = Seed * 0x9E3779B97F4A7C15u;
      bool Clash = false;
      for (uint64_t& K : FKeys) K = 0;
      for (const TEntry& E : Words) {
        if (E.Value == 0) throw "a value from 1";
        const uint64_t K = TokenKey(E.Word);
        uint64_t& Slot = FKeys[Index(K)];
        Clash = Clash || Slot != 0;
        Slot = K;
        FValues[Index(K)] = E.Value;
      }
      if (!Clash) return;
    }
  }
  // The word's number, 0 for any other token.
  constexpr uint8_t operator()(const TToken& T) const {
    const size_t I = Index(T.Key);
    // Multiplied, not chosen: a branch here would be guessed wrong at every word.
    return uint8_t(FValues[I] * uint8_t(FKeys[I] == T.Key));
  }

 private:
  constexpr size_t Index(uint64_t Key) const { return size_t((Key * FMagic) >> 58); }
  uint64_t FMagic = 0;
  uint64_t FKeys[64] = {};
  uint8_t FValues[64] = {};
};

// The tokens of a source in order. The lexer writes them in place, with no check per token, into
// room it makes a block at a time.
class TTokenList {
 public:
  TTokenList() = default;
  TTokenList(TTokenList&& Other) noexcept { *this = std::move(Other); }
  TTokenList& operator=(TTokenList&& Other) noexcept;
  TTokenList(const TTokenList&) = delete;
  TTokenList& operator=(const TTokenList&) = delete;
  ~TTokenList() { Free(); }

  size_t size() const { return FSize; }
  bool empty() const { return FSize == 0; }
  const TToken& operator[](size_t I) const { return FData[I]; }
  const TToken* begin() const { return FData; }
  const TToken* end() const { return FData + FSize; }
  size_t capacity() const { return FCapacity; }

  // Makes room for Count tokens after the first Used and returns where they go; the tokens
  // written there count from SetSize on.
  TToken* Room(size_t Used, size_t Count);
  void SetSize(size_t Size) { FSize = Size; }

 private:
  void Free();

  TToken* FData = nullptr;
  size_t FSize = 0;
  size_t FCapacity = 0;
};

// Where comments ask for findings to be left out: line -> the rule IDs named (empty: every rule).
using TIgnoreMap = std::map<int, std::set<std::string>>;

struct TScannedSource {
  std::string Upper;  // the source upper-cased, which the tokens' texts point into
  TTokenList Tokens;
  TIgnoreMap Ignores;

  TScannedSource() = default;
  // Hands the buffers on to the next scan on this thread.
  ~TScannedSource();
  // Tokens point into Upper, whose buffer moves along with it.
  TScannedSource(TScannedSource&&) = default;
  TScannedSource& operator=(TScannedSource&&) = default;
  TScannedSource(const TScannedSource&) = delete;
  TScannedSource& operator=(const TScannedSource&) = delete;
};

// Reads the lines as the language's lexer does. A string or comment left open runs to its end
// (a Delphi string to the end of its line); nothing in it becomes code.
TScannedSource ScanSource(const TLines& Lines, TSourceLanguage Language);

// Whether the code may hold Word (upper case) as a token: a whole word in any case anywhere in the
// text, comments and strings included. False means the lexer would find no such token, so a rule
// that needs one has nothing to find and the file need not be scanned at all.
bool MayHoldWord(const TLines& Lines, std::string_view Word, TSourceLanguage Language);

// Whether the lines hold a version control system's unresolved conflict ("<<<<<<< HEAD" and later
// ">>>>>>> branch" at the start of lines): both sides stand in the file, which is no code as
// written.
bool HoldsConflictMarkers(const TLines& Lines);

// Whether a comment on Line or on the line above names RuleId (or every rule).
bool IsIgnored(const TIgnoreMap& Ignores, int Line, const std::string& RuleId);
