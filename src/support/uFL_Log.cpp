// The trace log's unit state and its line layout.
#include "support/uFL_Log.h"

#include <algorithm>

#include "support/uFL_Utils.h"

namespace {

struct TTraceBlock {
  std::string FileName;
  int Start;  // index in the lines at which the block's first line was (or would have been) put
};

struct TTraceState {
  TTraceLines* Lines = nullptr;
  bool TracingOn = false;
  bool TraceReady = false;
  std::vector<TTraceBlock> Blocks;
};

TTraceState& State() {
  static TTraceState S;
  return S;
}

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

void InitTrace(bool TracingOn, TTraceLines* Lines) {
  TTraceState& S = State();
  S.Lines = Lines;
  S.TracingOn = TracingOn;
  S.Blocks.clear();
  S.TraceReady = true;
}

void SetTracing(bool On) {
  State().TracingOn = On;
}

bool TracingIsOn() {
  return State().TraceReady && State().TracingOn && State().Lines;
}

void AddTrace(const std::string& FileName, const std::string& Text) {
  TTraceState& S = State();
  if (!S.TraceReady) return;
  std::string Line;
  if (!S.Blocks.empty() && S.Blocks.back().FileName == FileName) {
    Line.assign(TraceColumnWidth, ' ');
  } else {
    Line = ExtractFileName(FileName).substr(0, TraceColumnWidth - 1);
    Line.resize(TraceColumnWidth, '.');
    S.Blocks.push_back({FileName, S.Lines ? S.Lines->Count() : 0});
  }
  if (S.TracingOn && S.Lines) S.Lines->Append(Line + Text);
}

void KeepTraceOfFile(const std::string& FileName) {
  TTraceState& S = State();
  if (S.Blocks.empty() || !S.Lines) return;
  // A line belongs to the last block that starts at or before it; blocks that received no line
  // own none, and lines before the first block belong to no file and stay.
  std::vector<bool> Keep(size_t(S.Lines->Count()), true);
  size_t B = 0;
  for (int i = 0; i < S.Lines->Count(); ++i) {
    while (B + 1 < S.Blocks.size() && S.Blocks[B + 1].Start <= i) ++B;
    if (S.Blocks[B].Start <= i && S.Blocks[B].FileName != FileName) Keep[size_t(i)] = false;
  }
  S.Lines->Filter([&](int i) { return Keep[size_t(i)]; });
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
