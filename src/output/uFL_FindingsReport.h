// One run's machine-readable report: takes the file outcomes in file-list order, leaves out what
// the baseline holds, counts, and passes the chosen writer's text on to the output streams.
#pragma once

#include <iosfwd>
#include <memory>
#include <vector>

#include "output/uFL_Baseline.h"
#include "output/uFL_OutputWriter.h"

class TFindingsReport {
 public:
  // Baseline may be null. The streams are written after every file, so a long run shows its
  // findings as they come.
  TFindingsReport(std::unique_ptr<TOutputWriter> Writer, std::vector<std::ostream*> Streams,
                  const TBaseline* Baseline = nullptr);

  void Begin(const TRunRecord& Run);
  void FileDone(const TFileOutcome& Outcome);
  void End(const TRunRecord& Run);

  const TReportTotals& Totals() const { return FTotals; }

 private:
  void Flush();

  std::unique_ptr<TOutputWriter> FWriter;
  std::vector<std::ostream*> FStreams;
  const TBaseline* FBaseline;
  std::string FStartDir;
  std::string FBuffer;
  TReportTotals FTotals;
};

// Writes a whole run, kept as outcome records, in one format to Stream (the window's save).
void WriteReport(TOutputFormat Format, const TRunRecord& Run,
                 const std::vector<TFileOutcome>& Outcomes, std::ostream& Stream);
