// The host of an action on the command line, and the output every file-set action shares.
#include "cli/uFL_CliRunAction.h"

#include <exception>
#include <fstream>
#include <istream>
#include <ostream>
#include <stdexcept>

#include "cli/uFL_CliFileSet.h"
#include "cli/uFL_CliOutput.h"
#include "fileset/uFL_FileList.h"
#include "support/uFL_Log.h"
#include "support/uFL_ResultTree.h"
#include "support/uFL_Utils.h"

void TCliActionHost::EnterBusyState(bool, TBusyMode Mode) {
  FMode = Mode;
  InitTrace(FTracingOn, &FTrace);
}

bool TCliActionHost::ConfirmOverwrite(const std::string& Question) {
  FContext.Err << Question << std::endl;
  std::string Answer;
  if (!std::getline(FContext.In, Answer)) return false;
  if (!Answer.empty() && Answer.back() == '\r') Answer.pop_back();
  return SameTextAscii(Answer, "y") || SameTextAscii(Answer, "yes");
}

namespace {
void WriteTraceFile(const std::string& FileName, const TTraceLines& Trace) {
  std::ofstream Out(FileName, std::ios::binary | std::ios::trunc);
  for (const std::string& Line : Trace.Lines()) Out << Line << '\n';
  Out.flush();
  if (!Out) throw EFileError("Cannot create file \"" + FileName + "\".");
}
}  // namespace

int RunCliAction(const TCliArgs& Args, TCliContext& Context, const TActionParams& Params) {
  TCliOutput Output(Args, Context);
  TFileList Files;
  TResultTree Tree;
  TTraceLines Trace;
  const bool TracingOn = Args.Has("trace");
  TCliActionHost Host(Context, Trace, TracingOn);
  // The trace is unit state: it must not point at these lines once they are gone.
  struct TUnbindTrace {
    ~TUnbindTrace() { InitTrace(false, nullptr); }
  } Unbind;
  BuildCliFileSet(Args, Files, Host);

  TActionDriver Driver(Files, Tree, Trace, Host);
  Output.Start(Driver, Params, Files);
  std::exception_ptr Error;
  try {
    Driver.DoFiles(Params);
  } catch (...) {
    Error = std::current_exception();
  }
  if (!Host.Information.empty()) throw std::runtime_error(Host.Information);

  Output.Finish(Tree);
  if (TracingOn) WriteTraceFile(Args.Get("trace"), Trace);
  if (Error) std::rethrow_exception(Error);
  return Output.Status(Tree);
}

std::vector<std::string> ReadCliTermsFile(const std::string& FileName) {
  std::vector<std::string> Terms = SplitTextLines(ReadWholeFile(FileName));
  for (const std::string& Term : Terms)
    if (Term.empty()) throw std::runtime_error("Textfile contained empty lines, file rejected");
  return Terms;
}
