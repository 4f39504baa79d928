// The host of an action on the command line, and the output every file-set action shares.
#include "cli/uFL_CliRunAction.h"

#include <charconv>
#include <exception>
#include <fstream>
#include <istream>
#include <ostream>
#include <stdexcept>

#include "cli/uFL_CliFileSet.h"
#include "cli/uFL_CliOutput.h"
#include "cli/uFL_CliPreviewJson.h"
#include "fileset/uFL_FileList.h"
#include "journal/uFL_Preview.h"
#include "support/uFL_Log.h"
#include "support/uFL_ResultTree.h"
#include "support/uFL_Utils.h"

void TCliActionHost::EnterBusyState(bool, TBusyMode Mode) {
  FMode = Mode;
  FTrace.Init(FTracingOn);
}

bool TCliActionHost::ConfirmOverwrite(const std::string& Question) {
  if (BeforeQuestion) BeforeQuestion();
  FContext.Err << Question << std::endl;
  std::string Answer;
  if (!std::getline(FContext.In, Answer)) return false;
  if (!Answer.empty() && Answer.back() == '\r') Answer.pop_back();
  return SameTextAscii(Answer, "y") || SameTextAscii(Answer, "yes");
}

namespace {
// The number of threads: a whole number from 1 up; anything else is bad usage.
unsigned ParseThreads(const std::string& Text) {
  unsigned Value = 0;
  const char* const End = Text.data() + Text.size();
  const auto [Stop, Error] = std::from_chars(Text.data(), End, Value);
  if (Text.empty() || Error != std::errc() || Stop != End || Value == 0)
    throw ECliUsage("--threads needs a whole number of at least 1, not '" + Text + "'");
  return Value;
}

void WriteTraceFile(const std::string& FileName, const TTraceLines& Trace) {
  std::ofstream Out(FileName, std::ios::binary | std::ios::trunc);
  for (const std::string& Line : Trace.Lines()) Out << Line << '\n';
  Out.flush();
  if (!Out) throw EFileError("Cannot create file \"" + FileName + "\".");
}
}  // namespace

int RunCliAction(const TCliArgs& Args, TCliContext& Context, const TActionParams& Params) {
  TActionParams Run = Params;
  if (Args.Has("threads")) Run.Threads = ParseThreads(Args.Get("threads"));
  TCliOutput Output(Args, Context);
  TFileList Files;
  const auto TreeHolder = std::make_shared<TResultTree>();
  Context.Leftovers.push_back(TreeHolder);
  TResultTree& Tree = *TreeHolder;
  // The tree is only written out once the action ends: the files' results wait as text lines.
  Tree.SetFolding(true);
  TTraceLines Trace;
  TTraceLog TraceLog(Trace);
  const bool TracingOn = Args.Has("trace");
  TCliActionHost Host(Context, TraceLog, TracingOn);
  Host.BeforeQuestion = [&Output] { Output.Flush(); };
  BuildCliFileSet(Args, Files, Host);

  TActionDriver Driver(Files, Tree, TraceLog, Host);
  // A real replace or add-unit is journaled for undo; a dry run keeps what it would write.
  std::shared_ptr<IActionObserver> Observer;
  Driver.ObserveSaves = [&](const TActionParams& P) {
    return Observer = MakeActionObserver(ObservedActionOf(P, Args.Get("dir")));
  };
  Output.Start(Driver, Run, Files);
  std::exception_ptr Error;
  try {
    Driver.DoFiles(Run);
  } catch (...) {
    Error = std::current_exception();
  }
  if (!Host.Information.empty()) throw std::runtime_error(Host.Information);

  // A dry run prints the diff alone, for patch -p1 in the start directory; in JSON its JSON Lines.
  const auto Preview = std::dynamic_pointer_cast<TPreview>(Observer);
  if (Preview && Args.Get("format") == "json") {
    Output.Flush();
    WritePreviewJson(Context.Out, *Preview);
    Output.Finish(Tree);
  } else if (Preview && Output.IsText()) {
    Context.Out << Preview->Diff();
    Context.Out.flush();
    WriteResultsText(Tree, Args, nullptr);
  } else {
    Output.Finish(Tree);
  }
  if (TracingOn) WriteTraceFile(Args.Get("trace"), Trace);
  if (Error) std::rethrow_exception(Error);
  return Output.Status(Tree);
}
