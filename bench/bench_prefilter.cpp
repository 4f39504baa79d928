// Regex search of a whole buffer with the literal prefilter against the matcher on every line.
//
// Usage: bench_prefilter [MB] (default 64). The corpus is bench_regex's generated source, one
// buffer with its lines. "every line" runs TRegexEngine on each line from offset 1, as the search
// does today; "prefilter" scans the buffer for the next candidate of TRegexPrefilter and runs the
// engine only on the line that holds it, then goes on from the next line. Both must find the same
// lines and matches. Prints one row per expression with the time ratio (prefilter / every line)
// and the share of lines the matcher still ran on.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string_view>
#include <vector>

#include "bench_regex_corpus.h"
#include "regex/uFL_RegexEngine.h"
#include "regex/uFL_RegexPrefilter.h"

namespace {

using namespace bench_regex;

struct TTally {
  size_t Lines = 0;
  size_t Tried = 0;  // lines the matcher ran on
  uint64_t Sum = 0;  // positions and lengths of the matches, to compare the two ways
  double Seconds = 0;
  bool operator==(const TTally& Other) const { return Lines == Other.Lines && Sum == Other.Sum; }
};

void Count(TRegexEngine& Engine, std::string_view Line, TTally& Tally) {
  ++Tally.Tried;
  if (!Engine.ExecPos(Line, 1)) return;
  ++Tally.Lines;
  Tally.Sum += uint64_t(Engine.SubExprPos(0)) * 31 + uint64_t(Engine.SubExprLen(0));
}

template <typename TSearch>
TTally Best(TSearch&& Search) {
  TTally Best;
  Best.Seconds = 1e30;
  for (int Round = 0; Round < 3; ++Round) {
    TTally Tally;
    const auto Start = std::chrono::steady_clock::now();
    Search(Tally);
    Tally.Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count();
    if (Tally.Seconds < Best.Seconds) Best = Tally;
  }
  return Best;
}

const TExpression kMore[] = {
    {"alternation i", "(open|fetch|close)\\s+\\w+", true},
    {"rare caseless", "todo:", true},
    {"word set", "\\b(begin|end)\\b", true},
};

}  // namespace

int main(int argc, char** argv) {
  const size_t Megabytes = argc > 1 ? size_t(std::atoi(argv[1])) : 64;
  const TCorpus Corpus = MakeCorpus(Megabytes << 20);
  const std::string_view Buffer = Corpus.Text;
  std::vector<size_t> Starts;  // line starts in the buffer, in order
  for (const std::string_view Line : Corpus.Lines)
    Starts.push_back(size_t(Line.data() - Buffer.data()));
  std::printf("corpus: %.1f MiB, %zu lines\n", double(Buffer.size()) / (1 << 20),
              Corpus.Lines.size());
  std::printf("%-15s %-28s %9s %12s %12s %7s %8s\n", "kind", "expression", "lines", "every ms",
              "filter ms", "ratio", "tried");
  std::vector<TExpression> Expressions(std::begin(kExpressions), std::end(kExpressions));
  Expressions.insert(Expressions.end(), std::begin(kMore), std::end(kMore));
  bool Agree = true;
  for (const TExpression& Expression : Expressions) {
    TRegexEngine Engine;
    Engine.SetModifierI(Expression.Caseless);
    Engine.SetExpression(Expression.Pattern);
    Engine.Compile();
    const std::optional<TRegexPrefilter> Filter = TRegexPrefilter::Build(Engine);
    const TTally Every = Best([&](TTally& Tally) {
      for (const std::string_view Line : Corpus.Lines) Count(Engine, Line, Tally);
    });
    if (!Filter) {
      std::printf("%-15s %-28s %9zu %12.1f %12s %7s %8s\n", Expression.Kind, Expression.Pattern,
                  Every.Lines, Every.Seconds * 1e3, "-", "-", "none");
      continue;
    }
    const TTally Filtered = Best([&](TTally& Tally) {
      size_t Line = 0;
      for (size_t From = 0;;) {
        const size_t Hit = Filter->FindCandidate(Buffer, From);
        if (Hit == std::string_view::npos) break;
        // The line that holds the candidate: the last one starting at or before it.
        Line = size_t(std::upper_bound(Starts.begin() + ptrdiff_t(Line), Starts.end(), Hit) -
                      Starts.begin()) -
               1;
        Count(Engine, Corpus.Lines[Line], Tally);
        if (++Line == Starts.size()) break;
        From = Starts[Line];
      }
    });
    std::printf("%-15s %-28s %9zu %12.1f %12.1f %7.2f %7.1f%%%s\n", Expression.Kind,
                Expression.Pattern, Filtered.Lines, Every.Seconds * 1e3, Filtered.Seconds * 1e3,
                Filtered.Seconds / Every.Seconds,
                100.0 * double(Filtered.Tried) / double(Corpus.Lines.size()),
                Filtered == Every ? "" : "  RESULTS DIFFER");
    if (!(Filtered == Every)) Agree = false;
  }
  return Agree ? 0 : 1;
}
