// The loaded file's memory: growing keeps what was read, from the heap into a mapping and on,
// and moving hands the memory over.
#include "files/uFL_TextBuffer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

TEST(TextBuffer, GrowingKeepsTheBytesReadSoFar) {
  TTextBuffer B(std::string_view("head"));
  for (size_t N : {size_t(100), TTextBuffer::MappedFrom - 1, TTextBuffer::MappedFrom,
                   3 * TTextBuffer::MappedFrom}) {
    B.Reserve(N);
    ASSERT_GE(B.Capacity(), N);
    EXPECT_EQ(B.View().substr(0, 4), "head") << N;
    // The whole capacity is writable.
    std::memset(B.Data() + B.Size(), 'x', B.Capacity() - B.Size());
  }
  B.SetSize(B.Capacity());
  EXPECT_EQ(B.View().back(), 'x');
  const size_t Capacity = B.Capacity();
  B.Clear();
  EXPECT_TRUE(B.Empty());
  EXPECT_EQ(B.Capacity(), Capacity);  // kept for the next file
}

TEST(TextBuffer, MovingHandsTheMemoryOver) {
  TTextBuffer A(std::string_view("abc"));
  A.Reserve(TTextBuffer::MappedFrom);
  const char* Memory = A.Data();
  TTextBuffer B(std::move(A));
  EXPECT_EQ(B.Data(), Memory);
  EXPECT_EQ(B.View(), "abc");
  EXPECT_EQ(A.Capacity(), 0u);
  A = std::move(B);
  EXPECT_EQ(A.View(), "abc");
  A.Release();
  EXPECT_EQ(A.Capacity(), 0u);
}

}  // namespace
