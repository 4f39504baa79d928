// The read-ahead worker: a stack of announced directories, read in the order the walk wants them.
#include "fileset/uFL_DirectoryReadAhead.h"

#include <cstdio>
#include <system_error>

TDirectoryReadAhead::~TDirectoryReadAhead() {
  {
    std::lock_guard<std::mutex> Lock(FLock);
    FStopping = true;
  }
  FWake.notify_all();
  if (FWorker.joinable()) FWorker.join();
}

bool TDirectoryReadAhead::CoreIdle() {
  const unsigned Cores = std::thread::hardware_concurrency();
  if (Cores < 2) return false;
  // The fourth field of /proc/loadavg counts the threads running or ready to run right now,
  // this one among them.
  unsigned Running = 0;
  if (FILE* F = std::fopen("/proc/loadavg", "r")) {
    if (std::fscanf(F, "%*s %*s %*s %u/", &Running) != 1) Running = 0;
    std::fclose(F);
  }
  return Running < Cores;
}

std::vector<TDirEntry> TDirectoryReadAhead::Take(const std::string& Dir) {
  {
    std::lock_guard<std::mutex> Lock(FLock);
    auto It = FJobs.find(Dir);
    if (It != FJobs.end()) {
      std::shared_ptr<TJob> Job = std::move(It->second);
      FJobs.erase(It);
      if (Job->State == TJob::Done && !Job->Failed) return std::move(Job->Listing);
      // Not read yet, or being read: reading it here costs no more than waiting for the worker,
      // and a walk never sleeps on a worker that a busy machine has not scheduled. The worker
      // drops what it reads of it.
      Job->State = TJob::Taken;
    }
  }
  return ReadDirectory(Dir, FRule);
}

void TDirectoryReadAhead::Expect(const std::vector<std::string>& Dirs) {
  if (Dirs.empty()) return;
  {
    std::lock_guard<std::mutex> Lock(FLock);
    if (FNoWorker) return;
    // Depth first: the first of these is wanted before the rest and before anything older.
    for (auto It = Dirs.rbegin(); It != Dirs.rend(); ++It) {
      auto Job = std::make_shared<TJob>();
      Job->Dir = *It;
      FJobs[*It] = Job;
      FQueue.push_front(std::move(Job));
    }
    if (!FWorker.joinable()) {
      try {
        FWorker = std::thread([this] { Work(); });
      } catch (const std::system_error&) {
        // No thread to be had: the walk reads every directory itself.
        FNoWorker = true;
        FQueue.clear();
        FJobs.clear();
        return;
      }
    }
  }
  FWake.notify_one();
}

void TDirectoryReadAhead::Work() {
  std::unique_lock<std::mutex> Lock(FLock);
  for (;;) {
    FWake.wait(Lock, [&] { return FStopping || !FQueue.empty(); });
    if (FStopping) return;
    std::shared_ptr<TJob> Job = std::move(FQueue.front());
    FQueue.pop_front();
    if (Job->State != TJob::Queued) continue;
    Job->State = TJob::Reading;
    Lock.unlock();
    std::vector<TDirEntry> Listing;
    bool Failed = false;
    try {
      Listing = ReadDirectory(Job->Dir, FRule);
    } catch (...) {
      Failed = true;  // the walk reads it again and meets the error itself
    }
    Lock.lock();
    if (Job->State == TJob::Taken) continue;
    Job->Listing = std::move(Listing);
    Job->Failed = Failed;
    Job->State = TJob::Done;
  }
}
