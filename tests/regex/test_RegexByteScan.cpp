// The scan for the next byte where a match may begin agrees with a byte-by-byte look for every
// kind of set, at every offset and tail length.
#include "regex/uFL_RegexByteScan.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <vector>

namespace {

struct SetCase {
  const char* Name;
  std::function<bool(int)> Member;
  bool Tables;  // fits the nibble tables
};

class ByteScan : public testing::TestWithParam<SetCase> {};

TEST_P(ByteScan, FindsWhatALoopFinds) {
  TRegexByteSet Set{};
  for (int C = 0; C < 256; ++C) Set[size_t(C)] = GetParam().Member(C) ? 1 : 0;
  const TRegexByteScan Scan = TRegexByteScan::Build(Set);
  EXPECT_EQ(Scan.Usable, GetParam().Tables);
  std::mt19937 Random(11);
  for (int Round = 0; Round < 300; ++Round) {
    std::vector<uint8_t> Text(size_t(Round % 150));
    // Mostly bytes outside the set, so that long stretches are skipped.
    for (uint8_t& B : Text) B = uint8_t(Random() % 7 == 0 ? Random() % 256 : ' ');
    const uint8_t* End = Text.data() + Text.size();
    for (size_t From = 0; From <= Text.size(); ++From) {
      const uint8_t* Expected = Text.data() + From;
      while (Expected < End && !Set[*Expected]) ++Expected;
      ASSERT_EQ(NextInByteSet(Set, Scan, Text.data() + From, End), Expected)
          << GetParam().Name << " round " << Round << " from " << From;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Sets, ByteScan,
    testing::Values(SetCase{"Digits", [](int C) { return C >= '0' && C <= '9'; }, true},
                    SetCase{"WordCharacters",
                            [](int C) {
                              return (C >= '0' && C <= '9') || (C >= 'A' && C <= 'Z') ||
                                     (C >= 'a' && C <= 'z') || C == '_';
                            },
                            true},
                    SetCase{"OneByte", [](int C) { return C == ';'; }, true},
                    SetCase{"HighBytes", [](int C) { return C >= 0x80; }, true},
                    SetCase{"Everything", [](int) { return true; }, true},
                    SetCase{"Nothing", [](int) { return false; }, false},
                    // Nine different rows of low halves: left to the loop.
                    SetCase{"TooManyRows", [](int C) { return C < 144 && C % 16 == C / 16; },
                            false}),
    [](const auto& Info) { return std::string(Info.param.Name); });

}  // namespace
