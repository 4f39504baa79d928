// Findings of code items and routines for every combination of counts and chosen checks.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "analysis/uFL_CodeObjects.h"

namespace {

using Texts = std::vector<std::string>;

Texts TextsOf(const std::vector<TCheckNote>& Notes) {
  Texts T;
  for (const TCheckNote& N : Notes) T.push_back(N.Text);
  return T;
}

struct ItemCase {
  const char* Name;
  int Create, Fetch, Free;
  bool Owned;
  TCheckOptions Options;
  Texts Expected;
};

class CheckItemTest : public ::testing::TestWithParam<ItemCase> {};

TEST_P(CheckItemTest, Findings) {
  const ItemCase& C = GetParam();
  TCodeItem Item;
  Item.Name = C.Name;
  for (int i = 0; i < C.Create; ++i) Item.NoteCreate();
  for (int i = 0; i < C.Fetch; ++i) Item.NoteFetch();
  for (int i = 0; i < C.Free; ++i) Item.NoteFree();
  Item.Owned = C.Owned;
  EXPECT_EQ(TextsOf(Item.CheckItem(C.Options)), C.Expected);
}

constexpr TCheckOptions CD = CheckBit(coCreateDestroy);
constexpr TCheckOptions OFC = CheckBit(coOpenFetchClose);

INSTANTIATE_TEST_SUITE_P(
    CreateDestroyAndCursors, CheckItemTest,
    ::testing::Values(
        ItemCase{"X", 1, 0, 1, false, CD, {}},
        ItemCase{"X", 0, 0, 1, false, CD, {"X created 0 times and destroyed 1 times"}},
        ItemCase{"FLIST", 2, 0, 1, false, CD, {"FLIST created 2 times and destroyed 1 times"}},
        ItemCase{"FLIST", 1, 0, 0, false, CD, {"FLIST created 1 times and destroyed 0 times"}},
        // Created with an owner and never destroyed: the owner frees it.
        ItemCase{"X", 2, 0, 0, true, CD, {}},
        ItemCase{"X", 2, 0, 1, true, CD, {"X created 2 times and destroyed 1 times"}},
        ItemCase{"SELF.FCACHE",
                 1,
                 0,
                 3,
                 true,
                 CD,
                 {"SELF.FCACHE created 1 times and destroyed 3 times"}},
        ItemCase{"X", 1, 0, 0, false, 0, {}},
        ItemCase{"C1", 1, 1, 0, false, OFC, {"Open=Fetch=Close does not match for C1"}},
        ItemCase{"C1", 1, 0, 0, false, OFC, {}},
        ItemCase{"C1", 1, 0, 1, false, OFC, {"Open=Fetch=Close does not match for C1"}},
        ItemCase{"C1", 0, 3, 1, false, OFC, {}}, ItemCase{"C1", 2, 2, 2, false, OFC, {}},
        ItemCase{"C1", 2, 1, 2, false, OFC, {"Open=Fetch=Close does not match for C1"}},
        // Both checks at once: the create/destroy text comes first.
        ItemCase{"C1",
                 1,
                 1,
                 0,
                 false,
                 CD | OFC,
                 {"C1 created 1 times and destroyed 0 times",
                  "Open=Fetch=Close does not match for C1"}}));

TEST(CheckItem, CountsArePrintedInFullWithTheirSign) {
  TCodeItem Item;
  Item.Name = "X";
  Item.CreateCount = 1234567;
  Item.FreeCount = -2;
  EXPECT_EQ(TextsOf(Item.CheckItem(CD)), Texts{"X created 1234567 times and destroyed -2 times"});
}

constexpr TCheckOptions SA = CheckBit(coSetAbortComplete);
constexpr TCheckOptions INH = CheckBit(coInherited);

// A routine built from a list of events: B(egin), E(nd), A (SETABORT), C (SETCOMPLETE), R (RAISE).
TRoutine RoutineFrom(const std::string& Events, const char* Name = "TMYOBJ.DOWORK") {
  TRoutine R;
  R.Name = Name;
  R.IsProcedure = true;
  for (char E : Events) {
    switch (E) {
      case 'B':
        R.EnterBlock();
        break;
      case 'E':
        R.LeaveBlock();
        break;
      case 'A':
        R.NoteSetAbort();
        break;
      case 'C':
        R.SetCompleteFound = true;
        break;
      case 'R':
        R.NoteRaise();
        break;
    }
  }
  return R;
}

struct RoutineCase {
  const char* Events;
  bool UsedInUnit;
  TCheckOptions Options;
  Texts Expected;
};

class CheckRoutineTest : public ::testing::TestWithParam<RoutineCase> {};

TEST_P(CheckRoutineTest, Findings) {
  const RoutineCase& C = GetParam();
  TRoutine R = RoutineFrom(C.Events);
  R.UsedInUnit = C.UsedInUnit;
  EXPECT_EQ(TextsOf(R.CheckRoutine(C.Options)), C.Expected);
}

INSTANTIATE_TEST_SUITE_P(
    SetAbortRules, CheckRoutineTest,
    ::testing::Values(RoutineCase{"BA",
                                  true,
                                  SA,
                                  {"SetAbort <> SetComplete",
                                   "Routine with SetAbort/SetComplete used within the same Unit",
                                   "SetAbort found without Raise statement"}},
                      RoutineCase{"BAC",
                                  true,
                                  SA,
                                  {"Routine with SetAbort/SetComplete used within the same Unit",
                                   "SetAbort found without Raise statement"}},
                      RoutineCase{"BCE", false, SA, {"SetAbort <> SetComplete"}},
                      RoutineCase{"BACRE", false, SA, {}},
                      // A RAISE after the block of the SETABORT has closed does not count ...
                      RoutineCase{"BBACERE", false, SA, {"SetAbort found without Raise statement"}},
                      // ... one in the same block does, and a later SETABORT needs its own.
                      RoutineCase{"BBACRE", false, SA, {}},
                      RoutineCase{"BBACRAE", false, SA, {"SetAbort found without Raise statement"}},
                      RoutineCase{"BA", true, 0, {}}, RoutineCase{"BA", true, INH, {}}));

// Statements of a body, each 'i' (holds INHERITED) or 's' (does not), then the closing END.
TRoutine BodyOf(const char* Name, const std::string& Statements) {
  TRoutine R;
  R.Name = Name;
  const std::string_view N = Name;
  if (N.ends_with(".CREATE")) R.Kind = TRoutineKind::rkConstructor;
  if (N.ends_with(".DESTROY")) R.Kind = TRoutineKind::rkDestructor;
  for (char S : Statements) R.NoteStatement(S == 'i');
  R.BodyEnded();
  return R;
}

struct PlaceCase {
  const char* Name;
  const char* Statements;
  TInheritedPlace Place;
  Texts Expected;
};

class InheritedPlaceTest : public ::testing::TestWithParam<PlaceCase> {};

TEST_P(InheritedPlaceTest, PlaceAndFinding) {
  const PlaceCase& C = GetParam();
  const TRoutine R = BodyOf(C.Name, C.Statements);
  EXPECT_EQ(int(R.InheritedPlace), int(C.Place));
  EXPECT_EQ(TextsOf(R.CheckRoutine(INH)), C.Expected);
  EXPECT_EQ(TextsOf(R.CheckRoutine(SA)), Texts{});
}

using P = TInheritedPlace;
INSTANTIATE_TEST_SUITE_P(
    Rule, InheritedPlaceTest,
    ::testing::Values(
        PlaceCase{"TFOO.CREATE", "iss", P::Start, {}},
        PlaceCase{"TFOO.CREATE", "ssi", P::End, {"Inherited not at Start of Routine"}},
        PlaceCase{"TFOO.CREATE", "sis", P::Middle, {"Inherited not at Start of Routine"}},
        PlaceCase{"TFOO.DESTROY", "ssi", P::End, {}},
        PlaceCase{"TFOO.DESTROY", "iss", P::Start, {"Inherited not at End of Routine"}},
        PlaceCase{"TFOO.DESTROY", "sis", P::Middle, {"Inherited not at End of Routine"}},
        PlaceCase{"TFOO.PAINT", "sis", P::Middle, {"Inherited not at Start or End of Routine"}},
        PlaceCase{"TFOO.PAINT", "iss", P::Start, {}}, PlaceCase{"TFOO.PAINT", "ssi", P::End, {}},
        // The only statement is at both ends: where the routine's kind wants it.
        PlaceCase{"TFOO.CREATE", "i", P::Start, {}}, PlaceCase{"TFOO.DESTROY", "i", P::End, {}},
        PlaceCase{"TFOO.LOADED", "i", P::Start, {}},
        // Calls in two places.
        PlaceCase{"TFOO.DESTROY", "isi", P::Middle, {"Inherited not at End of Routine"}},
        PlaceCase{"TFOO.CREATE", "isi", P::Middle, {"Inherited not at Start of Routine"}},
        PlaceCase{"TFOO.CREATE", "iis", P::Middle, {"Inherited not at Start of Routine"}},
        PlaceCase{"TFOO.PAINT", "sss", P::NotSeen, {}},
        PlaceCase{"TFOO.PAINT", "", P::NotSeen, {}}));

TEST(InheritedPlace, StaysSeenUntilTheNextStatementOrTheBodysEnd) {
  TRoutine R;
  R.Name = "TFOO.DESTROY";
  R.Kind = TRoutineKind::rkDestructor;
  R.NoteStatement(false);
  R.NoteStatement(true);
  EXPECT_EQ(R.InheritedPlace, TInheritedPlace::Seen);
  EXPECT_TRUE(R.InheritedPending());
  R.BodyEnded();
  EXPECT_EQ(R.InheritedPlace, TInheritedPlace::End);
  R.BodyEnded();  // a second end changes nothing
  EXPECT_EQ(R.InheritedPlace, TInheritedPlace::End);
}

}  // namespace
