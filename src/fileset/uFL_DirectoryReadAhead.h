// Reading the directories of a depth-first walk ahead of it, on a worker thread.
#pragma once

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "fileset/uFL_DirectoryReader.h"

// While the walk puts one directory's files into the list, the worker reads the directories the
// walk will want next, so listing the file system and building the list overlap. The worker only
// reads; what the walk does with a listing, and in which order, stays on the walk's thread.
class TDirectoryReadAhead {
 public:
  explicit TDirectoryReadAhead(TListingRule Rule) : FRule(std::move(Rule)) {}
  ~TDirectoryReadAhead();
  TDirectoryReadAhead(const TDirectoryReadAhead&) = delete;
  TDirectoryReadAhead& operator=(const TDirectoryReadAhead&) = delete;

  // Whether a core is idle for the worker now. On a busy machine the worker only competes with
  // the walk for a core and duplicates its reads, so the walk is quicker alone.
  static bool CoreIdle();

  // The listing of Dir: the one read ahead when it is ready, else read now.
  std::vector<TDirEntry> Take(const std::string& Dir);
  // The walk takes these directories next, in this order, before any it announced earlier.
  void Expect(const std::vector<std::string>& Dirs);

 private:
  struct TJob {
    std::string Dir;
    enum { Queued, Reading, Done, Taken } State = Queued;
    bool Failed = false;
    std::vector<TDirEntry> Listing;
  };
  void Work();

  const TListingRule FRule;
  std::mutex FLock;
  std::condition_variable FWake;  // the worker: a job or the end
  std::deque<std::shared_ptr<TJob>> FQueue;
  std::unordered_map<std::string, std::shared_ptr<TJob>> FJobs;
  bool FStopping = false;
  bool FNoWorker = false;
  std::thread FWorker;
};
