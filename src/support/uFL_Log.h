// The trace log: two-column lines (file name, text) of what the file operations did.
#pragma once

#include <functional>
#include <string>
#include <vector>

// The lines shown on the Tracing page. Observers hear of appended lines one range at a time and
// of any other change as a whole reset.
class TTraceLines {
 public:
  std::function<void(int First, int Last)> OnBeforeAppend;
  std::function<void()> OnAppended;
  std::function<void()> OnAboutToReset;
  std::function<void()> OnReset;

  int Count() const { return int(FLines.size()); }
  const std::string& operator[](int Index) const { return FLines[size_t(Index)]; }
  const std::vector<std::string>& Lines() const { return FLines; }

  void Append(std::string Line);
  void Clear();
  // Keeps the lines for which Keep(index) is true, in order.
  void Filter(const std::function<bool(int Index)>& Keep);

 private:
  std::vector<std::string> FLines;
};

// Where the file operations write what they did.
class ITraceSink {
 public:
  virtual ~ITraceSink() = default;
  virtual bool TracingIsOn() const = 0;
  virtual void AddTrace(const std::string& FileName, const std::string& Text) = 0;
};

// The trace of one host: its lines, whether tracing is on, and the blocks of lines that belong to
// one file each (a line carries the file's name only when the file changes).
class TTraceLog : public ITraceSink {
 public:
  explicit TTraceLog(TTraceLines& Lines, bool TracingOn = false)
      : FLines(Lines), FTracingOn(TracingOn) {}

  TTraceLines& Lines() const { return FLines; }
  // Sets tracing on or off and forgets every block; the lines are not emptied.
  void Init(bool TracingOn);
  void SetTracing(bool On) { FTracingOn = On; }
  bool TracingIsOn() const override { return FTracingOn; }
  // A block is opened for a new file even while tracing is off; only the line is left out.
  void AddTrace(const std::string& FileName, const std::string& Text) override;
  // Removes every line that belongs to a file other than FileName.
  void KeepTraceOfFile(const std::string& FileName);

 private:
  struct TBlock {
    std::string FileName;
    int Start;  // index in the lines at which the block's first line was (or would have been) put
  };
  TTraceLines& FLines;
  bool FTracingOn;
  std::vector<TBlock> FBlocks;
};

// Makes Sink the trace of the file operations on this thread while the object lives (the action
// driver holds one for the action); the sink bound before comes back after it.
class TTraceBinding {
 public:
  explicit TTraceBinding(ITraceSink& Sink);
  ~TTraceBinding();
  TTraceBinding(const TTraceBinding&) = delete;
  TTraceBinding& operator=(const TTraceBinding&) = delete;

 private:
  ITraceSink* FPrevious;
};

// What the file operations call: the sink bound on this thread, if any, gets the line.
bool TracingIsOn();
void AddTrace(const std::string& FileName, const std::string& Text);

// The first line at or after StartIndex that holds Pattern without regard to ASCII case;
// -1 when none does or Pattern is empty.
int FindInTrace(const TTraceLines& Lines, const std::string& Pattern, int StartIndex);

// Width of the name column.
inline constexpr int TraceColumnWidth = 30;
