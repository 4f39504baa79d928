// The baseline: the fingerprints of an earlier run's SARIF log, whose findings are not reported
// again.
#pragma once

#include <stdexcept>
#include <string>
#include <unordered_set>

// A baseline that cannot be used; its message names the file and what is wrong with it.
class EBaselineError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct TBaseline {
  std::unordered_set<std::string> Fingerprints;
  bool Holds(const std::string& Fingerprint) const { return Fingerprints.count(Fingerprint) != 0; }
};

// Reads FileName, a SARIF 2.1.0 log written by this program. Throws EBaselineError when it cannot
// be read, is no JSON, is no SARIF 2.1.0 log, or has a result without this program's fingerprint:
// a baseline that silently held nothing would report every old finding as new.
TBaseline ReadBaseline(const std::string& FileName);
