// The working line against a plain string: finds and cuts in random order must agree.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "analysis/uFL_WorkLine.h"

namespace {

size_t PlainFind(const std::string& S, std::string_view N, size_t From) {
  if (N.empty() || From > S.size()) return std::string::npos;
  return S.find(N, From);
}

TEST(WorkLine, AssignUpperCasesAsciiOnly) {
  TWorkLine W;
  W.Assign("begin Ünd x", true);
  EXPECT_EQ(W.Str(), "BEGIN ÜND X");
  W.Assign("begin", false);
  EXPECT_EQ(W.Str(), "begin");
}

TEST(WorkLine, EmptyNeedleIsNeverFound) {
  TWorkLine W;
  W.Assign("ABC", false);
  EXPECT_EQ(W.Find({0, ""}), TWorkLine::npos);
  EXPECT_EQ(W.Find({-1, ""}), TWorkLine::npos);
  // Still not found after a cut (an empty text would match anywhere a cut is looked at).
  W.Erase(1, 2);
  EXPECT_EQ(W.Find({0, ""}), TWorkLine::npos);
}

TEST(WorkLine, CutJoinsTextIntoANewOccurrence) {
  TWorkLine W;
  W.Assign("BEGXXIN BEGIN", false);
  const TNeedle Begin{0, "BEGIN"};
  EXPECT_EQ(W.Find(Begin), 8u);
  W.Erase(3, 5);  // "BEGIN BEGIN": the join makes an earlier occurrence
  EXPECT_EQ(W.Find(Begin), 0u);
  W.Erase(0, 5);
  EXPECT_EQ(W.Find(Begin), 1u);
  W.Erase(1, 6);
  EXPECT_EQ(W.Find(Begin), TWorkLine::npos);
  EXPECT_EQ(W.Str(), " ");
}

TEST(WorkLine, TrimRemovesBlanksAndControlCharacters) {
  TWorkLine W;
  W.Assign(" \t\x01 X Y \r\x1f ", false);
  W.Trim();
  EXPECT_EQ(W.Str(), "X Y");
  W.Assign("   ", false);
  W.Trim();
  EXPECT_TRUE(W.Empty());
}

// Random texts over a small alphabet, so that needles occur, straddle cuts and form anew.
TEST(WorkLine, RandomFindsAndCutsAgreeWithAPlainString) {
  std::mt19937 Rng(12345);
  const std::string Alphabet = "AB;( ";
  const std::string_view Needles[] = {"A", "AB", "BA", "ABA", "B;", "(", " ", "AAB", "ABAB;", ""};
  for (int Round = 0; Round < 3000; ++Round) {
    std::string Plain;
    const size_t Len = Rng() % 60;
    for (size_t i = 0; i < Len; ++i) Plain += Alphabet[Rng() % Alphabet.size()];
    TWorkLine W;
    W.Assign(Plain, false);
    for (int Step = 0; Step < 40; ++Step) {
      const unsigned Op = Rng() % 10;
      if (Op < 6) {
        const int Id = int(Rng() % std::size(Needles));
        // From 0 mostly, as the scan asks; sometimes from a later point.
        const size_t From = (Rng() % 3 == 0) ? Rng() % (Plain.size() + 2) : 0;
        const TNeedle N{(Rng() % 8 == 0) ? -1 : Id, Needles[Id]};
        ASSERT_EQ(W.Find(N, From), PlainFind(Plain, N.Text, From))
            << "round " << Round << " step " << Step << " text [" << Plain << "] needle [" << N.Text
            << "] from " << From;
      } else if (Op < 9) {
        if (Plain.empty()) continue;
        const size_t A = Rng() % Plain.size();
        const size_t B = A + 1 + Rng() % std::min<size_t>(6, Plain.size() - A);
        W.Erase(A, B);
        Plain.erase(A, B - A);
      } else {
        W.Trim();
        const size_t First = Plain.find_first_not_of(' ');
        Plain = First == std::string::npos
                    ? std::string()
                    : Plain.substr(First, Plain.find_last_not_of(' ') - First + 1);
      }
      ASSERT_EQ(W.Str(), Plain);
      ASSERT_EQ(W.Size(), Plain.size());
    }
  }
}

}  // namespace
