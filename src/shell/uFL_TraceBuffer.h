// The trace calls of one file made on a worker thread, kept until the driver replays them in order.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "support/uFL_Log.h"

// Calls are kept also while tracing is off: the trace opens a file's block of lines even for a
// call whose line it leaves out, so the replay must open the same blocks.
class TTraceBuffer : public ITraceSink {
 public:
  TTraceBuffer() = default;
  explicit TTraceBuffer(bool TracingOn) : FTracingOn(TracingOn) {}

  bool TracingIsOn() const override { return FTracingOn; }
  void AddTrace(const std::string& FileName, const std::string& Text) override;
  // Hands every kept call to Add in the order it was made, and forgets them.
  void Replay(const std::function<void(const std::string& FileName, const std::string& Text)>& Add);
  bool Empty() const { return FCalls.empty(); }

 private:
  struct TCall {
    std::string FileName, Text;
  };
  bool FTracingOn = false;
  std::vector<TCall> FCalls;
};
