// Text between the core's byte strings and Qt's strings: the core holds UTF-8 bytes, Qt decodes
// them for display (invalid bytes show as replacement characters) and encodes what the user typed.
#pragma once

#include <QByteArray>
#include <QString>

#include <string>

inline QString Q(const char* S) {
  return S ? QString::fromUtf8(S) : QString();
}
inline QString Q(const std::string& S) {
  return QString::fromUtf8(S.data(), qsizetype(S.size()));
}
inline std::string S(const QString& Q) {
  const QByteArray B = Q.toUtf8();
  return std::string(B.constData(), size_t(B.size()));
}
