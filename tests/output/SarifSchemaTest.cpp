// The SARIF logs validated against the published SARIF 2.1.0 JSON schema by a JSON-schema
// validator (tests/output/validate_sarif.py): the logs of every action, and a hand-made run with
// suppressed findings, columns, bytes that are not UTF-8 and a path outside the start directory.
#include <gtest/gtest.h>

#include <cstdio>

#include "OutputTestUtil.h"
#include "support/CliCall.h"
#include "support/TempTree.h"

namespace {

struct TValidation {
  int Status;
  std::string Output;
};

TValidation Validate(const std::vector<std::string>& Logs) {
  std::string Command = std::string("'") + FERROLIN_SCHEMA_PYTHON + "' '" +
                        FERROLIN_SARIF_VALIDATOR + "' '" + FERROLIN_SARIF_SCHEMA + "'";
  for (const std::string& Log : Logs) Command += " '" + Log + "'";
  Command += " 2>&1";
  TValidation V{-1, {}};
  FILE* Pipe = popen(Command.c_str(), "r");
  if (!Pipe) return V;
  char Buffer[4096];
  for (size_t N; (N = fread(Buffer, 1, sizeof Buffer, Pipe)) > 0;) V.Output.append(Buffer, N);
  const int Status = pclose(Pipe);
  V.Status = WIFEXITED(Status) ? WEXITSTATUS(Status) : -1;
  return V;
}

TEST(SarifSchema, EveryLogValidates) {
  TTempTree T;
  T.File("src/a.pas", "begin\n  x := 1; \xFF\nend.\n");
  T.File("src/bin.pas", std::string("bin\0ary", 7));
  std::vector<std::string> Logs;
  const std::vector<std::vector<std::string>> Actions = {
      {"search", "--term", "x"},
      {"replace", "--term", "x", "--replacement", "y"},
      {"run", "--program", "false"},
      {"delphi-check", "--create-destroy", "--no-try-except"},
      {"oracle-check"},
      {"add-unit", "--unit", "U"}};
  for (const auto& Action : Actions) {
    std::vector<std::string> Args = Action;
    Logs.push_back(T.Path(Action[0] + ".sarif"));
    Args.insert(Args.end(), {"--format", "sarif", "--results", Logs.back()});
    EXPECT_EQ(CallCli(ActionArgs(T.Path("src"), "*.pas", Args)).Status, 0) << Action[0];
  }

  TFinding Suppressed = Note("FL003", "Destructor TA.Destroy never calls inherited", 4);
  Suppressed.Suppressed = true;
  TFinding Odd = Hit(3, 2, "a \xFE\xFF b");
  Odd.Message = "bytes \xC0 here";
  std::ofstream(T.Path("made.sarif"))
      << Written(TOutputFormat::ofSarif,
                 {Outcome("/src/x y\xFF.pas", {Suppressed, Odd, Note("unlisted", "")}),
                  Outcome("/other/z.pas", {Note("error", "Error loading file: gone")})});
  Logs.push_back(T.Path("made.sarif"));

  const TValidation V = Validate(Logs);
  EXPECT_EQ(V.Status, 0) << V.Output;

  // The validator is no mere parser: a log without a tool name fails.
  std::ofstream(T.Path("broken.sarif")) << R"({"version":"2.1.0","runs":[{"tool":{"driver":{}}}]})";
  EXPECT_EQ(Validate({T.Path("broken.sarif")}).Status, 1);
}

}  // namespace
