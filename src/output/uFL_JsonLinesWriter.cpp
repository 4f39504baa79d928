// The json format: JSON Lines, one object a line: "begin", then per file its "finding" objects and
// one "file" object, then "end". A text field whose bytes are not UTF-8 shows U+FFFD for each
// invalid byte and has a field of the same name with "Base64" appended holding the bytes whole.
#include "output/uFL_JsonText.h"
#include "output/uFL_OutputWriter.h"

namespace {

// A text member, with its base64 twin when the bytes are not UTF-8.
void Text(std::string& Out, const char* Name, std::string_view Value) {
  Out += ',';
  AppendJsonTextField(Out, Name, Value);
}

void Number(std::string& Out, const char* Name, int64_t Value) {
  Out += ",\"";
  Out += Name;
  Out += "\":";
  Out += std::to_string(Value);
}

void Bool(std::string& Out, const char* Name, bool Value) {
  Out += ",\"";
  Out += Name;
  Out += Value ? "\":true" : "\":false";
}

// A list of texts, with a twin list of base64 texts when any of them is not UTF-8.
void TextList(std::string& Out, const char* Name, const std::vector<std::string>& Values) {
  bool AllUtf8 = true;
  Out += ",\"";
  Out += Name;
  Out += "\":[";
  for (size_t i = 0; i < Values.size(); ++i) {
    if (i) Out += ',';
    AllUtf8 = AppendJsonString(Out, Values[i]) && AllUtf8;
  }
  Out += ']';
  if (AllUtf8) return;
  Out += ",\"";
  Out += Name;
  Out += "Base64\":[";
  for (size_t i = 0; i < Values.size(); ++i) {
    if (i) Out += ',';
    Out += '"';
    Out += Base64(Values[i]);
    Out += '"';
  }
  Out += ']';
}

class TJsonLinesWriter : public TOutputWriter {
 public:
  void Begin(const TRunRecord& Run, std::string& Out) override {
    Out += "{\"type\":\"begin\"";
    Text(Out, "tool", "Ferrolin");
    Text(Out, "version", Run.Version);
    Text(Out, "action", ActionName(Run.Action));
    Number(Out, "files", Run.FileCount);
    if (!Run.Terms.empty()) TextList(Out, "terms", Run.Terms);
    Out += "}\n";
  }

  void File(const TFileReport& File, std::string& Out) override {
    const TFileOutcome& Outcome = *File.Outcome;
    // Every finding repeats the path: it is escaped once.
    std::string Path;
    Text(Path, "path", Outcome.Path);
    for (const TReportedFinding& R : File.Findings) {
      const TFinding& F = *R.Finding;
      Out += "{\"type\":\"finding\"";
      Out += Path;
      if (F.Line > 0) Number(Out, "line", F.Line);
      if (F.Column > 0) Number(Out, "column", F.Column);
      if (F.EndColumn > 0) Number(Out, "endColumn", F.EndColumn);
      Text(Out, "rule", F.RuleId);
      Text(Out, "category", F.Category);
      Text(Out, "message", F.Message);
      if (!F.LineText.empty()) Text(Out, "lineText", F.LineText);
      Bool(Out, "suppressed", F.Suppressed);
      Out += "}\n";
    }
    Out += "{\"type\":\"file\"";
    Out += Path;
    Out += ",\"counts\":[";
    for (size_t i = 0; i < Outcome.TermCounts.size(); ++i) {
      if (i) Out += ',';
      Out += std::to_string(Outcome.TermCounts[i]);
    }
    Out += ']';
    Number(Out, "findings", int64_t(File.Findings.size()));
    Bool(Out, "saved", Outcome.Saved);
    if (Outcome.Errors.empty())
      Out += ",\"error\":null";
    else
      Text(Out, "error", Outcome.Errors.front());
    if (Outcome.ExitCode != 0) Number(Out, "exitCode", Outcome.ExitCode);
    Out += "}\n";
  }

  void End(const TRunRecord& Run, const TReportTotals& Totals, std::string& Out) override {
    Out += "{\"type\":\"end\"";
    TextList(Out, "statistics", Run.Statistics);
    Number(Out, "findings", Totals.Findings);
    Number(Out, "unsuppressed", Totals.Unsuppressed);
    Number(Out, "baselined", Totals.Baselined);
    Out += "}\n";
  }
};

}  // namespace

std::unique_ptr<TOutputWriter> CreateJsonLinesWriter() {
  return std::make_unique<TJsonLinesWriter>();
}
