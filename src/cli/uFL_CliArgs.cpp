// Command-line parsing for ferrolin-cli.
#include "cli/uFL_CliArgs.h"

#include <algorithm>

const std::vector<TCliOption>& CliOptions() {
  static const std::vector<TCliOption> Options = {
      {"dir", true, false, "start directory of the file set"},
      {"mask", true, false, "file mask (the types are then ignored)"},
      {"type", true, true, "one of the 28 file types, repeatable"},
      {"no-subdirs", false, false, "do not include subdirectories"},
      {"list", true, false, "a file-list file instead of --dir"},
      {"term", true, true, "search term, repeatable, in order"},
      {"terms-file", true, false, "text file with one search term a line"},
      {"replacement", true, true, "replacement text, repeatable"},
      {"replacements-file", true, false, "text file with one replacement a line"},
      {"regex", false, false, "terms are regular expressions"},
      {"case-sensitive", false, false, "search case sensitive"},
      {"confirm", false, false, "ask before overwriting each changed file"},
      {"program", true, false, "program to run with every file"},
      {"params", true, false, "parameters; !P is the directory, !N the file name"},
      {"no-wait", false, false, "do not wait for the program (Multithreading Madness)"},
      {"show-output", false, false, "show the program's output"},
      {"create-destroy", false, false, "check: objects created and destroyed unequally"},
      {"setabort-setcomplete", false, false, "check: SetAbort/SetComplete rules"},
      {"no-try-except", false, false, "check: units without try..except"},
      {"inherited", false, false, "check: inherited calls in strange places"},
      {"unit", true, false, "unit to add to the second uses clause"},
      {"expr", true, false, "regular expression (match)"},
      {"text", true, false, "text to match against (match)"},
      {"text-file", true, false, "file whose bytes are matched against (match)"},
      {"offset", true, false, "1-based position to start matching at (match)"},
      {"modifiers", true, false, "modifier letters, as a (?...) group applies them (match)"},
      {"format", true, false, "output: text (the results tree), grep, json (JSON Lines) or sarif"},
      {"results", true, false, "write the output to FILE too (text: the tree with CR LF)"},
      {"filenames-only", false, false, "write only the file nodes (text)"},
      {"baseline", true, false, "leave out the findings of an earlier run's SARIF log"},
      {"trace", true, false, "turn tracing on and write the trace lines to FILE"},
      {"save-list", true, false, "write the file set as a file-list file"},
      {"fail-on-results", false, false,
       "exit 1 when some file has results (other formats and --baseline: unsuppressed findings)"},
      {"help", false, false, "show this text"},
  };
  return Options;
}

std::string TCliArgs::Get(const std::string& Name, const std::string& Default) const {
  auto It = Values.find(Name);
  if (It == Values.end() || It->second.empty()) return Default;
  return It->second.back();
}

const std::vector<std::string>& TCliArgs::All(const std::string& Name) const {
  static const std::vector<std::string> None;
  auto It = Values.find(Name);
  return It == Values.end() ? None : It->second;
}

static const TCliOption* FindOption(const std::string& Name) {
  for (const auto& Option : CliOptions())
    if (Name == Option.Name) return &Option;
  return nullptr;
}

TCliArgs ParseCliArgs(const std::vector<std::string>& Args) {
  TCliArgs Result;
  bool SawHelp = false;
  for (size_t i = 0; i < Args.size(); ++i) {
    const std::string& Arg = Args[i];
    if (Arg.size() > 2 && Arg.compare(0, 2, "--") == 0) {
      std::string Name = Arg.substr(2);
      std::string Value;
      bool Inline = false;
      if (auto Eq = Name.find('='); Eq != std::string::npos) {
        Value = Name.substr(Eq + 1);
        Name.resize(Eq);
        Inline = true;
      }
      const TCliOption* Option = FindOption(Name);
      if (!Option) throw ECliUsage("unknown option --" + Name);
      if (Option->TakesValue && !Inline) {
        // The next word is the value whatever it looks like, so that terms may start with "-".
        if (i + 1 >= Args.size()) throw ECliUsage("option --" + Name + " needs a value");
        Value = Args[++i];
      } else if (!Option->TakesValue && Inline) {
        throw ECliUsage("option --" + Name + " takes no value");
      }
      if (Name == "help") SawHelp = true;
      auto& Slot = Result.Values[Name];
      if (!Slot.empty() && !Option->Repeatable)
        throw ECliUsage("option --" + Name + " given more than once");
      Slot.push_back(Value);
    } else if (Result.Action.empty() && !Arg.empty() && Arg[0] != '-') {
      Result.Action = Arg;
    } else {
      throw ECliUsage("unexpected argument '" + Arg + "'");
    }
  }
  if (SawHelp) Result.Action = "help";
  return Result;
}

void CheckCliOptions(const TCliArgs& Args, const std::vector<std::string>& Allowed) {
  for (const auto& [Name, Values] : Args.Values) {
    (void)Values;
    if (std::find(Allowed.begin(), Allowed.end(), Name) == Allowed.end())
      throw ECliUsage("option --" + Name + " does not apply to " + Args.Action);
  }
}

std::string CliUsage() {
  std::string Text =
      "Usage: ferrolin-cli ACTION [options]\n"
      "ACTION: list | search | replace | run | delphi-check | oracle-check | add-unit | match\n"
      "\nOptions:\n";
  for (const auto& Option : CliOptions()) {
    std::string Left = std::string("  --") + Option.Name + (Option.TakesValue ? " VALUE" : "");
    if (Left.size() < 28) Left.resize(28, ' ');
    Text += Left + " " + Option.Help + "\n";
  }
  Text +=
      "\nExit status: 0 done; 1 no match (match) or --fail-on-results and some file has results;\n"
      "2 bad usage, bad input, or the action ended by an error.\n";
  return Text;
}
