// The output of a file-set action in the chosen format.
#include "cli/uFL_CliOutput.h"

#include <ostream>

#include "fileset/uFL_FileList.h"
#include "support/uFL_ResultTree.h"
#include "support/uFL_Utils.h"
#include "support/uFL_Version.h"

TCliOutput::TCliOutput(const TCliArgs& Args, TCliContext& Context)
    : FArgs(Args), FContext(Context) {
  if (Args.Has("format") && !ParseOutputFormat(Args.Get("format"), FFormat))
    throw ECliUsage("unknown format '" + Args.Get("format") + "' (text, grep, json or sarif)");
  if (FFormat != TOutputFormat::ofText && Args.Has("filenames-only"))
    throw ECliUsage("--filenames-only goes with --format text only");
  if (Args.Has("baseline")) {
    try {
      FBaseline = ReadBaseline(Args.Get("baseline"));
    } catch (const EBaselineError& E) {
      throw ECliUsage(E.what());
    }
  }
}

void TCliOutput::Start(TActionDriver& Driver, const TActionParams& Params, const TFileList& Files) {
  std::vector<std::ostream*> Streams;
  std::unique_ptr<TOutputWriter> Writer = CreateOutputWriter(FFormat);
  if (Writer) {
    // The tree keeps only the header and its statistics: the findings go to the writer, and the
    // file objects add no nodes that nobody reads.
    Driver.CreateFile = [](TFileKind Kind, TResultTree*) {
      return CreateFileObject(Kind, nullptr);
    };
    Streams.push_back(&FContext.Out);
    if (FArgs.Has("results")) {
      const std::string Name = FArgs.Get("results");
      FResultsFile.open(Name, std::ios::binary | std::ios::trunc);
      if (!FResultsFile) throw EFileError("Cannot create file \"" + Name + "\".");
      Streams.push_back(&FResultsFile);
    }
  } else if (FBaseline) {
    // The text output is the tree; the baseline still decides what --fail-on-results counts.
    Writer = CreateGrepWriter();
  } else {
    return;
  }
  FReport = std::make_unique<TFindingsReport>(std::move(Writer), std::move(Streams),
                                              FBaseline ? &*FBaseline : nullptr);
  FRun.Action = Params.Action;
  FRun.Version = FerrolinVersion;
  FRun.FileCount = Files.Count();
  FRun.StartDir = AbsoluteStartDir(FArgs.Has("list") ? std::string() : FArgs.Get("dir"));
  if (Params.Action == TActionKind::acSearch || Params.Action == TActionKind::acReplace)
    FRun.Terms = Params.SearchList;
  // An empty set runs no action (the driver shows its information): nothing is written then.
  if (Files.Empty()) return;
  FReport->Begin(FRun);
  FStarted = true;
  Driver.OnFileDone = [this](const TFileOutcome& Outcome) { FReport->FileDone(Outcome); };
}

void TCliOutput::Flush() {
  if (FReport) FReport->Flush();
  FContext.Out.flush();
}

void WriteResultsText(const TResultTree& Tree, const TCliArgs& Args, std::ostream* Out) {
  const bool FilenamesOnly = Args.Has("filenames-only");
  if (Out) {
    Tree.WriteText(*Out, FilenamesOnly, "\n");
    Out->flush();
  }
  if (Args.Has("results")) SaveResultTree(Tree, Args.Get("results"), FilenamesOnly);
}

void TCliOutput::Finish(const TResultTree& Tree) {
  if (FFormat == TOutputFormat::ofText) WriteResultsText(Tree, FArgs, &FContext.Out);
  if (!FStarted) return;
  FRun.Statistics = StatisticsLines(Tree);
  FReport->End(FRun);
  if (FResultsFile.is_open()) {
    FResultsFile.close();
    if (!FResultsFile) throw EFileError("Cannot write file \"" + FArgs.Get("results") + "\".");
  }
}

int TCliOutput::Status(const TResultTree& Tree) const {
  if (!FArgs.Has("fail-on-results")) return 0;
  if (FReport) return FReport->Totals().Unsuppressed > 0 ? 1 : 0;
  return Tree.FileNames().empty() ? 0 : 1;
}
