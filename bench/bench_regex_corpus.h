// The generated source corpus and the expressions the regex benchmarks search it for.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace bench_regex {

// xorshift64*: small, fast and the same everywhere.
struct TRandom {
  uint64_t State;
  uint64_t Next() {
    State ^= State >> 12;
    State ^= State << 25;
    State ^= State >> 27;
    return State * 2685821657736338717ull;
  }
  size_t Below(size_t N) { return size_t(Next() % N); }
  template <typename T, size_t N>
  const T& Pick(const T (&Items)[N]) {
    return Items[Below(N)];
  }
};

const char* const kIdents[] = {"Result", "Index",  "Count",    "FItems", "AValue", "Buffer",
                               "I",      "J",      "Len",      "Node",   "Owner",  "Sender",
                               "List",   "Stream", "FileName", "Total",  "Offset", "Data"};
const char* const kTypes[] = {"Integer", "string",   "Boolean", "TList",       "TStream",
                              "Pointer", "Cardinal", "Double",  "TStringList", "TObject"};
const char* const kWords[] = {"the",  "file", "list", "value", "before", "after", "check",
                              "save", "load", "line", "error", "count",  "fix",   "later"};

inline std::string Ident(TRandom& Random) {
  std::string Name = Random.Pick(kIdents);
  if (Random.Below(3) == 0) Name += std::to_string(Random.Below(100));
  return Name;
}

inline std::string Words(TRandom& Random, size_t Count) {
  std::string Text;
  for (size_t i = 0; i < Count; ++i) {
    if (i) Text += ' ';
    Text += Random.Pick(kWords);
  }
  return Text;
}

inline std::string Cat(std::initializer_list<std::string_view> Parts) {
  std::string Text;
  for (const std::string_view Part : Parts) Text.append(Part);
  return Text;
}

// One line of Delphi-like source with its indentation.
inline std::string SourceLine(TRandom& Random) {
  const std::string Indent(2 * Random.Below(5), ' ');
  const std::string A = Ident(Random), B = Ident(Random), C = Ident(Random);
  const std::string Number = std::to_string(Random.Below(1000));
  switch (Random.Below(16)) {
    case 0:
      return Cat({"procedure T", A, ".", B, "(const ", C, ": ", Random.Pick(kTypes), ");"});
    case 1:
      return Cat({"function T", A, ".Get", B, ": ", Random.Pick(kTypes), ";"});
    case 2:
      return Cat({Indent, "begin"});
    case 3:
      return Cat({Indent, "end;"});
    case 4:
      return Cat({Indent, "if ", A, " > ", Number, " then"});
    case 5:
      return Cat({Indent, A, " := ", Random.Below(4) == 0 ? A : B, " + ", Number, ";"});
    case 6:
      return Cat({Indent, "// ", Random.Below(8) == 0 ? "TODO: " : "",
                  Words(Random, 3 + Random.Below(8))});
    case 7:
      return Cat({Indent, "ShowMessage('", Words(Random, 1 + Random.Below(5)), "');"});
    case 8:
      return Cat({Indent, A, " := Format('%s: %d', [", B, ", ", C, "]);"});
    case 9:
      return Cat({Indent, "{ changed ", std::to_string(2000 + Random.Below(25)), "-",
                  std::to_string(10 + Random.Below(3)), "-", std::to_string(10 + Random.Below(19)),
                  " ", Words(Random, 2), " }"});
    case 10:
      return Cat({Indent, "for ", A, " := 0 to ", B, ".Count - 1 do"});
    case 11:
      return Cat({Indent, "var ", A, ": ", Random.Pick(kTypes), ";"});
    case 12:
      return Cat({Indent, A, ".", B, "(", std::to_string(Random.Below(100000)), ".",
                  std::to_string(Random.Below(100)), ");"});
    case 13:
      return "";
    case 14: {
      // An occasional long generated line (data tables, long string constants).
      std::string Long = Cat({Indent, "Data := '"});
      const size_t Pieces = 20 + Random.Below(200);
      for (size_t i = 0; i < Pieces; ++i) {
        Long += Random.Pick(kWords);
        Long += ',';
      }
      Long += "';";
      return Long;
    }
    default:
      return Cat({Indent, "raise Exception.Create('", Words(Random, 2 + Random.Below(4)), "');"});
  }
}

struct TCorpus {
  std::string Text;
  std::vector<std::string_view> Lines;
};

inline TCorpus MakeCorpus(size_t Bytes) {
  TCorpus Corpus;
  Corpus.Text.reserve(Bytes + 4096);
  std::vector<std::pair<size_t, size_t>> Spans;
  TRandom Random{0x9E3779B97F4A7C15ull};
  while (Corpus.Text.size() < Bytes) {
    const std::string Line = SourceLine(Random);
    Spans.emplace_back(Corpus.Text.size(), Line.size());
    Corpus.Text += Line;
    Corpus.Text += '\n';
  }
  for (const auto& [Start, Length] : Spans)
    Corpus.Lines.emplace_back(Corpus.Text.data() + Start, Length);
  return Corpus;
}

struct TExpression {
  const char* Kind;
  const char* Pattern;
  bool Caseless;
};

const TExpression kExpressions[] = {
    {"literal-led", "procedure\\s+\\w+", false},
    {"rare literal", "TODO:", false},
    {"class-led", "\\d+\\.\\d+", false},
    {"anchored", "^\\s*end;", false},
    {"alternation", "(Create|Free|Destroy)\\(", false},
    {"bounded repeat", "\\d{4}-\\d{2}-\\d{2}", false},
    {"lazy", "'.*?'", false},
    {"back-reference", "\\b(\\w+) := \\1\\b", false},
    {"word boundary", "\\bCount\\b", false},
    {"caseless", "showmessage", true},
    {"class repeat", "[A-Z]\\w*List\\b", false},
};

}  // namespace bench_regex
