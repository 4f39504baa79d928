// ferrolin-cli's dry run, journal and undo, end to end. Every test of this program journals into
// a temporary state directory, never into the user's.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "output/uFL_JsonText.h"
#include "support/CliCall.h"
#include "support/TempTree.h"

namespace {

// Set before any test runs, so the replaces of every test of this program (and the programs they
// start) journal here.
const struct TStateHome {
  TTempTree Tree;
  TStateHome() { setenv("XDG_STATE_HOME", Tree.Path("state").c_str(), 1); }
} StateHome;

// A tree whose files mix line breaks, lack a final break, hold Latin-1 bytes and a BOM.
void MakeTree(const TTempTree& T) {
  T.File("src/a.txt", "keep\r\nold one\nkeep\r\nold two");
  T.File("src/sub/b.txt",
         "\xEF\xBB\xBF"
         "caf\xE9 old\rnext\r");
  T.File("src/c.txt", "nothing to change\n");
  T.File("src/u.pas", "unit u;\ninterface\nimplementation\nuses A;\nend.\n");
  T.File("src/v.pas", "unit v;\r\ninterface\r\nimplementation\r\nend.\r\n");
}

std::map<std::string, std::string> Snapshot(const std::string& Dir) {
  std::map<std::string, std::string> Files;
  for (const auto& E : std::filesystem::recursive_directory_iterator(Dir))
    if (E.is_regular_file())
      Files[E.path().lexically_relative(Dir).string()] = TTempTree::ReadFile(E.path().string());
  return Files;
}

struct TDryRunCase {
  const char* Name;
  std::vector<std::string> Action;
  const char* Mask;
};

class DryRun : public testing::TestWithParam<TDryRunCase> {};

TEST_P(DryRun, ChangesNothingAndItsDiffGivesWhatTheRealRunWrites) {
  TTempTree T;
  MakeTree(T);
  const auto Before = Snapshot(T.Path("src"));
  std::vector<std::string> Args = ActionArgs(T.Path("src"), GetParam().Mask, GetParam().Action);
  Args.push_back("--dry-run");
  const TCliCall Dry = CallCli(Args);
  ASSERT_EQ(Dry.Status, 0) << Dry.Err;
  EXPECT_EQ(Snapshot(T.Path("src")), Before);
  ASSERT_NE(Dry.Out.find("--- a/"), std::string::npos) << Dry.Out;

  std::filesystem::copy(T.Path("src"), T.Path("copy"), std::filesystem::copy_options::recursive);
  T.File("dry.diff", Dry.Out);
  const std::string Cmd = "cd '" + T.Path("copy") + "' && patch -p1 -s < ../dry.diff";
  ASSERT_EQ(std::system(Cmd.c_str()), 0) << Dry.Out;
  Args.pop_back();
  ASSERT_EQ(CallCli(Args).Status, 0);
  EXPECT_EQ(Snapshot(T.Path("copy")), Snapshot(T.Path("src")));
  EXPECT_NE(Snapshot(T.Path("src")), Before);
}

INSTANTIATE_TEST_SUITE_P(
    Actions, DryRun,
    testing::Values(TDryRunCase{"replace",
                                {"replace", "--term", "old", "--replacement", "NEW",
                                 "--case-sensitive"},
                                "*.txt"},
                    TDryRunCase{"add_unit", {"add-unit", "--unit", "MyUnit"}, "*.pas"}),
    [](const auto& Info) { return std::string(Info.param.Name); });

TEST(DryRun, ResultsListThePreviewAndCountTheFilesThatWouldChange) {
  TTempTree T;
  MakeTree(T);
  const TCliCall Dry = CallCli(ActionArgs(T.Path("src"), "*.txt",
                                          {"replace", "--term", "old", "--replacement", "NEW",
                                           "--dry-run", "--results", T.Path("r.txt")}));
  ASSERT_EQ(Dry.Status, 0) << Dry.Err;
  const std::string Results = SteadyDuration(T.Read("r.txt"));
  EXPECT_NE(Results.find("\t\t0 files were saved\r\n\t\t2 files would be changed\r\n"),
            std::string::npos)
      << Results;
  EXPECT_NE(Results.find("\tPreview\r\n\t\t[Line 2] NEW one\r\n\t\t[Line 4] NEW two\r\n"),
            std::string::npos)
      << Results;
}

TEST(DryRun, InJsonEachFileThatWouldChangeIsAPreviewObjectWithTheSameDiff) {
  TTempTree T;
  MakeTree(T);
  const auto Before = Snapshot(T.Path("src"));
  std::vector<std::string> Args = ActionArgs(
      T.Path("src"), "*.txt", {"replace", "--term", "old", "--replacement", "NEW", "--dry-run"});
  const TCliCall Text = CallCli(Args);
  Args.insert(Args.end(), {"--format", "json"});
  const TCliCall Json = CallCli(Args);
  ASSERT_EQ(Json.Status, 0) << Json.Err;
  EXPECT_EQ(Snapshot(T.Path("src")), Before);
  // The Latin-1 file's diff is not UTF-8: its bytes ride whole in diffBase64.
  std::string Diffs, Types, Latin1Bytes;
  std::istringstream Lines(Json.Out);
  for (std::string Line; std::getline(Lines, Line);) {
    const nlohmann::json Object = nlohmann::json::parse(Line);
    Types += Object["type"].get<std::string>() + " ";
    if (Object["type"] != "preview") continue;
    Diffs += Object["diff"].get<std::string>();
    if (Object.contains("diffBase64")) Latin1Bytes = Object["diffBase64"].get<std::string>();
  }
  EXPECT_EQ(Diffs, Utf8Text(Text.Out));
  EXPECT_EQ(Latin1Bytes, Base64(Text.Out.substr(Text.Out.find("--- a/sub/b.txt"))));
  EXPECT_NE(Types.find("preview preview end"), std::string::npos) << Types;
}

TEST(Undo, RestoresEveryFileButOneEditedSinceWhichItNames) {
  TTempTree T;
  MakeTree(T);
  const auto Before = Snapshot(T.Path("src"));
  ASSERT_EQ(CallCli(ActionArgs(T.Path("src"), "*.txt",
                               {"replace", "--term", "old", "--replacement", "NEW"}))
                .Status,
            0);
  T.File("src/a.txt", "edited after the replace\n");
  const TCliCall Undo = CallCli({"undo"});
  ASSERT_EQ(Undo.Status, 0) << Undo.Err;
  auto Expected = Before;
  Expected["a.txt"] = "edited after the replace\n";
  EXPECT_EQ(Snapshot(T.Path("src")), Expected);
  EXPECT_EQ(SteadyDuration(Undo.Out),
            "Results for Undo\n\tStatistics\n\t\tAction took 0 seconds\n\t\t1 file was restored\n"
            "\t\t1 file was not restored\n" +
                std::filesystem::canonical(T.Path("src/a.txt")).string() +
                "\n\tUndo\n\t\tchanged since the replace, not restored\n");

  const TCliCall List = CallCli({"undo", "--list"});
  ASSERT_EQ(List.Status, 0);
  EXPECT_NE(List.Out.find("\treplace\t[old] -> [NEW]\t2 files\tundone\n"), std::string::npos)
      << List.Out;
}

TEST(Undo, AnUnwritableStateDirectoryStopsTheReplaceBeforeAnyFile) {
  TTempTree T;
  MakeTree(T);
  const auto Before = Snapshot(T.Path("src"));
  const std::string Saved = std::getenv("XDG_STATE_HOME");
  setenv("XDG_STATE_HOME", T.File("not-a-folder").c_str(), 1);
  const TCliCall Run = CallCli(
      ActionArgs(T.Path("src"), "*.txt", {"replace", "--term", "old", "--replacement", "NEW"}));
  setenv("XDG_STATE_HOME", Saved.c_str(), 1);
  EXPECT_EQ(Run.Status, 2);
  EXPECT_NE(Run.Err.find("Cannot keep the originals for undo in"), std::string::npos) << Run.Err;
  EXPECT_EQ(Snapshot(T.Path("src")), Before);
}

}  // namespace
