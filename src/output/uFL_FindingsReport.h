// One run's machine-readable report: takes the file outcomes in file-list order, leaves out what
// the baseline holds, counts, and passes the chosen writer's text on to the output streams.
#pragma once

#include <iosfwd>
#include <chrono>
#include <memory>
#include <vector>

#include "output/uFL_Baseline.h"
#include "output/uFL_OutputWriter.h"

class TFindingsReport {
 public:
  // Baseline may be null. The streams are written at least every tenth of a second, so a long
  // run shows its findings as they come.
  TFindingsReport(std::unique_ptr<TOutputWriter> Writer, std::vector<std::ostream*> Streams,
                  const TBaseline* Baseline = nullptr);
  // What is still held goes out, also when the run ended by an error.
  ~TFindingsReport();

  void Begin(const TRunRecord& Run);
  void FileDone(const TFileOutcome& Outcome);
  void End(const TRunRecord& Run);

  const TReportTotals& Totals() const { return FTotals; }
  // Writes what is held so far to the streams.
  void Flush();

 private:
  static constexpr size_t FlushSize = size_t(64) << 10;
  static constexpr std::chrono::milliseconds FlushDelay{100};

  std::unique_ptr<TOutputWriter> FWriter;
  std::vector<std::ostream*> FStreams;
  const TBaseline* FBaseline;
  std::string FStartDir;
  std::string FBuffer;
  TReportTotals FTotals;
  std::chrono::steady_clock::time_point FLastFlush = std::chrono::steady_clock::now();
};

// Writes a whole run, kept as outcome records, in one format to Stream (the window's save).
void WriteReport(TOutputFormat Format, const TRunRecord& Run,
                 const std::vector<TFileOutcome>& Outcomes, std::ostream& Stream);
