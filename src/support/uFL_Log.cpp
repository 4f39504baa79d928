// The trace log's unit state and its line layout.
#include "support/uFL_Log.h"

#include <algorithm>

#include "support/uFL_Utils.h"

namespace {
// Null outside an action: file operations run elsewhere (tests, tools) trace nothing.
thread_local ITraceSink* BoundSink = nullptr;
}  // namespace

void TTraceLines::Append(std::string Line) {
  const int Index = Count();
  if (OnBeforeAppend) OnBeforeAppend(Index, Index);
  FLines.push_back(std::move(Line));
  if (OnAppended) OnAppended();
}

void TTraceLines::Clear() {
  if (OnAboutToReset) OnAboutToReset();
  FLines.clear();
  if (OnReset) OnReset();
}

void TTraceLines::Filter(const std::function<bool(int Index)>& Keep) {
  if (OnAboutToReset) OnAboutToReset();
  std::vector<std::string> Kept;
  for (int i = 0; i < Count(); ++i)
    if (Keep(i)) Kept.push_back(std::move(FLines[size_t(i)]));
  FLines = std::move(Kept);
  if (OnReset) OnReset();
}

void TTraceLog::Init(bool TracingOn) {
  FTracingOn = TracingOn;
  FBlocks.clear();
}

void TTraceLog::AddTrace(const std::string& FileName, const std::string& Text) {
  const bool SameFile = !FBlocks.empty() && FBlocks.back().FileName == FileName;
  if (!SameFile) {
    // A block that received no line owns none: the new one, starting at the same line, takes
    // its place, so a run with tracing off keeps one block rather than one per file.
    if (!FBlocks.empty() && FBlocks.back().Start == FLines.Count())
      FBlocks.back().FileName = FileName;
    else
      FBlocks.push_back({FileName, FLines.Count()});
  }
  if (!FTracingOn) return;
  std::string Line;
  if (SameFile) {
    Line.assign(TraceColumnWidth, ' ');
  } else {
    Line = ExtractFileName(FileName).substr(0, TraceColumnWidth - 1);
    Line.resize(TraceColumnWidth, '.');
  }
  FLines.Append(Line + Text);
}

void TTraceLog::KeepTraceOfFile(const std::string& FileName) {
  if (FBlocks.empty()) return;
  // A line belongs to the last block that starts at or before it; blocks that received no line
  // own none, and lines before the first block belong to no file and stay.
  std::vector<bool> Keep(size_t(FLines.Count()), true);
  size_t B = 0;
  for (int i = 0; i < FLines.Count(); ++i) {
    while (B + 1 < FBlocks.size() && FBlocks[B + 1].Start <= i) ++B;
    if (FBlocks[B].Start <= i && FBlocks[B].FileName != FileName) Keep[size_t(i)] = false;
  }
  FLines.Filter([&](int i) { return Keep[size_t(i)]; });
}

TTraceBinding::TTraceBinding(ITraceSink& Sink) : FPrevious(BoundSink) {
  BoundSink = &Sink;
}

TTraceBinding::~TTraceBinding() {
  BoundSink = FPrevious;
}

bool TracingIsOn() {
  return BoundSink && BoundSink->TracingIsOn();
}

void AddTrace(const std::string& FileName, const std::string& Text) {
  if (BoundSink) BoundSink->AddTrace(FileName, Text);
}

int FindInTrace(const TTraceLines& Lines, const std::string& Pattern, int StartIndex) {
  if (Pattern.empty()) return -1;
  const std::string Upper = UpperCaseAscii(Pattern);
  // Compared byte by byte with ASCII folding: no upper-cased copy of every line.
  auto Same = [](char A, char B) { return UpCaseAscii(A) == B; };
  for (int i = std::max(StartIndex, 0); i < Lines.Count(); ++i) {
    const std::string& Line = Lines[i];
    if (std::search(Line.begin(), Line.end(), Upper.begin(), Upper.end(), Same) != Line.end())
      return i;
  }
  return -1;
}
