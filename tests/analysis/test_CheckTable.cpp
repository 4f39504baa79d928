// The check table: list items map to their options, and every row is reachable by rule and flag.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "files/uFL_CheckTable.h"

namespace {

TEST(CheckTable, ListItemsMapToTheirRowsOptions) {
  using enum TFileKind;
  EXPECT_EQ(ChecksFromList(fkDelphi, {false, false, false, true}), CheckBit(coInherited));
  EXPECT_EQ(ChecksFromList(fkDelphi, {true, false, true, false}),
            CheckBit(coCreateDestroy) | CheckBit(coNoTryExcept));
  EXPECT_EQ(ChecksFromList(fkOracle, {true}), CheckBit(coOpenFetchClose));
  EXPECT_EQ(ChecksFromList(fkDelphi, {false, false, false, false}), 0u);
  EXPECT_EQ(ChecksFromList(fkDelphi, {false, false, false, false, true, false, true}),
            CheckBit(coLocalLeak) | CheckBit(coDestructorInherited));
  EXPECT_EQ(ChecksFromList(fkOracle, {false, true, true, true}),
            CheckBit(coCursorNotClosed) | CheckBit(coCursorOpenOnException))
      << "an item beyond the table is dropped";
  EXPECT_EQ(ChecksFromList(fkText, {true}), 0u);
}

TEST(CheckTable, ListsKeepTheDescribedItemsFirstAndAddThePreciseOnesAtTheEnd) {
  EXPECT_EQ(
      CheckCaptions(TFileKind::fkDelphi),
      (std::vector<std::string>{"Create and Destroy for all Items (not 100% secure)",
                                "SetAbort and SetComplete Implicit Rules", "No Try..Except ",
                                "Inherited in strange places (does not work yet)",
                                "Local objects never freed", "Objects freed outside try..finally",
                                "Destructors that skip or misplace inherited"}));
  EXPECT_EQ(CheckCaptions(TFileKind::fkOracle),
            (std::vector<std::string>{"Open, Fetch, No Close",
                                      "Cursors opened but not closed in their routine",
                                      "Cursors left open when an exception is handled"}));
}

TEST(CheckTable, RuleIdsAndFlagsAreUniqueAndFindTheirRow) {
  std::set<std::string> Rules, Flags;
  for (const TCheckRow& Row : CheckTable) {
    EXPECT_TRUE(Rules.insert(Row.RuleId).second) << Row.RuleId;
    EXPECT_TRUE(Flags.insert(Row.Flag).second) << Row.Flag;
    EXPECT_EQ(CheckRowOfRule(Row.RuleId), &Row);
    EXPECT_EQ(CheckRowOfFlag(Row.Flag), &Row);
    EXPECT_EQ(&CheckRow(Row.Option), &Row);
  }
  EXPECT_EQ(CheckRowOfRule("FL999"), nullptr);
  EXPECT_EQ(CheckCategory(CheckRow(coLocalLeak)), "FL001 Local objects never freed");
}

}  // namespace
