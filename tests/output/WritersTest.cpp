// The writers over hand-made outcomes: the grep lines, the JSON Lines objects, the SARIF log's
// shape, the bytes that are not UTF-8, and what the fingerprints hold on to.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "OutputTestUtil.h"
#include "files/uFL_CheckTable.h"
#include "output/uFL_Fingerprint.h"
#include "output/uFL_JsonText.h"
#include "output/uFL_OutputRules.h"

TEST(GrepWriter, OneLinePerFindingInFileOrder) {
  TFinding Suppressed = Note("FL001", "Local object L is never freed", 7);
  Suppressed.Suppressed = true;
  const std::string Out =
      Written(TOutputFormat::ofGrep,
              {Outcome("/src/a.pas", {Hit(12, 3, "  begin"), Note("FL012", "No Try..Except", 0),
                                      Note("FL010", "L created 1 times", 4), Suppressed}),
               Outcome("/src/b.pas", {Note("error", "Binary file, skipped")})});
  EXPECT_EQ(Out,
            "/src/a.pas:12:3: search   begin\n"
            "/src/a.pas: FL012 No Try..Except\n"
            "/src/a.pas:4:1: FL010 L created 1 times\n"
            "/src/b.pas: error Binary file, skipped\n");
}

TEST(JsonText, EscapesAndReplacesOnlyWhatItMust) {
  const struct {
    std::string In, Json;
    bool Utf8;
  } Cases[] = {
      {"a\"b\\c/", "\"a\\\"b\\\\c/\"", true},
      {"\t\n\r\x01\x1f", "\"\\t\\n\\r\\u0001\\u001f\"", true},
      {"\xC3\xA4\xE2\x82\xAC\xF0\x9F\x98\x80", "\"\xC3\xA4\xE2\x82\xAC\xF0\x9F\x98\x80\"", true},
      {"x\xFFy", "\"x\xEF\xBF\xBDy\"", false},
      {"\xC0\xAF", "\"\xEF\xBF\xBD\xEF\xBF\xBD\"", false},                  // overlong
      {"\xED\xA0\x80", "\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\"", false},  // surrogate
      {"\xE2\x82", "\"\xEF\xBF\xBD\xEF\xBF\xBD\"", false},                  // cut short
      {"\xF4\x90\x80\x80", "\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\"", false},
  };
  for (const auto& C : Cases) {
    std::string Out;
    AppendJsonString(Out, C.In);
    EXPECT_EQ(Out, C.Json) << C.In;
    EXPECT_EQ(IsUtf8(C.In), C.Utf8) << C.In;
    EXPECT_EQ(FromBase64(Base64(C.In)), C.In);
    // The same amid long plain runs, which are looked at sixteen bytes at a time.
    for (size_t Pad : {size_t(15), size_t(16), size_t(21)}) {
      const std::string Plain(Pad, 'p');
      Out.clear();
      AppendJsonString(Out, Plain + C.In + Plain + C.In);
      const std::string Inner = C.Json.substr(1, C.Json.size() - 2);
      EXPECT_EQ(Out, '"' + Plain + Inner + Plain + Inner + '"') << C.In << " after " << Pad;
    }
  }
}

TEST(JsonLinesWriter, BeginFindingsFileEnd) {
  TFileOutcome A = Outcome("/src/a.pas", {Hit(2, 5, "x begin"), Note("FL012", "No Try")});
  A.TermCounts = {1, 0};
  A.Saved = true;
  TFileOutcome B = Outcome("/src/b\xFF.pas", {Note("error", "Error loading file: gone")});
  B.Errors = {"Error loading file: gone"};
  B.Findings[0].Suppressed = true;
  TRunRecord R = RunOf();
  R.Terms = {"begin", "x"};
  R.Statistics = {"Action took 0 seconds", "2 files were done"};
  const auto Objects = JsonLines(Written(TOutputFormat::ofJson, {A, B}, R));

  ASSERT_EQ(Objects.size(), 7u);
  EXPECT_EQ(Objects[0], nlohmann::json::parse(R"({"type":"begin","tool":"Ferrolin",
      "version":"0.25 Alpha","action":"search","files":2,"terms":["begin","x"]})"));
  EXPECT_EQ(Objects[1], nlohmann::json::parse(R"({"type":"finding","path":"/src/a.pas","line":2,
      "column":5,"endColumn":10,"rule":"search","category":"Search","message":"x begin",
      "lineText":"x begin","suppressed":false})"));
  EXPECT_FALSE(Objects[2].contains("line"));
  EXPECT_EQ(Objects[3], nlohmann::json::parse(R"({"type":"file","path":"/src/a.pas",
      "counts":[1,0],"findings":2,"saved":true,"error":null})"));
  EXPECT_EQ(Objects[4]["path"], "/src/b\xEF\xBF\xBD.pas");
  EXPECT_EQ(FromBase64(Objects[4]["pathBase64"]), "/src/b\xFF.pas");
  EXPECT_EQ(Objects[4]["suppressed"], true);
  EXPECT_EQ(Objects[5]["error"], "Error loading file: gone");
  EXPECT_EQ(Objects[6], nlohmann::json::parse(R"({"type":"end","statistics":
      ["Action took 0 seconds","2 files were done"],"findings":3,"unsuppressed":2,"baselined":0})"));
}

TEST(Fingerprints, FollowTheLineTextNotItsNumber) {
  const auto Before = Fingerprints({Hit(3, 1, "  FList.Free;"), Hit(9, 1, "FList.Free;")}, "a.pas");
  // Lines inserted above, blanks changed around the text: the same findings.
  const auto Moved =
      Fingerprints({Hit(5, 1, "FList.Free;  "), Hit(20, 1, "\tFList.Free;")}, "a.pas");
  EXPECT_EQ(Before, Moved);
  // Identical texts are told apart by their order; the first keeps its print when one goes.
  EXPECT_NE(Before[0], Before[1]);
  EXPECT_EQ(Fingerprints({Hit(9, 1, "FList.Free;")}, "a.pas")[0], Before[0]);
  EXPECT_NE(Fingerprints({Hit(3, 1, "FList.Free; ")}, "b.pas")[0], Before[0]);
  EXPECT_NE(Fingerprints({Hit(3, 1, "FList .Free;")}, "a.pas")[0], Before[0]);
  EXPECT_NE(Fingerprints({Hit(3, 1, "FList.Free;", "replace")}, "a.pas")[0], Before[0]);
  // Without line text the message counts.
  EXPECT_NE(Fingerprints({Note("FL012", "one")}, "a.pas")[0],
            Fingerprints({Note("FL012", "two")}, "a.pas")[0]);
}

TEST(SarifWriter, RulesResultsLocationsAndSuppressions) {
  TFinding Suppressed = Note("FL001", "Local object L is never freed", 7);
  Suppressed.Suppressed = true;
  // "ä" takes two bytes: byte column 6 is code point column 5.
  TFinding Wide = Hit(2, 6, "\xC3\xA4 = begin");
  const auto Log = nlohmann::json::parse(
      Written(TOutputFormat::ofSarif,
              {Outcome("/src/sub/a b.pas", {Wide, Suppressed}),
               Outcome("/elsewhere/c.pas", {Note("error", "Binary file, skipped")})}));
  const auto& R = Log["runs"][0];
  ASSERT_EQ(R["tool"]["driver"]["rules"].size(), OutputRules().size());
  EXPECT_EQ(R["tool"]["driver"]["version"], "0.25 Alpha");
  EXPECT_EQ(R["originalUriBaseIds"]["SRCROOT"]["uri"], "file:///src/");
  const auto& Results = R["results"];
  ASSERT_EQ(Results.size(), 3u);
  for (const auto& Result : Results)
    EXPECT_EQ(R["tool"]["driver"]["rules"][Result["ruleIndex"].get<int>()]["id"], Result["ruleId"]);
  const auto& First = Results[0]["locations"][0]["physicalLocation"];
  EXPECT_EQ(First["artifactLocation"],
            nlohmann::json::parse(R"({"uri":"sub/a%20b.pas","uriBaseId":"SRCROOT"})"));
  EXPECT_EQ(First["region"],
            nlohmann::json::parse(R"({"startLine":2,"startColumn":5,"endColumn":10})"));
  EXPECT_FALSE(Results[0].contains("suppressions"));
  EXPECT_EQ(Results[1]["suppressions"], nlohmann::json::parse(R"([{"kind":"inSource"}])"));
  EXPECT_EQ(Results[1]["level"], "warning");
  EXPECT_EQ(Results[2]["locations"][0]["physicalLocation"]["artifactLocation"],
            nlohmann::json::parse(R"({"uri":"file:///elsewhere/c.pas"})"));
  EXPECT_EQ(Results[2]["level"], "error");
}

// The log's rules come from the check table: every check and the output's own rules, each once.
TEST(OutputRules, EveryCheckRowOnceBesideTheActionRules) {
  std::set<std::string> Ids;
  for (const TOutputRule& Rule : OutputRules()) EXPECT_TRUE(Ids.insert(Rule.Id).second) << Rule.Id;
  for (const TCheckRow& Row : CheckTable) {
    const int I = OutputRuleIndex(Row.RuleId);
    ASSERT_GE(I, 0) << Row.RuleId;
    EXPECT_STREQ(OutputRules()[size_t(I)].Name, Row.RuleName);
    EXPECT_STREQ(OutputRules()[size_t(I)].Level, "warning");
  }
  for (const char* Own : {"search", "replace", "error", "exitcode"})
    EXPECT_GE(OutputRuleIndex(Own), 0) << Own;
  EXPECT_EQ(OutputRules().size(), std::size(CheckTable) + 4);
}
