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

#include "bench_regex_corpus.h"
#include "regex/uFL_RegexEngine.h"

namespace {

using namespace bench_regex;

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
