// The writers of the machine-readable output formats, over the outcome records of one run.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "output/uFL_FileOutcome.h"

enum class TOutputFormat { ofText, ofGrep, ofJson, ofSarif };

// "text", "grep", "json" or "sarif"; false for anything else.
bool ParseOutputFormat(const std::string& Name, TOutputFormat& Format);

// One finding of a file as it is reported: the record and, where the writer asked for them, its
// fingerprint.
struct TReportedFinding {
  const TFinding* Finding = nullptr;
  std::string Fingerprint;
};

struct TFileReport {
  const TFileOutcome* Outcome = nullptr;
  std::string RelPath;  // relative to the start directory, or absolute when outside it
  bool Relative = false;
  std::vector<TReportedFinding> Findings;  // those left after the baseline
};

struct TReportTotals {
  int64_t Findings = 0;      // reported
  int64_t Unsuppressed = 0;  // reported and not suppressed in the source
  int64_t Baselined = 0;     // left out because the baseline holds them
};

// Each call appends its text to Out; the caller passes it on to the streams.
class TOutputWriter {
 public:
  virtual ~TOutputWriter() = default;
  // Fingerprints and paths relative to the start directory cost time: only a writer that asks for
  // them, or a baseline, gets them; otherwise RelPath is the path as listed.
  virtual bool WantsFingerprints() const { return false; }
  virtual void Begin(const TRunRecord& Run, std::string& Out) = 0;
  virtual void File(const TFileReport& File, std::string& Out) = 0;
  virtual void End(const TRunRecord& Run, const TReportTotals& Totals, std::string& Out) = 0;
};

// Null for ofText: the text format is the results tree itself.
std::unique_ptr<TOutputWriter> CreateOutputWriter(TOutputFormat Format);

std::unique_ptr<TOutputWriter> CreateGrepWriter();
std::unique_ptr<TOutputWriter> CreateJsonLinesWriter();
std::unique_ptr<TOutputWriter> CreateSarifWriter();
