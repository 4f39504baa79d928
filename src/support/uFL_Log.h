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

// Binds the trace to Lines, sets tracing on or off and forgets every block. Lines is not emptied.
void InitTrace(bool TracingOn, TTraceLines* Lines);
void SetTracing(bool On);
bool TracingIsOn();
void AddTrace(const std::string& FileName, const std::string& Text);
// Removes every line that belongs to a file other than FileName.
void KeepTraceOfFile(const std::string& FileName);

// The first line at or after StartIndex that holds Pattern without regard to ASCII case;
// -1 when none does or Pattern is empty.
int FindInTrace(const TTraceLines& Lines, const std::string& Pattern, int StartIndex);

// Width of the name column.
inline constexpr int TraceColumnWidth = 30;
