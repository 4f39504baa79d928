// The trace calls of one file, kept and replayed.
#include "shell/uFL_TraceBuffer.h"

void TTraceBuffer::AddTrace(const std::string& FileName, const std::string& Text) {
  // While tracing is off a call only opens the file's block, and a second call for the same file
  // opens nothing more.
  if (!FTracingOn) {
    if (FCalls.empty() || FCalls.back().FileName != FileName) FCalls.push_back({FileName, {}});
    return;
  }
  FCalls.push_back({FileName, Text});
}

void TTraceBuffer::Replay(
    const std::function<void(const std::string& FileName, const std::string& Text)>& Add) {
  for (const TCall& Call : FCalls) Add(Call.FileName, Call.Text);
  FCalls.clear();
}
