// Feeding the writers, with the baseline applied.
#include "output/uFL_FindingsReport.h"

#include <chrono>
#include <filesystem>
#include <ostream>

#include "output/uFL_Fingerprint.h"

TFindingsReport::TFindingsReport(std::unique_ptr<TOutputWriter> Writer,
                                 std::vector<std::ostream*> Streams, const TBaseline* Baseline)
    : FWriter(std::move(Writer)), FStreams(std::move(Streams)), FBaseline(Baseline) {}

TFindingsReport::~TFindingsReport() {
  Flush();
}

void TFindingsReport::Flush() {
  for (std::ostream* Stream : FStreams)
    Stream->write(FBuffer.data(), std::streamsize(FBuffer.size()));
  FBuffer.clear();
}

void TFindingsReport::Begin(const TRunRecord& Run) {
  FStartDir = Run.StartDir;
  FTotals = {};
  FWriter->Begin(Run, FBuffer);
  Flush();
}

void TFindingsReport::FileDone(const TFileOutcome& Outcome) {
  TFileReport File;
  File.Outcome = &Outcome;
  const bool Located = FWriter->WantsFingerprints() || FBaseline;
  std::string Path = Outcome.Path;
  if (Located && !FStartDir.empty()) {
    // A walk's path already starts with the absolute start directory and holds no "." or ".."
    // part nor doubled slash: only other paths are made absolute, which asks the system for the
    // working directory.
    const bool Plain = Path.compare(0, FStartDir.size(), FStartDir) == 0 &&
                       Path.find("/.", FStartDir.size() - 1) == std::string::npos &&
                       Path.find("//", FStartDir.size() - 1) == std::string::npos;
    std::error_code Error;
    if (!Plain) {
      std::string Absolute = std::filesystem::absolute(Path, Error).lexically_normal();
      if (!Error) Path = std::move(Absolute);
    }
    if (Path.size() > FStartDir.size() && Path.compare(0, FStartDir.size(), FStartDir) == 0) {
      Path.erase(0, FStartDir.size());
      File.Relative = true;
    }
  }
  File.RelPath = std::move(Path);

  std::vector<std::string> Prints;
  if (Located) Prints = Fingerprints(Outcome.Findings, File.RelPath);
  File.Findings.reserve(Outcome.Findings.size());
  for (size_t i = 0; i < Outcome.Findings.size(); ++i) {
    TReportedFinding R;
    R.Finding = &Outcome.Findings[i];
    if (!Prints.empty()) R.Fingerprint = std::move(Prints[i]);
    if (FBaseline && FBaseline->Holds(R.Fingerprint)) {
      ++FTotals.Baselined;
      continue;
    }
    ++FTotals.Findings;
    if (!R.Finding->Suppressed) ++FTotals.Unsuppressed;
    File.Findings.push_back(std::move(R));
  }
  FWriter->File(File, FBuffer);
  // Written in blocks, a write per file costing more than the JSON of a small file; but never
  // held back long, so that a long run still shows its findings as they come.
  const auto Now = std::chrono::steady_clock::now();
  if (FBuffer.size() >= FlushSize || Now - FLastFlush >= FlushDelay) {
    Flush();
    FLastFlush = Now;
  }
}

void TFindingsReport::End(const TRunRecord& Run) {
  FWriter->End(Run, FTotals, FBuffer);
  Flush();
  for (std::ostream* Stream : FStreams) Stream->flush();
}

void WriteReport(TOutputFormat Format, const TRunRecord& Run,
                 const std::vector<TFileOutcome>& Outcomes, std::ostream& Stream) {
  TFindingsReport Report(CreateOutputWriter(Format), {&Stream});
  Report.Begin(Run);
  for (const TFileOutcome& Outcome : Outcomes) Report.FileDone(Outcome);
  Report.End(Run);
}
