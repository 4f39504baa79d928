// Reading a baseline from a SARIF log.
#include "output/uFL_Baseline.h"

#include <nlohmann/json.hpp>

#include "output/uFL_Fingerprint.h"
#include "support/uFL_Utils.h"

TBaseline ReadBaseline(const std::string& FileName) {
  const std::string Where = "baseline " + FileName + ": ";
  std::string Text;
  try {
    Text = ReadWholeFile(FileName);
  } catch (const std::exception& E) {
    throw EBaselineError(Where + "cannot be read: " + E.what());
  }
  nlohmann::json Log;
  try {
    Log = nlohmann::json::parse(Text);
  } catch (const nlohmann::json::exception& E) {
    throw EBaselineError(Where + "is not JSON (" + E.what() + ")");
  }
  const auto Fail = [&](const std::string& What) { throw EBaselineError(Where + What); };
  if (!Log.is_object() || Log.value("version", nlohmann::json()) != "2.1.0" ||
      !Log.contains("runs") || !Log["runs"].is_array())
    Fail("is not a SARIF 2.1.0 log");
  TBaseline Baseline;
  for (const auto& Run : Log["runs"]) {
    if (!Run.is_object()) Fail("is not a SARIF 2.1.0 log (a run is no object)");
    if (!Run.contains("results")) continue;
    if (!Run["results"].is_array()) Fail("is not a SARIF 2.1.0 log (results is no list)");
    for (const auto& Result : Run["results"]) {
      const auto* Print = Result.is_object() && Result.contains("partialFingerprints") &&
                                  Result["partialFingerprints"].is_object() &&
                                  Result["partialFingerprints"].contains(FingerprintKey)
                              ? &Result["partialFingerprints"][FingerprintKey]
                              : nullptr;
      if (!Print || !Print->is_string())
        Fail(std::string("has a result without a ") + FingerprintKey +
             " fingerprint; write the baseline with ferrolin-cli --format sarif");
      Baseline.Fingerprints.insert(Print->get<std::string>());
    }
  }
  return Baseline;
}
