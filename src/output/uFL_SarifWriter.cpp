// The sarif format: one SARIF 2.1.0 log of one run. Artifact URIs are relative to the start
// directory (uriBaseId SRCROOT) and percent-encoded byte by byte, so any path bytes survive;
// texts that are not UTF-8 carry their bytes in the result's properties as base64. Nothing in the
// log depends on the time, so two runs over the same files write the same log.
#include <algorithm>
#include <nlohmann/json.hpp>

#include "output/uFL_Fingerprint.h"
#include "output/uFL_JsonText.h"
#include "output/uFL_OutputRules.h"
#include "output/uFL_OutputWriter.h"

using TJson = nlohmann::ordered_json;

namespace {

constexpr const char* BaseId = "SRCROOT";

std::string PercentEncoded(std::string_view Path) {
  static constexpr char Hex[] = "0123456789ABCDEF";
  std::string Out;
  Out.reserve(Path.size());
  for (char C : Path) {
    const unsigned char B = static_cast<unsigned char>(C);
    if ((B >= 'A' && B <= 'Z') || (B >= 'a' && B <= 'z') || (B >= '0' && B <= '9') || B == '-' ||
        B == '.' || B == '_' || B == '~' || B == '/') {
      Out += C;
    } else {
      Out += '%';
      Out += Hex[B >> 4];
      Out += Hex[B & 15];
    }
  }
  return Out;
}

// Columns are byte positions in the core; the log counts code points (columnKind), taken from the
// line's text where the finding carries it.
int CodePointColumn(const TFinding& F, int ByteColumn) {
  if (F.LineText.empty() || ByteColumn <= 1) return ByteColumn;
  int Column = 1;
  const size_t End = std::min(size_t(ByteColumn - 1), F.LineText.size());
  for (size_t i = 0; i < End; ++i)
    if ((static_cast<unsigned char>(F.LineText[i]) & 0xC0) != 0x80) ++Column;
  return Column + int(size_t(ByteColumn - 1) - End);
}

// Text as the log's string, and its bytes under Name + "Base64" in Properties when not UTF-8.
std::string LogText(std::string_view Text, const char* Name, TJson& Properties) {
  if (IsUtf8(Text)) return std::string(Text);
  Properties[std::string(Name) + "Base64"] = Base64(Text);
  return Utf8Text(Text);
}

class TSarifWriter : public TOutputWriter {
 public:
  bool WantsFingerprints() const override { return true; }

  void Begin(const TRunRecord& Run, std::string&) override {
    FResults = TJson::array();
    FRun = TJson::object();
    TJson Rules = TJson::array();
    for (const TOutputRule& Rule : OutputRules())
      Rules.push_back({{"id", Rule.Id},
                       {"name", Rule.Name},
                       {"shortDescription", {{"text", Rule.ShortDescription}}},
                       {"fullDescription", {{"text", Rule.FullDescription}}},
                       {"defaultConfiguration", {{"level", Rule.Level}}}});
    FRun["tool"] = {
        {"driver", {{"name", "Ferrolin"}, {"version", Utf8Text(Run.Version)}, {"rules", Rules}}}};
    if (!Run.StartDir.empty())
      FRun["originalUriBaseIds"] = {{BaseId, {{"uri", "file://" + PercentEncoded(Run.StartDir)}}}};
    FRun["columnKind"] = "unicodeCodePoints";
    TJson Properties = TJson::object();
    Properties["action"] = ActionName(Run.Action);
    Properties["files"] = Run.FileCount;
    FRun["properties"] = Properties;
  }

  void File(const TFileReport& File, std::string&) override {
    TJson Location = {{"uri", PercentEncoded(File.RelPath)}};
    if (File.Relative)
      Location["uriBaseId"] = BaseId;
    else
      Location["uri"] = "file://" + PercentEncoded(File.RelPath);
    for (const TReportedFinding& R : File.Findings) {
      const TFinding& F = *R.Finding;
      const int RuleIndex = OutputRuleIndex(F.RuleId);
      TJson Properties = TJson::object();
      TJson Result = TJson::object();
      Result["ruleId"] = LogText(F.RuleId, "ruleId", Properties);
      if (RuleIndex >= 0) Result["ruleIndex"] = RuleIndex;
      Result["level"] = RuleIndex >= 0 ? OutputRules()[size_t(RuleIndex)].Level : "warning";
      const std::string Message = F.Message.empty() ? F.RuleId : F.Message;
      Result["message"] = {{"text", LogText(Message, "message", Properties)}};
      TJson Physical = {{"artifactLocation", Location}};
      if (F.Line > 0) {
        TJson Region = {{"startLine", F.Line}};
        if (F.Column > 0) Region["startColumn"] = CodePointColumn(F, F.Column);
        if (F.EndColumn > F.Column && F.Column > 0)
          Region["endColumn"] = CodePointColumn(F, F.EndColumn);
        Physical["region"] = Region;
      }
      Result["locations"] = TJson::array({{{"physicalLocation", Physical}}});
      Result["partialFingerprints"] = {{FingerprintKey, R.Fingerprint}};
      if (F.Suppressed) Result["suppressions"] = TJson::array({{{"kind", "inSource"}}});
      Properties["category"] = LogText(F.Category, "category", Properties);
      if (!F.LineText.empty()) Properties["lineText"] = LogText(F.LineText, "lineText", Properties);
      Result["properties"] = Properties;
      FResults.push_back(std::move(Result));
    }
  }

  void End(const TRunRecord&, const TReportTotals&, std::string& Out) override {
    FRun["results"] = std::move(FResults);
    TJson Log = {{"$schema", "https://json.schemastore.org/sarif-2.1.0.json"},
                 {"version", "2.1.0"},
                 {"runs", TJson::array({std::move(FRun)})}};
    Out += Log.dump(2);
    Out += '\n';
  }

 private:
  TJson FRun, FResults;
};

}  // namespace

std::unique_ptr<TOutputWriter> CreateSarifWriter() {
  return std::make_unique<TSarifWriter>();
}
