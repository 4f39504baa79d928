// Fingerprints that find a finding again in a later run of the same files.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "files/uFL_Finding.h"

// The key of partialFingerprints in the SARIF log; a new rule of hashing takes a new version.
inline constexpr const char* FingerprintKey = "ferrolinFindingHash/v1";

// One fingerprint per finding of one file, in the same order: SHA-256 (first 32 hex digits) of the
// rule ID, the path relative to the start directory, the finding's line text with its blanks
// trimmed and runs of blanks made one (its message when it has no line text), and its ordinal
// among the file's findings that agree in all three. Line numbers do not enter, so a finding keeps
// its fingerprint when lines above it come or go; an edit of its own line makes it new.
std::vector<std::string> Fingerprints(const std::vector<TFinding>& Findings,
                                      std::string_view RelPath);
