// The status line, the header titles and the progress rule of the collecting walk.
#include "shell/uFL_StatusLine.h"

#include <gtest/gtest.h>

namespace {

struct TStatusCase {
  const char* Name;
  TStatusFacts Facts;
  const char* Expected;
};

class StatusLine : public ::testing::TestWithParam<TStatusCase> {};

TEST_P(StatusLine, ReadsAsTheBusyModeSays) {
  EXPECT_EQ(StatusLineText(GetParam().Facts), GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, StatusLine,
    ::testing::Values(
        TStatusCase{"IdleEmpty", {bmIdle, 0, 0, false, 0, ""}, "0 file(s) in file list"},
        TStatusCase{"IdleReadOnly",
                    {bmIdle, 3, 2, false, 0, ""},
                    "3 file(s) in file list, of which 2 are readonly."},
        TStatusCase{"IdleReadOnlyAndResults",
                    {bmIdle, 3, 2, true, 0, ""},
                    "3 file(s) in file list, of which 2 are readonly. There are results."},
        TStatusCase{"IdleResults",
                    {bmIdle, 5, 0, true, 3, "x"},
                    "5 file(s) in file list There are results."},
        TStatusCase{"Collecting", {bmFileList, 1234, 7, true, 0, ""}, "1234 file(s) in file list"},
        TStatusCase{"ActionStart",
                    {bmAction, 5, 0, false, 0, "/src/a.pas"},
                    "0% done, busy with /src/a.pas"},
        TStatusCase{"ActionCutsTowardZero",
                    {bmAction, 3, 0, false, 2, "/src/c.pas"},
                    "66% done, busy with /src/c.pas"},
        TStatusCase{"ActionNoFile", {bmAction, 4, 0, true, 4, ""}, "100% done"}),
    [](const auto& Info) { return std::string(Info.param.Name); });

struct TTitleCase {
  TMainPage Main;
  TActionPage Action;
  const char* Expected;
};

class HeaderTitle : public ::testing::TestWithParam<TTitleCase> {};

TEST_P(HeaderTitle, NamesThePageAndTheActionSubPage) {
  EXPECT_EQ(PageTitle(GetParam().Main, GetParam().Action), GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Pages, HeaderTitle,
    ::testing::Values(
        TTitleCase{TMainPage::tsSelect, TActionPage::tsDelphi, "File Selection Page"},
        TTitleCase{TMainPage::tsAction, TActionPage::tsGeneric, "Action Pages - Generic Actions"},
        TTitleCase{TMainPage::tsAction, TActionPage::tsDelphi, "Action Pages - Delphi Actions"},
        TTitleCase{TMainPage::tsAction, TActionPage::tsOracle, "Action Pages - Oracle Actions"},
        TTitleCase{TMainPage::tsResults, TActionPage::tsOracle, "Results Page"},
        TTitleCase{TMainPage::tsTrace, TActionPage::tsGeneric, "Tracing Page"},
        TTitleCase{TMainPage::tsVarious, TActionPage::tsGeneric, "Various Options & About Page"}));

struct TProgressCase {
  TProgress Before;
  TProgress After;
};

class CollectProgress : public ::testing::TestWithParam<TProgressCase> {};

TEST_P(CollectProgress, StepsAndGrowsTheBarByAFifthWhenFull) {
  const TProgress P = StepCollectProgress(GetParam().Before);
  EXPECT_EQ(P.Position, GetParam().After.Position);
  EXPECT_EQ(P.Maximum, GetParam().After.Maximum);
}

INSTANTIATE_TEST_SUITE_P(
    Steps, CollectProgress,
    ::testing::Values(TProgressCase{{0, 100}, {1, 100}}, TProgressCase{{99, 100}, {100, 120}},
                      TProgressCase{{4, 5}, {5, 6}}, TProgressCase{{3, 4}, {4, 4}},
                      TProgressCase{{4, 4}, {4, 4}}, TProgressCase{{119, 120}, {120, 144}}));

}  // namespace
