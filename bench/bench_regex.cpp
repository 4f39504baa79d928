// Per-line regex search over a generated source corpus: TRegexEngine against PCRE2's interpreter.
//
// Usage: bench_regex [MEGABYTES [KIND]] (default 64 MB, every kind). The corpus is made in memory
// from a fixed seed, so every run searches the same lines. Each expression is searched in every
// line from offset 1, as the search action does, by both engines in the same run; the matched lines
// and the sum of match positions and lengths must agree. Prints one row per expression with the
// time ratio.
#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "regex/uFL_RegexEngine.h"

namespace {

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

std::string Ident(TRandom& Random) {
  std::string Name = Random.Pick(kIdents);
  if (Random.Below(3) == 0) Name += std::to_string(Random.Below(100));
  return Name;
}

std::string Words(TRandom& Random, size_t Count) {
  std::string Text;
  for (size_t i = 0; i < Count; ++i) {
    if (i) Text += ' ';
    Text += Random.Pick(kWords);
  }
  return Text;
}

std::string Cat(std::initializer_list<std::string_view> Parts) {
  std::string Text;
  for (const std::string_view Part : Parts) Text.append(Part);
  return Text;
}

// One line of Delphi-like source with its indentation.
std::string SourceLine(TRandom& Random) {
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

TCorpus MakeCorpus(size_t Bytes) {
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

struct TTally {
  size_t Lines = 0;
  uint64_t Sum = 0;  // positions and lengths of all matches, to compare the engines
  double Seconds = 0;
  bool operator==(const TTally& Other) const { return Lines == Other.Lines && Sum == Other.Sum; }
};

template <typename TSearch>
TTally Time(const TCorpus& Corpus, TSearch&& Search) {
  TTally Best;
  Best.Seconds = 1e30;
  for (int Round = 0; Round < 3; ++Round) {
    TTally Tally;
    const auto Start = std::chrono::steady_clock::now();
    for (const std::string_view Line : Corpus.Lines) {
      int Pos = 0, Len = 0;
      if (!Search(Line, Pos, Len)) continue;
      ++Tally.Lines;
      Tally.Sum += uint64_t(Pos) * 31 + uint64_t(Len);
    }
    Tally.Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count();
    if (Tally.Seconds < Best.Seconds) Best = Tally;
  }
  return Best;
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

}  // namespace

int main(int argc, char** argv) {
  const size_t Megabytes = argc > 1 ? size_t(std::atoi(argv[1])) : 64;
  const TCorpus Corpus = MakeCorpus(Megabytes << 20);
  std::printf("corpus: %.1f MiB, %zu lines\n", double(Corpus.Text.size()) / (1 << 20),
              Corpus.Lines.size());
  std::printf("%-15s %-28s %9s %10s %10s %7s\n", "kind", "expression", "lines", "ours ms",
              "pcre2 ms", "ratio");
  bool Agree = true;
  double WorstRatio = 0;
  const std::string_view OnlyKind = argc > 2 ? argv[2] : "";
  for (const TExpression& Expression : kExpressions) {
    if (!OnlyKind.empty() && OnlyKind != Expression.Kind) continue;
    TRegexEngine Engine;
    Engine.SetExpression(Expression.Pattern);
    Engine.SetModifierI(Expression.Caseless);
    const TTally Ours = Time(Corpus, [&](std::string_view Line, int& Pos, int& Len) {
      if (!Engine.ExecPos(Line, 1)) return false;
      Pos = Engine.SubExprPos(0);
      Len = Engine.SubExprLen(0);
      return true;
    });

    int ErrorCode = 0;
    PCRE2_SIZE ErrorOffset = 0;
    pcre2_code* Code =
        pcre2_compile(reinterpret_cast<PCRE2_SPTR>(Expression.Pattern), PCRE2_ZERO_TERMINATED,
                      Expression.Caseless ? PCRE2_CASELESS : 0u, &ErrorCode, &ErrorOffset, nullptr);
    if (!Code) {
      std::fprintf(stderr, "pcre2 cannot compile %s\n", Expression.Pattern);
      return 2;
    }
    pcre2_match_data* Match = pcre2_match_data_create_from_pattern(Code, nullptr);
    const TTally Peer = Time(Corpus, [&](std::string_view Line, int& Pos, int& Len) {
      const int Rc = pcre2_match(Code, reinterpret_cast<PCRE2_SPTR>(Line.data()), Line.size(), 0, 0,
                                 Match, nullptr);
      if (Rc < 0) return false;
      const PCRE2_SIZE* Vector = pcre2_get_ovector_pointer(Match);
      Pos = int(Vector[0]) + 1;
      Len = int(Vector[1] - Vector[0]);
      return true;
    });
    pcre2_match_data_free(Match);
    pcre2_code_free(Code);

    const double Ratio = Ours.Seconds / Peer.Seconds;
    WorstRatio = std::max(WorstRatio, Ratio);
    std::printf("%-15s %-28s %9zu %10.1f %10.1f %7.2f%s\n", Expression.Kind, Expression.Pattern,
                Ours.Lines, Ours.Seconds * 1e3, Peer.Seconds * 1e3, Ratio,
                Ours == Peer ? "" : "  RESULTS DIFFER");
    if (!(Ours == Peer)) Agree = false;
  }
  std::printf("worst ratio %.2f (ours / pcre2, interpreter, no JIT)\n", WorstRatio);
  return Agree ? 0 : 1;
}
