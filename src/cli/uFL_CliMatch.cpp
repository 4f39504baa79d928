// ferrolin-cli match: one search of an expression in a text, printed as "N POS LEN" per group.
#include <charconv>
#include <ostream>
#include <string>

#include "cli/uFL_CliActions.h"
#include "regex/uFL_RegexEngine.h"
#include "support/uFL_Utils.h"

namespace {

// A decimal whole number; anything else is bad usage. Whether it is a usable offset is the
// engine's to say (offset 0 is its error 1006).
int ParseOffset(const std::string& Text) {
  int Value = 0;
  const char* const End = Text.data() + Text.size();
  const auto [Stop, Error] = std::from_chars(Text.data(), End, Value);
  if (Text.empty() || Error != std::errc() || Stop != End)
    throw ECliUsage("--offset needs a whole number, not '" + Text + "'");
  return Value;
}

}  // namespace

int CliMatch(const TCliArgs& Args, TCliContext& Context) {
  if (!Args.Has("expr")) throw ECliUsage("match needs --expr");
  if (Args.Has("text") == Args.Has("text-file"))
    throw ECliUsage("match needs either --text or --text-file");
  const int Offset = Args.Has("offset") ? ParseOffset(Args.Get("offset")) : 1;

  TRegexEngine Engine;
  if (Args.Has("modifiers")) {
    // The letters change the defaults exactly as a "(?...)" group would, with its error.
    uint32_t Flags = Engine.ModifierFlags();
    if (!TRegexEngine::ParseModifierLetters(Args.Get("modifiers"), Flags)) Engine.RaiseError(127);
    Engine.SetModifierFlags(Flags);
  }
  Engine.SetExpression(Args.Get("expr"));
  Engine.SetInputString(Args.Has("text") ? Args.Get("text") : ReadWholeFile(Args.Get("text-file")));
  if (!Engine.ExecPos(Offset)) return 1;
  for (int Group = 0; Group <= 14; ++Group) {
    const int Position = Engine.SubExprPos(Group);
    if (Position < 0) continue;
    Context.Out << Group << ' ' << Position << ' ' << Engine.SubExprLen(Group) << '\n';
  }
  return 0;
}
