// Command-line parsing for ferrolin-cli.
#include "cli/uFL_CliArgs.h"

#include <algorithm>

#include "files/uFL_CheckTable.h"
#include "support/uFL_Version.h"

const std::vector<TCliOption>& CliOptions() {
  static const std::vector<TCliOption> Options = [] {
    std::vector<TCliOption> All = {
        {"dir", "DIR", false, "start directory of the file set"},
        {"mask", "MASK", false, "file mask (the types are then ignored)"},
        {"type", "MASK", true, "one of the 28 file types, repeatable"},
        {"no-subdirs", nullptr, false, "do not include subdirectories"},
        {"list", "FILE", false, "a file-list file instead of --dir"},
        {"term", "TEXT", true, "search term, repeatable, in order"},
        {"terms-file", "FILE", false, "text file with one search term a line"},
        {"replacement", "TEXT", true, "replacement text, repeatable"},
        {"replacements-file", "FILE", false, "text file with one replacement a line"},
        {"regex", nullptr, false, "terms are regular expressions"},
        {"case-sensitive", nullptr, false, "search case sensitive"},
        {"confirm", nullptr, false, "ask before overwriting each changed file"},
        {"program", "PROG", false, "program to run with every file"},
        {"params", "TEXT", false, "parameters; !P is the directory, !N the file name"},
        {"no-wait", nullptr, false, "do not wait for the program (Multithreading Madness)"},
        {"show-output", nullptr, false, "show the program's output"},
    };
    // The check flags come from the check table, in its order, where the checks stood before.
    for (const TCheckRow& Row : CheckTable) All.push_back({Row.Flag, nullptr, false, Row.Help});
    All.insert(
        All.end(),
        {
            {"unit", "TEXT", false, "unit to add to the second uses clause"},
            {"expr", "TEXT", false, "regular expression (match)"},
            {"text", "TEXT", false, "text to match against (match)"},
            {"text-file", "FILE", false, "file whose bytes are matched against (match)"},
            {"offset", "N", false, "1-based position to start matching at (match)"},
            {"modifiers", "LETTERS", false, "modifier letters, as a (?...) group applies them (match)"},
            {"threads", "N", false, "threads that read and search files (default: one per core)"},
            {"dry-run", nullptr, false, "change no file; print the diff of what would change"},
            {"run", "ID", false, "the journaled run to undo (undo; see undo --list)"},
            {"format", "FORMAT", false,
             "output: text (the results tree), grep, json (JSON Lines) or sarif"},
            {"results", "FILE", false, "write the output to FILE too (text: the tree with CR LF)"},
            {"filenames-only", nullptr, false, "write only the file nodes (text)"},
            {"baseline", "FILE", false, "leave out the findings of an earlier run's SARIF log"},
            {"trace", "FILE", false, "turn tracing on and write the trace lines to FILE"},
            {"save-list", "FILE", false, "write the file set as a file-list file"},
            {"fail-on-results", nullptr, false,
             "exit 1 when some file has results (other formats and --baseline: unsuppressed "
             "findings)"},
            {"help", nullptr, false, "show this text"},
            {"version", nullptr, false, "show the version"},
        });
    return All;
  }();
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
  bool SawHelp = false, SawVersion = false;
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
      // "undo --list" lists the journaled runs: there the option names no file.
      const bool TakesValue = Option->TakesValue() && !(Result.Action == "undo" && Name == "list");
      if (TakesValue && !Inline) {
        // The next word is the value whatever it looks like, so that terms may start with "-".
        if (i + 1 >= Args.size()) throw ECliUsage("option --" + Name + " needs a value");
        Value = Args[++i];
      } else if (!TakesValue && Inline) {
        throw ECliUsage("option --" + Name + " takes no value");
      }
      if (Name == "help") SawHelp = true;
      if (Name == "version") SawVersion = true;
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
  if (SawVersion) Result.Action = "version";
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
      "ACTION: list | search | replace | run | delphi-check | oracle-check | add-unit | match"
      " | undo\n"
      "\nOptions:\n";
  for (const auto& Option : CliOptions()) {
    std::string Left = std::string("  --") + Option.Name;
    if (Option.Value) Left += std::string(" ") + Option.Value;
    if (Left.size() < 28) Left.resize(28, ' ');
    Text += Left + " " + Option.Help + "\n";
  }
  Text +=
      "\nExit status: 0 done; 1 no match (match) or --fail-on-results and some file has results;\n"
      "2 bad usage, bad input, or the action ended by an error.\n";
  return Text;
}

std::string CliVersion() {
  return std::string("ferrolin-cli ") + FerrolinVersion + "\n";
}
