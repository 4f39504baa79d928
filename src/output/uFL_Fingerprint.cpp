// Hashing findings into fingerprints.
#include "output/uFL_Fingerprint.h"

#include <QCryptographicHash>
#include <unordered_map>

namespace {

bool IsBlank(char C) {
  return C == ' ' || C == '\t' || C == '\f' || C == '\v' || C == '\r' || C == '\n';
}

std::string NormalisedText(std::string_view Text) {
  std::string Out;
  Out.reserve(Text.size());
  bool PendingBlank = false;
  for (char C : Text) {
    if (IsBlank(C)) {
      PendingBlank = !Out.empty();
      continue;
    }
    if (PendingBlank) Out += ' ';
    PendingBlank = false;
    Out += C;
  }
  return Out;
}

}  // namespace

std::vector<std::string> Fingerprints(const std::vector<TFinding>& Findings,
                                      std::string_view RelPath) {
  std::vector<std::string> Result;
  Result.reserve(Findings.size());
  std::unordered_map<std::string, int> Seen;
  for (const TFinding& F : Findings) {
    std::string Key = F.RuleId;
    Key += '\0';
    Key += RelPath;
    Key += '\0';
    Key += NormalisedText(F.LineText.empty() ? F.Message : F.LineText);
    const int Ordinal = Seen[Key]++;
    Key += '\0';
    Key += std::to_string(Ordinal);
    const QByteArray Hash =
        QCryptographicHash::hash(QByteArrayView(Key.data(), qsizetype(Key.size())),
                                 QCryptographicHash::Sha256)
            .toHex()
            .left(32);
    Result.emplace_back(Hash.constData(), size_t(Hash.size()));
  }
  return Result;
}
