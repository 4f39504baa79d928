// The findings a file hands to the machine-readable outputs: one per term and matched line, with
// the first occurrence's columns, and one per error, in the order of the results tree.
#include "files/uFL_Finding.h"

#include <gtest/gtest.h>

#include <sstream>

#include "files/LoadedFile.h"

namespace {

std::string Describe(const std::vector<TFinding>& Findings) {
  std::ostringstream Out;
  for (const TFinding& F : Findings)
    Out << F.RuleId << " " << F.Category << " " << F.Line << ":" << F.Column << "-" << F.EndColumn
        << " [" << F.Message << "] [" << F.LineText << "]\n";
  return Out.str();
}

struct FindingCase {
  const char* Name;
  std::string Text;
  std::vector<std::string> Terms;  // searched in order; "a>b" replaces a by b
  bool CaseSensitive;
  std::string Expected;
};

class SearchFindings : public testing::TestWithParam<FindingCase> {};

TEST_P(SearchFindings, FollowTheTreeEntries) {
  const FindingCase& C = GetParam();
  TLoadedTextFile F(C.Text);
  for (const std::string& T : C.Terms) {
    const size_t Arrow = T.find('>');
    if (Arrow == std::string::npos)
      F.File.Search(T, false, C.CaseSensitive);
    else
      F.File.Replace(T.substr(0, Arrow), T.substr(Arrow + 1), false, C.CaseSensitive);
  }
  F.File.WriteResults();
  EXPECT_EQ(Describe(F.File.Findings), C.Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Files, SearchFindings,
    testing::Values(
        FindingCase{"FirstOccurrencePerLine",
                    "xx ab ab\nnone\nab\n",
                    {"ab"},
                    true,
                    "search Search 1:4-6 [xx ab ab] [xx ab ab]\n"
                    "search Search 3:1-3 [ab] [ab]\n"},
        // Two terms on one line give two findings, in line order first, then term order.
        FindingCase{"TermsOnOneLine",
                    "b a\na\n",
                    {"a", "b"},
                    true,
                    "search Search 1:3-4 [b a] [b a]\n"
                    "search Search 1:1-2 [b a] [b a]\n"
                    "search Search 2:1-2 [a] [a]\n"},
        FindingCase{"CaseIgnoredKeepsTheLinesBytes",
                    "x BeGin\n",
                    {"begin"},
                    false,
                    "search Search 1:3-8 [x BeGin] [x BeGin]\n"},
        // A replace hit spans the inserted text; the text is the line after every replacement.
        FindingCase{"ReplaceShowsTheNewLine",
                    "say old old\n",
                    {"old>newer", "say>said"},
                    true,
                    "replace Search 1:5-10 [said newer newer] [said newer newer]\n"
                    "replace Search 1:1-5 [said newer newer] [said newer newer]\n"},
        FindingCase{"NothingFound", "abc\n", {"z"}, true, ""}),
    [](const auto& Info) { return std::string(Info.param.Name); });

TEST(Findings, ErrorsComeFirstWithoutALine) {
  // Reading stops at the NUL, so the text falls short of the recorded size: binary.
  TLoadedTextFile F(std::string("ab\0cdefgh", 9), "binary.dat");
  F.File.WriteResults();
  EXPECT_EQ(Describe(F.File.Findings), "error Errors 0:0-0 [Binary file, skipped] []\n");
}

}  // namespace
