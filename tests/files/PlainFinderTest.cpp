// The plain finder against a naive search, over texts long enough for every width of its scan,
// with terms whose rare bytes are common in the text, in both case modes.
#include "files/uFL_PlainFinder.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace {

size_t NaiveFind(const std::string& Text, const std::string& Term, bool Fold, size_t From) {
  auto Up = [Fold](char C) { return Fold && C >= 'a' && C <= 'z' ? char(C - 32) : C; };
  for (size_t P = From; P + Term.size() <= Text.size(); ++P) {
    size_t K = 0;
    while (K < Term.size() && Up(Text[P + K]) == Term[K]) ++K;
    if (K == Term.size()) return P;
  }
  return TPlainFinder::npos;
}

TEST(PlainFinder, AgreesWithANaiveSearch) {
  std::mt19937 Random(5);
  const std::string Alphabet = "abAB zZ;\xC3\xA9";
  for (int Round = 0; Round < 600; ++Round) {
    std::string Text(size_t(Random() % 400), ' ');
    for (char& C : Text) C = Alphabet[Random() % Alphabet.size()];
    const bool Fold = Round % 2 == 1;
    std::string Term(size_t(1 + Random() % 4), ' ');
    for (char& C : Term) C = Alphabet[Random() % Alphabet.size()];
    if (Fold)
      for (char& C : Term)
        if (C >= 'a' && C <= 'z') C = char(C - 32);
    const TPlainFinder Finder(Term, Fold);
    for (size_t From = 0; From <= Text.size(); From += 1 + Random() % 40)
      ASSERT_EQ(Finder.Find(Text.data(), From, Text.size()), NaiveFind(Text, Term, Fold, From))
          << "round " << Round << " term '" << Term << "' from " << From;
  }
}

}  // namespace
