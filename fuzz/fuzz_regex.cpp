// Fuzzes the regex compiler, matcher and literal prefilter: the first byte picks modifiers, the
// expression runs to the first LF, the rest is the input text. Engine errors are expected; crashes,
// hangs and a prefilter that rules out a matching line are not.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "regex/uFL_RegexEngine.h"
#include "regex/uFL_RegexPrefilter.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  if (Size < 1) return 0;
  const uint8_t Modifiers = Data[0];
  std::string_view Rest(reinterpret_cast<const char*>(Data + 1), Size - 1);
  const size_t Cut = Rest.find('\n');
  const std::string_view Expression = Rest.substr(0, Cut);
  const std::string_view Input =
      Cut == std::string_view::npos ? std::string_view() : Rest.substr(Cut + 1);

  TRegexEngine Engine;
  for (int Bit = 0; Bit < 6; ++Bit) Engine.SetModifier(Bit + 1, (Modifiers >> Bit) & 1);
  try {
    Engine.SetExpression(Expression);
    Engine.Compile();
  } catch (const ERegexError&) {
    return 0;
  }
  try {
    int Offset = 1;
    // Walk every match as a search does; a match never ends before it starts and never leaves
    // the input, and the walk always moves forward.
    for (int Guard = 0; Guard < 64 && Offset <= int(Input.size()) + 1; ++Guard) {
      if (!Engine.ExecPos(Input, Offset)) break;
      const int Pos = Engine.SubExprPos(0), Len = Engine.SubExprLen(0);
      if (Pos < Offset || Len < 0 || Pos + Len - 1 > int(Input.size())) abort();
      for (int N = 1; N < 15; ++N) {
        const int P = Engine.SubExprPos(N), L = Engine.SubExprLen(N);
        if (P > 0 && (L < 0 || P + L - 1 > int(Input.size()))) abort();
      }
      Offset = Pos + (Len > 0 ? Len : 1);
    }
  } catch (const ERegexError&) {
    // An expression that needs too much backtracking on this input would only take that long
    // again on its lines.
    return 0;
  }
  // Every line (cut at CR and LF, as files are) in which the engine finds a match holds a
  // candidate of the prefilter, found by a scan of the whole input from the line's start.
  const auto Filter = TRegexPrefilter::Build(Engine);
  if (!Filter) return 0;
  int Lines = 0;
  for (size_t Start = 0; Start <= Input.size() && Lines < 64; ++Lines) {
    size_t End = Input.find_first_of("\r\n", Start);
    if (End == std::string_view::npos) End = Input.size();
    try {
      if (Engine.ExecPos(Input.substr(Start, End - Start), 1) &&
          Filter->FindCandidate(Input, Start) >= End)
        abort();
    } catch (const ERegexError&) {
      return 0;
    }
    Start = End + 1;
  }
  return 0;
}
