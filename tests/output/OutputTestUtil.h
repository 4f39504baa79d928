// Builders of findings and outcomes for the writer tests, and a writer run into a string.
#pragma once

#include <QByteArray>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "output/uFL_FindingsReport.h"

inline TFinding Hit(int Line, int Column, const std::string& Text, const char* Rule = "search") {
  return {Rule, "Search", Text, Line, Column, Column > 0 ? Column + 5 : 0, Text, false};
}

inline TFinding Note(const char* Rule, const std::string& Message, int Line = 0) {
  return {Rule, "General", Message, Line, 0, 0, {}, false};
}

inline TFileOutcome Outcome(const std::string& Path, std::vector<TFinding> Findings) {
  TFileOutcome O;
  O.Path = Path;
  O.Findings = std::move(Findings);
  return O;
}

inline TRunRecord RunOf(const std::string& StartDir = "/src/") {
  TRunRecord R;
  R.Version = "0.25 Alpha";
  R.FileCount = 2;
  R.StartDir = StartDir;
  return R;
}

inline std::string Written(TOutputFormat Format, const std::vector<TFileOutcome>& Outcomes,
                           const TRunRecord& R = RunOf()) {
  std::ostringstream Out;
  WriteReport(Format, R, Outcomes, Out);
  return Out.str();
}

inline std::vector<nlohmann::json> JsonLines(const std::string& Text) {
  std::vector<nlohmann::json> Objects;
  std::istringstream In(Text);
  for (std::string Line; std::getline(In, Line);) Objects.push_back(nlohmann::json::parse(Line));
  return Objects;
}

inline std::string FromBase64(const std::string& Text) {
  return QByteArray::fromBase64(QByteArray::fromStdString(Text)).toStdString();
}
