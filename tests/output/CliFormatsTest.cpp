// ferrolin-cli --format over a small tree: every action in every format, the text output left as
// it was, --results in the chosen format, the baseline round trip and unusable baselines.
#include <gtest/gtest.h>

#include <regex>
#include <sstream>

#include "OutputTestUtil.h"
#include "support/CliCall.h"
#include "support/TempTree.h"

namespace {

class CliFormats : public ::testing::Test {
 protected:
  void SetUp() override {
    T.File("src/a.pas", "unit a;\ninterface\nimplementation\nbegin\n  x := 1;\nend.\n");
    T.File("src/bin.pas", std::string("bin\0ary", 7));
    T.File("src/sub/c.pas", "unit c;\n// nothing here\n");
  }
  TCliCall Call(std::vector<std::string> Extra) {
    return CallCli(ActionArgs(T.Path("src"), "*.pas", Extra));
  }
  TTempTree T;
};

// The (path, rule) pairs of a run's output, whatever the format.
std::set<std::pair<std::string, std::string>> Found(const std::string& Format,
                                                    const std::string& Out) {
  std::set<std::pair<std::string, std::string>> Pairs;
  if (Format == "grep") {
    const std::regex Line(R"(^(.*?)(:[0-9]+:[0-9]+)?: (\S+) .*$)");
    std::istringstream In(Out);
    for (std::string L; std::getline(In, L);) {
      std::smatch M;
      EXPECT_TRUE(std::regex_match(L, M, Line)) << L;
      Pairs.insert({M[1].str().substr(M[1].str().rfind('/') + 1), M[3]});
    }
  } else if (Format == "json") {
    const auto Objects = JsonLines(Out);
    EXPECT_EQ(Objects.front()["type"], "begin");
    EXPECT_EQ(Objects.back()["type"], "end");
    int Files = 0;
    for (const auto& O : Objects) {
      Files += O["type"] == "file";
      if (O["type"] != "finding") continue;
      const std::string Path = O["path"];
      Pairs.insert({Path.substr(Path.rfind('/') + 1), O["rule"]});
    }
    EXPECT_EQ(Files, 3);
    EXPECT_EQ(Objects.front()["files"], 3);
  } else {
    const auto Log = nlohmann::json::parse(Out);
    for (const auto& R : Log["runs"][0]["results"]) {
      const std::string Uri = R["locations"][0]["physicalLocation"]["artifactLocation"]["uri"];
      Pairs.insert({Uri.substr(Uri.rfind('/') + 1), R["ruleId"]});
    }
  }
  return Pairs;
}

TEST_F(CliFormats, EveryActionInEveryFormat) {
  const struct {
    std::vector<std::string> Action;
    std::set<std::pair<std::string, std::string>> Expected;  // at least these
  } Actions[] = {
      {{"search", "--term", "x :="}, {{"a.pas", "search"}, {"bin.pas", "error"}}},
      {{"replace", "--term", "x :=", "--replacement", "y :="},
       {{"a.pas", "replace"}, {"bin.pas", "error"}}},
      {{"run", "--program", "false"}, {{"a.pas", "exitcode"}, {"c.pas", "exitcode"}}},
      {{"delphi-check", "--no-try-except"}, {{"bin.pas", "error"}}},
      {{"oracle-check"}, {{"bin.pas", "error"}}},
      {{"add-unit", "--unit", "Extra"}, {{"bin.pas", "error"}}},
  };
  for (const auto& A : Actions) {
    for (const std::string Format : {"grep", "json", "sarif"}) {
      SetUp();  // the replace and the added unit change the files: every run starts alike
      std::vector<std::string> Args = A.Action;
      Args.insert(Args.end(), {"--format", Format, "--results", T.Path("out")});
      const TCliCall R = Call(Args);
      SCOPED_TRACE(A.Action[0] + " --format " + Format);
      EXPECT_EQ(R.Status, 0) << R.Err;
      EXPECT_EQ(T.Read("out"), R.Out);
      const auto Pairs = Found(Format, R.Out);
      for (const auto& Pair : A.Expected)
        EXPECT_TRUE(Pairs.count(Pair)) << Pair.first << " " << Pair.second;
    }
  }
}

// The end record's statistics are the text tree's, also where no file object keeps nodes.
TEST_F(CliFormats, StatisticsAreTheSameInEveryFormat) {
  for (const std::vector<std::string>& Action :
       {std::vector<std::string>{"search", "--term", "x :="},
        {"delphi-check", "--no-try-except"}}) {
    std::vector<std::string> Json = Action;
    Json.insert(Json.end(), {"--format", "json"});
    const auto End = JsonLines(Call(Json).Out).back();
    std::vector<std::string> FromJson(End["statistics"].begin() + 1, End["statistics"].end());
    // The lines under "Statistics", up to the first file node.
    std::vector<std::string> FromText;
    std::istringstream In(Call(Action).Out);
    std::string L;
    while (std::getline(In, L) && L != "\tStatistics") {
    }
    while (std::getline(In, L) && L.rfind("\t\t", 0) == 0)
      if (L.find("Action took") == std::string::npos) FromText.push_back(L.substr(2));
    EXPECT_EQ(FromJson, FromText) << Action[0];
  }
}

TEST_F(CliFormats, TextIsTheTreeAsBefore) {
  const TCliCall Plain = Call({"search", "--term", "x", "--fail-on-results"});
  const TCliCall Text = Call({"search", "--term", "x", "--format", "text", "--fail-on-results"});
  EXPECT_EQ(SteadyDuration(Text.Out), SteadyDuration(Plain.Out));
  EXPECT_EQ(Text.Status, 1);
}

TEST_F(CliFormats, BaselineRoundTrip) {
  T.File("src/bin.pas", "");
  const std::string Baseline = T.Path("base.sarif");
  TCliCall R = Call({"search", "--term", "x :=", "--format", "sarif", "--results", Baseline});
  ASSERT_EQ(R.Status, 0) << R.Err;

  // Its own log as the baseline leaves nothing, and nothing fails.
  R = Call({"search", "--term", "x :=", "--format", "grep", "--baseline", Baseline,
            "--fail-on-results"});
  EXPECT_EQ(R.Status, 0) << R.Err;
  EXPECT_EQ(R.Out, "");

  // Lines come in above the finding: it stays known. A new one shows, and fails the run.
  T.File("src/a.pas",
         "unit a;\n\n\ninterface\nimplementation\nbegin\n  x := 1;\n  x := 2;\nend.\n");
  R = Call({"search", "--term", "x :=", "--format", "grep", "--baseline", Baseline,
            "--fail-on-results"});
  EXPECT_EQ(R.Status, 1);
  EXPECT_EQ(R.Out, T.Path("src/a.pas") + ":8:3: search   x := 2;\n");
  R = Call({"search", "--term", "x :=", "--format", "json", "--baseline", Baseline});
  EXPECT_EQ(JsonLines(R.Out).back()["baselined"], 1);
  // The text format keeps its tree; the baseline still decides the exit status.
  R = Call({"search", "--term", "x := 1", "--baseline", Baseline, "--fail-on-results"});
  EXPECT_EQ(R.Status, 0);
  EXPECT_NE(R.Out.find("[Line    7]   x := 1;"), std::string::npos);
}

TEST_F(CliFormats, UnusableBaselineIsAUsageErrorBeforeAnythingChanges) {
  T.File("not-json", "{\"version\":");
  T.File("not-sarif", "{\"version\":\"1.0\",\"runs\":[]}");
  T.File("foreign", R"({"version":"2.1.0","runs":[{"tool":{"driver":{"name":"x"}},
                        "results":[{"message":{"text":"m"}}]}]})");
  const std::string A = T.Read("src/a.pas");
  for (const std::string Name : {"missing", "not-json", "not-sarif", "foreign"}) {
    const TCliCall R = Call({"replace", "--term", "x", "--replacement", "y", "--format", "sarif",
                             "--baseline", T.Path(Name)});
    EXPECT_EQ(R.Status, 2) << Name;
    EXPECT_EQ(R.Out, "") << Name;
    EXPECT_NE(R.Err.find("baseline " + T.Path(Name) + ": "), std::string::npos) << R.Err;
    EXPECT_EQ(T.Read("src/a.pas"), A);
  }
}

TEST_F(CliFormats, BadFormatOptions) {
  for (const auto& Extra : std::vector<std::vector<std::string>>{
           {"--format", "xml"}, {"--format", "json", "--filenames-only"}}) {
    std::vector<std::string> Args = {"search", "--term", "x"};
    Args.insert(Args.end(), Extra.begin(), Extra.end());
    const TCliCall R = Call(Args);
    EXPECT_EQ(R.Status, 2);
    EXPECT_EQ(R.Out, "");
  }
}

}  // namespace
