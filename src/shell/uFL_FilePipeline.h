// Worker threads that prepare the files of an action ahead of the driver, which takes them in
// order.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

// The number of cores, at least 1: the default number of threads of an action.
unsigned DefaultThreadCount();

// Items 0..Count-1 are started on the calling thread in order, prepared on N threads (N-1 workers
// and the calling thread, which prepares items rather than wait for the one due), and consumed
// on the calling thread strictly in order. A prepare step must touch nothing that the
// calling thread uses (no results tree, no trace, no widgets): it fills its own item only. With one
// thread there is no worker at all: start, prepare and consume run one after the other on the
// calling thread, item by item, as a plain loop would.
template <class TItem>
class TFilePipeline {
 public:
  // Sets Item up for index I from what only the calling thread may read; false when there is no
  // item I (the list ended): the run then ends after the items before it.
  using TStart = std::function<bool(int I, TItem& Item)>;
  // Does the work of one item; on a worker thread. An exception it throws is kept with the item.
  using TPrepare = std::function<void(TItem& Item)>;
  // Takes the prepared item I; false stops the run: nothing more is started, and the items
  // already started are discarded once their workers are done with them.
  using TConsume = std::function<bool(int I, TItem& Item)>;

  // What an item holds once prepared (a file's bytes), for the bound on items started ahead.
  using TWeigh = std::function<uint64_t(const TItem& Item)>;

  // How far beyond N items the run may start ahead: a hand-over between threads per item costs
  // more than reading and searching a small file, so many small items are kept in flight while
  // together they stay light; heavy items stay N at a time.
  struct TAhead {
    uint64_t Weight = 0;  // while the items in flight weigh less than this together
    size_t Items = 0;     // and are fewer than this
  };
  // The calling thread prepares items while the one due is not done, but only items weighing up
  // to this: it may be the thread of a window that must not freeze.
  static constexpr uint64_t HelpWeight = uint64_t(1) << 20;

  // Threads: 0 means DefaultThreadCount().
  explicit TFilePipeline(unsigned Threads = 0, TAhead Ahead = {})
      : FThreads(Threads == 0 ? DefaultThreadCount() : Threads), FAhead(Ahead) {}

  unsigned Threads() const { return FThreads; }

  // While item I is consumed, at most N items after it are started, or more as far as the bound
  // set up by TAhead allows with the weights that Weigh gives (no Weigh: N). An exception of the
  // prepare step of item I is thrown here when item I is due, before it is consumed; so are
  // exceptions of Start and Consume. Either way every worker has ended when Run returns or throws.
  void Run(int Count, const TStart& Start, const TPrepare& Prepare, const TConsume& Consume,
           const TWeigh& Weigh = nullptr);

 private:
  struct TSlot {
    TItem Item{};
    std::exception_ptr Error;
    bool Done = false;
    uint64_t Weight = 0;
  };
  // What the workers and the calling thread share, guarded by Lock.
  struct TShared {
    std::mutex Lock;
    std::condition_variable WorkReady, ItemDone;
    std::deque<TSlot> Slots;  // started items in index order; references stay valid at both ends
    size_t Untaken = 0;       // index in Slots of the first item no worker has taken
    bool Quit = false;
    bool ConsumerWaits = false;  // the calling thread sleeps until an item is done
  };

  static void Work(TShared& S, const TPrepare& Prepare);
  // Prepares Slot, taken under L, with L let go meanwhile.
  static void PrepareTaken(TSlot& Slot, const TPrepare& Prepare, std::unique_lock<std::mutex>& L);
  void RunInline(int Count, const TStart& Start, const TPrepare& Prepare, const TConsume& Consume);

  unsigned FThreads;
  TAhead FAhead;
};

template <class TItem>
void TFilePipeline<TItem>::RunInline(int Count, const TStart& Start, const TPrepare& Prepare,
                                     const TConsume& Consume) {
  for (int I = 0; I < Count; ++I) {
    TItem Item{};
    if (!Start(I, Item)) return;
    Prepare(Item);
    if (!Consume(I, Item)) return;
  }
}

template <class TItem>
void TFilePipeline<TItem>::PrepareTaken(TSlot& Slot, const TPrepare& Prepare,
                                        std::unique_lock<std::mutex>& L) {
  L.unlock();
  // Nobody else touches a taken slot until it is marked done.
  std::exception_ptr Error;
  try {
    Prepare(Slot.Item);
  } catch (...) {
    Error = std::current_exception();
  }
  L.lock();
  Slot.Error = Error;
  Slot.Done = true;
}

template <class TItem>
void TFilePipeline<TItem>::Work(TShared& S, const TPrepare& Prepare) {
  std::unique_lock<std::mutex> L(S.Lock);
  for (;;) {
    S.WorkReady.wait(L, [&] { return S.Quit || S.Untaken < S.Slots.size(); });
    if (S.Quit) return;
    PrepareTaken(S.Slots[S.Untaken++], Prepare, L);
    if (S.ConsumerWaits) S.ItemDone.notify_one();
  }
}

template <class TItem>
void TFilePipeline<TItem>::Run(int Count, const TStart& Start, const TPrepare& Prepare,
                               const TConsume& Consume, const TWeigh& Weigh) {
  if (FThreads <= 1) return RunInline(Count, Start, Prepare, Consume);

  TShared S;
  std::vector<std::thread> Workers;
  // However the run ends, the workers finish what they hold and stop before the items go.
  struct TJoin {
    TShared& S;
    std::vector<std::thread>& Workers;
    ~TJoin() {
      {
        std::lock_guard<std::mutex> G(S.Lock);
        S.Quit = true;
      }
      S.WorkReady.notify_all();
      for (std::thread& T : Workers) T.join();
    }
  } Join{S, Workers};

  int Next = 0;         // the next index to start
  size_t InFlight = 0;  // started and not yet taken by the consumer; only this thread changes it
  uint64_t Weight = 0;  // of the items in flight
  bool ListEnded = false;
  auto MayStart = [&] {
    if (InFlight < FThreads) return true;
    return Weigh && InFlight < FAhead.Items && Weight < FAhead.Weight;
  };
  auto StartAhead = [&] {
    size_t Started = 0;
    while (!ListEnded && Next < Count && MayStart()) {
      TSlot Slot;
      if (!Start(Next, Slot.Item)) {
        ListEnded = true;
        break;
      }
      if (Weigh) Slot.Weight = Weigh(Slot.Item);
      Weight += Slot.Weight;
      {
        std::lock_guard<std::mutex> G(S.Lock);
        S.Slots.push_back(std::move(Slot));
      }
      ++Next;
      ++InFlight;
      ++Started;
    }
    if (Started == 1) S.WorkReady.notify_one();
    if (Started > 1) S.WorkReady.notify_all();
    // Workers are made only as far as there is work for them. The calling thread is one of the N:
    // rather than sleep until the item due is done, it prepares items itself.
    while (Workers.size() + 1 < FThreads && Workers.size() < InFlight)
      Workers.emplace_back([&S, &Prepare] { Work(S, Prepare); });
  };

  StartAhead();
  for (int I = 0; InFlight > 0; ++I) {
    TSlot Slot;
    {
      std::unique_lock<std::mutex> L(S.Lock);
      while (!S.Slots.front().Done) {
        if (S.Untaken < S.Slots.size() && (!Weigh || S.Slots[S.Untaken].Weight <= HelpWeight)) {
          PrepareTaken(S.Slots[S.Untaken++], Prepare, L);
          continue;
        }
        S.ConsumerWaits = true;
        S.ItemDone.wait(L);
        S.ConsumerWaits = false;
      }
      Slot = std::move(S.Slots.front());
      S.Slots.pop_front();
      --S.Untaken;
    }
    --InFlight;
    Weight -= Slot.Weight;
    if (Slot.Error) std::rethrow_exception(Slot.Error);
    StartAhead();
    if (!Consume(I, Slot.Item)) return;
  }
}
