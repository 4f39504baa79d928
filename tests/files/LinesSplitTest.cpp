// The block-wise line splitter agrees with the plain one wherever a break falls, a CR LF pair
// across a block boundary included.
#include <gtest/gtest.h>

#include "files/uFL_Lines.h"
#include "support/uFL_Utils.h"

namespace {

TEST(LinesSplit, AgreesWithThePlainSplitterAtEveryOffset) {
  for (const char* Break : {"\n", "\r", "\r\n", "\n\r", "\r\r\n"}) {
    for (size_t Offset = 0; Offset < 40; ++Offset) {
      std::string Text = std::string(Offset, 'a') + Break + "bb" + Break + std::string(20, 'c');
      TLines L;
      L.Assign(std::string(Text));
      const std::vector<std::string> Expected = SplitTextLines(Text);
      ASSERT_EQ(L.Count(), int(Expected.size())) << "offset " << Offset;
      for (int i = 0; i < L.Count(); ++i) EXPECT_EQ(L[i], Expected[size_t(i)]) << Offset;
    }
  }
}

TEST(LinesSplit, ReportsTheFirstBreakAndReusesTheBuffer) {
  TLines L;
  EXPECT_EQ(L.Assign(std::string(17, 'x') + "\r\nA\n"), "\r\n");
  EXPECT_EQ(L.Assign(std::string(15, 'x') + "\r\nA\n"), "\r\n");
  EXPECT_EQ(L.Assign(std::string(15, 'x') + "\rA\r\n"), "\r");
  TTextBuffer Buffer = L.TakeBuffer();
  EXPECT_EQ(L.Count(), 0);
  EXPECT_TRUE(Buffer.Empty());
  EXPECT_GE(Buffer.Capacity(), 19u);
}

}  // namespace
