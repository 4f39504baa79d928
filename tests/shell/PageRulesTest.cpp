// The page rules: file types, input checks, term files, the summary line, hints, results to set.
#include "shell/uFL_PageRules.h"

#include <gtest/gtest.h>

#include "fileset/uFL_FileList.h"
#include "support/TempTree.h"
#include "support/uFL_ResultTree.h"
#include "support/uFL_Utils.h"

namespace {

// Item 0 is "*.*"; the flags say what the user's click left checked.
struct TTypeCase {
  const char* Name;
  std::vector<bool> Checked;
  bool AllFilesMode;
  std::vector<bool> After;
  bool AllFilesAfter;
  bool AnyChecked;
};

class FileTypeRules : public ::testing::TestWithParam<TTypeCase> {};

TEST_P(FileTypeRules, AllFilesAndTheOtherTypesExcludeEachOther) {
  std::vector<bool> Checked = GetParam().Checked;
  bool Mode = GetParam().AllFilesMode;
  EXPECT_EQ(ApplyFileTypeRules(Checked, Mode), GetParam().AnyChecked);
  EXPECT_EQ(Checked, GetParam().After);
  EXPECT_EQ(Mode, GetParam().AllFilesAfter);
}

INSTANTIATE_TEST_SUITE_P(
    Clicks, FileTypeRules,
    ::testing::Values(
        TTypeCase{"CheckingAllUnchecksTheOthers", {1, 1, 0, 1}, false, {1, 0, 0, 0}, true, true},
        TTypeCase{"OtherTypeAfterAllUnchecksAll", {1, 0, 1, 0}, true, {0, 0, 1, 0}, false, true},
        TTypeCase{"UncheckingAllLeavesNothing", {0, 0, 0, 0}, true, {0, 0, 0, 0}, false, false},
        TTypeCase{"PlainTypes", {0, 1, 1, 0}, false, {0, 1, 1, 0}, false, true},
        TTypeCase{"NothingChecked", {0, 0, 0, 0}, false, {0, 0, 0, 0}, false, false}),
    [](const auto& Info) { return std::string(Info.param.Name); });

struct TReplaceCase {
  const char* Name;
  std::string SearchText, ReplaceText;
  std::vector<std::string> SearchList, ReplaceList;
  const char* Message;  // null: the action may start
  size_t Terms, Replacements;
};

class ReplaceInput : public ::testing::TestWithParam<TReplaceCase> {};

TEST_P(ReplaceInput, ChecksTheInputsAndFillsEmptyListsFromTheBoxes) {
  const TReplaceCase& C = GetParam();
  std::vector<std::string> S = C.SearchList, R = C.ReplaceList;
  const char* Message = PrepareReplace(C.SearchText, C.ReplaceText, S, R);
  if (C.Message)
    EXPECT_STREQ(Message, C.Message);
  else
    EXPECT_EQ(Message, nullptr);
  EXPECT_EQ(S.size(), C.Terms);
  EXPECT_EQ(R.size(), C.Replacements);
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, ReplaceInput,
    ::testing::Values(
        TReplaceCase{"NoSearch", "", "x", {}, {}, "Please enter Search Text", 0, 0},
        TReplaceCase{"NoReplacement", "a", "", {}, {}, "Please enter Replacement Text", 0, 0},
        TReplaceCase{"Typed", "a", "b", {}, {}, nullptr, 1, 1},
        TReplaceCase{"ThreeTermsOneReplacement",
                     "",
                     "xyz",
                     {"a", "b", "c"},
                     {},
                     "Incorrect input, cannot Replace",
                     3,
                     1},
        TReplaceCase{"OneTermTwoReplacements",
                     "a",
                     "",
                     {},
                     {"x", "y"},
                     "Incorrect input, cannot Replace",
                     1,
                     2},
        TReplaceCase{"PairedLists", "", "", {"a", "b"}, {"x", "y"}, nullptr, 2, 2},
        TReplaceCase{"ListsWinOverBoxes", "typed", "typed", {"a"}, {"x"}, nullptr, 1, 1}),
    [](const auto& Info) { return std::string(Info.param.Name); });

TEST(SearchInput, EmptyBoxAndListIsRefusedAndAListIsKept) {
  std::vector<std::string> List;
  EXPECT_STREQ(PrepareSearch("", List), "Please enter Search Text");
  EXPECT_EQ(PrepareSearch("begin", List), nullptr);
  EXPECT_EQ(List, std::vector<std::string>{"begin"});
  // Searching again without entering the box uses the same term, whatever the box shows.
  EXPECT_EQ(PrepareSearch("other", List), nullptr);
  EXPECT_EQ(List, std::vector<std::string>{"begin"});
}

struct TTermFileCase {
  const char* Name;
  const char* Bytes;
  std::vector<std::string> Terms;  // empty with Rejected
  bool Rejected;
};

class TermFile : public ::testing::TestWithParam<TTermFileCase> {};

TEST_P(TermFile, OneTermALineAndNoEmptyLines) {
  TTempTree Dir;
  const std::string File = Dir.File("terms.txt", GetParam().Bytes);
  std::vector<std::string> List{"old"};
  if (GetParam().Rejected) {
    try {
      LoadTermList(File, List);
      FAIL() << "accepted";
    } catch (const std::runtime_error& E) {
      EXPECT_STREQ(E.what(), "Textfile contained empty lines, file rejected");
    }
    EXPECT_TRUE(List.empty());
  } else {
    LoadTermList(File, List);
    EXPECT_EQ(List, GetParam().Terms);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Files, TermFile,
    ::testing::Values(TTermFileCase{"One", "begin", {"begin"}, false},
                      TTermFileCase{"FinalBreak", "a\r\nb\r\n", {"a", "b"}, false},
                      TTermFileCase{"MixedBreaks", "a\nb\rc", {"a", "b", "c"}, false},
                      TTermFileCase{"BlankLineIsATerm", "a\n  \nb\n", {"a", "  ", "b"}, false},
                      TTermFileCase{"EmptyLineInTheMiddle", "a\n\nb\n", {}, true},
                      TTermFileCase{"EmptyFirstLine", "\na\n", {}, true}),
    [](const auto& Info) { return std::string(Info.param.Name); });

TEST(TermFileErrors, UnreadableFileKeepsTheList) {
  std::vector<std::string> List{"kept"};
  EXPECT_THROW(LoadTermList("/no/such/terms.txt", List), EFileError);
  EXPECT_EQ(List, std::vector<std::string>{"kept"});
}

struct TSummaryCase {
  std::vector<std::string> SearchList;
  std::string SearchText;
  std::vector<std::string> ReplaceList;
  std::string ReplaceText;
  const char* Expected;
};

class Summary : public ::testing::TestWithParam<TSummaryCase> {};

TEST_P(Summary, SaysWhatASearchOrReplaceWouldUse) {
  const TSummaryCase& C = GetParam();
  EXPECT_EQ(SearchReplaceSummary(C.SearchList, C.SearchText, C.ReplaceList, C.ReplaceText),
            C.Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, Summary,
    ::testing::Values(TSummaryCase{{}, "", {}, "", "No data entered for Search or Replace action"},
                      TSummaryCase{{}, "begin", {}, "", "Searching for begin"},
                      TSummaryCase{std::vector<std::string>(12, "t"),
                                   "",
                                   {},
                                   "xyz",
                                   "Searching for 12 texts, replacing with xyz"},
                      TSummaryCase{{"a", "b", "c"},
                                   "",
                                   {"x", "y", "z"},
                                   "",
                                   "Searching for 3 texts, replacing with 3 texts."},
                      TSummaryCase{{}, "", {}, "new", "Replacing undefined searchdata with new"},
                      TSummaryCase{{"one"}, "one", {}, "", "Searching for one"}));

TEST(EntryHint, NamesTheFileItsSizeAndReadOnly) {
  EXPECT_EQ(FileEntryHint("/src/a.pas", TSearchRec{0, 812, faReadOnly | faArchive, "a.pas"}),
            "a.pas, 812 bytes, Readonly");
  EXPECT_EQ(FileEntryHint("/src/b.txt", TSearchRec{0, 0, faArchive, "b.txt"}), "b.txt, 0 bytes");
  EXPECT_EQ(FileEntryHint("big.bin", TSearchRec{0, 5000000000LL, faArchive, "big.bin"}),
            "big.bin, 5000000000 bytes");
}

TEST(ResultsToFileSet, KeepsExactlyTheFilesWithResultsAndNeverTheHeader) {
  TFileList List;
  for (const char* P : {"/a", "/b", "/c", "/d", "/e", "Results for Search"}) List.Add(P, {});
  TResultTree Tree;
  Tree.Add(nullptr, "Results for Search");
  Tree.Add(Tree.Add(nullptr, "/b"), "Search");
  Tree.Add(nullptr, "/d");
  Tree.Add(nullptr, "/B");  // another file: paths are compared exactly
  KeepFilesWithResults(List, Tree);
  EXPECT_EQ(List.Paths(), (std::vector<std::string>{"/b", "/d"}));
}

TEST(ResultsToFileSet, TreeWithoutFilesEmptiesTheSet) {
  TFileList List;
  List.Add("/a", {});
  TResultTree Tree;
  KeepFilesWithResults(List, Tree);
  EXPECT_TRUE(List.Empty());
}

}  // namespace
