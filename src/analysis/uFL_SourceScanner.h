// The source scanner of the precise checks: a file's code as tokens, strings and comments taken
// out, each token with its line, and the lines whose comments say "ferrolin:ignore".
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "files/uFL_Lines.h"

enum class TSourceLanguage : uint8_t { slDelphi, slPlsql };

// A word (upper-cased), a number, a symbol (":=", "..", or one character) or a string literal,
// which stands as the token "'" whatever it held.
struct TToken {
  std::string Text;
  int Line = 0;  // 1-based
  bool Is(std::string_view T) const { return Text == T; }
};

// Where comments ask for findings to be left out: line -> the rule IDs named (empty: every rule).
using TIgnoreMap = std::map<int, std::set<std::string>>;

struct TScannedSource {
  std::vector<TToken> Tokens;
  TIgnoreMap Ignores;
};

// Reads the lines as the language's lexer does. A string or comment left open runs to its end
// (a Delphi string to the end of its line); nothing in it becomes code.
TScannedSource ScanSource(const TLines& Lines, TSourceLanguage Language);

// Whether a comment on Line or on the line above names RuleId (or every rule).
bool IsIgnored(const TIgnoreMap& Ignores, int Line, const std::string& RuleId);
