// The file pipeline: delivery in order whatever order the workers finish in, the bound on items
// in flight, an error at one item, stopping, a list that ends early.
#include "shell/uFL_FilePipeline.h"

#include <gtest/gtest.h>

#include <atomic>
#include <random>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

struct TItem {
  int Index = -1;
  int Value = 0;
  std::thread::id PreparedOn;
};

// Completion flags the prepare steps wait on: an even item waits until the odd one after it is
// done, so with two threads or more the workers finish out of order without any sleep. Items at
// or past Limit are never started (the list ended, or the run stopped): nobody waits for them.
struct TGates {
  explicit TGates(int Count) : Done(size_t(Count)), Limit(Count) {}
  std::vector<std::atomic<bool>> Done;
  std::atomic<int> Limit;
  void WaitFor(int I) {
    while (I < Limit && !Done[size_t(I)].load()) std::this_thread::yield();
  }
};

struct PipelineTest : ::testing::TestWithParam<unsigned> {
  static constexpr int Count = 40;
  TFilePipeline<TItem> Pipeline{GetParam()};
  TGates Gates{Count};
  std::mt19937 Random{GetParam()};
  std::vector<int> Spins;  // busy work per item, drawn before the run: the generator stays here
  std::atomic<int> Started{0}, Consumed{0};
  int MostAhead = 0;
  std::vector<int> Seen;

  PipelineTest() {
    for (int i = 0; i < Count; ++i) Spins.push_back(int(Random() % 20000));
  }

  TFilePipeline<TItem>::TStart Start() {
    return [this](int I, TItem& Item) {
      Item.Index = I;
      MostAhead = std::max(MostAhead, ++Started - Consumed);
      return true;
    };
  }
  TFilePipeline<TItem>::TPrepare Prepare(int ThrowAt = -1) {
    return [this, ThrowAt](TItem& Item) {
      Item.PreparedOn = std::this_thread::get_id();
      volatile int Sink = 0;
      for (int k = 0; k < Spins[size_t(Item.Index)]; ++k) Sink = Sink + k;
      if (Pipeline.Threads() > 1 && Item.Index % 2 == 0) Gates.WaitFor(Item.Index + 1);
      Item.Value = Item.Index * Item.Index;
      Gates.Done[size_t(Item.Index)] = true;
      if (Item.Index == ThrowAt) {
        Gates.Limit = 0;  // the run ends here: later items are waited for by nobody
        throw std::runtime_error("failed at " + std::to_string(ThrowAt));
      }
    };
  }
  TFilePipeline<TItem>::TConsume Consume(int StopAt = -1) {
    return [this, StopAt](int I, TItem& Item) {
      ++Consumed;
      EXPECT_EQ(Item.Index, I);
      EXPECT_EQ(Item.Value, I * I);
      Seen.push_back(I);
      if (I == StopAt) Gates.Limit = 0;
      return I != StopAt;
    };
  }
  static std::vector<int> Upto(int N) {
    std::vector<int> V;
    for (int i = 0; i < N; ++i) V.push_back(i);
    return V;
  }
};

TEST_P(PipelineTest, DeliversInOrderWithAtMostNAhead) {
  const std::thread::id Caller = std::this_thread::get_id();
  int OnCaller = 0;
  Pipeline.Run(Count, Start(), Prepare(), [&](int I, TItem& Item) {
    OnCaller += Item.PreparedOn == Caller;
    return Consume()(I, Item);
  });
  EXPECT_EQ(Seen, Upto(Count));
  // N in flight plus the one being consumed.
  EXPECT_LE(MostAhead, int(GetParam()) + 1);
  // With threads, workers prepare items too; the caller helps only while the item due is not done.
  if (GetParam() == 1)
    EXPECT_EQ(OnCaller, Count);
  else
    EXPECT_LT(OnCaller, Count);
}

// Light items go ahead beyond N while together they weigh less than the bound; heavy ones stay
// N at a time.
TEST_P(PipelineTest, WeightsBoundTheItemsAhead) {
  for (const auto& [ItemWeight, Bound] : {std::pair{100, 5}, std::pair{1000, 0}}) {
    TFilePipeline<TItem> Weighed{GetParam(), {450, 100}};
    Started = 0;
    Consumed = 0;
    MostAhead = 0;
    Seen.clear();
    Weighed.Run(
        Count, Start(), [&](TItem& Item) { Item.Value = Item.Index * Item.Index; }, Consume(),
        [&](const TItem&) { return uint64_t(ItemWeight); });
    EXPECT_EQ(Seen, Upto(Count));
    const int N = int(GetParam());
    if (N == 1) {
      EXPECT_EQ(MostAhead, 1);
    } else {
      EXPECT_LE(MostAhead, std::max(N, Bound) + 1) << ItemWeight;
      EXPECT_GE(MostAhead, std::max(N, Bound)) << ItemWeight;
    }
  }
}

TEST_P(PipelineTest, AnErrorReachesTheCallerAtItsItem) {
  try {
    Pipeline.Run(Count, Start(), Prepare(7), Consume());
    FAIL() << "the error was swallowed";
  } catch (const std::runtime_error& E) {
    EXPECT_STREQ(E.what(), "failed at 7");
  }
  EXPECT_EQ(Seen, Upto(7));
}

TEST_P(PipelineTest, StopStartsNothingMore) {
  Pipeline.Run(Count, Start(), Prepare(), Consume(4));
  EXPECT_EQ(Seen, Upto(5));
  EXPECT_LE(Started.load(), 5 + int(Pipeline.Threads()));
}

TEST_P(PipelineTest, AListThatEndsEarlyEndsTheRun) {
  Gates.Limit = 9;
  Pipeline.Run(
      Count, [&](int I, TItem& Item) { return I < 9 && Start()(I, Item); }, Prepare(), Consume());
  EXPECT_EQ(Seen, Upto(9));
}

INSTANTIATE_TEST_SUITE_P(Threads, PipelineTest, ::testing::Values(1u, 2u, 8u));

}  // namespace
