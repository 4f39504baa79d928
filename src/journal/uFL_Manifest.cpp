// Writing and reading the manifest lines. Paths and terms are bytes: a text that is not valid
// UTF-8 is kept in hex under the key's name + "Hex", so that JSON never alters it.
#include "journal/uFL_Manifest.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>

#include <ctime>

#include "support/uFL_Utils.h"

namespace {

void PutBytes(QJsonObject& Obj, const char* Key, const std::string& Bytes) {
  const QByteArray Raw(Bytes.data(), qsizetype(Bytes.size()));
  const QString Text = QString::fromUtf8(Raw);
  if (Text.toUtf8() == Raw)
    Obj.insert(QLatin1String(Key), Text);
  else
    Obj.insert(QLatin1String(Key) + QLatin1String("Hex"), QString::fromLatin1(Raw.toHex()));
}

std::string GetBytes(const QJsonObject& Obj, const char* Key) {
  const auto Hex = Obj.value(QLatin1String(Key) + QLatin1String("Hex"));
  if (Hex.isString()) return QByteArray::fromHex(Hex.toString().toLatin1()).toStdString();
  return Obj.value(QLatin1String(Key)).toString().toStdString();
}

QJsonArray BytesArray(const std::vector<std::string>& List) {
  QJsonArray A;
  for (const auto& S : List) {
    QJsonObject Item;
    PutBytes(Item, "t", S);
    A.append(Item);
  }
  return A;
}

std::vector<std::string> ArrayBytes(const QJsonValue& V) {
  std::vector<std::string> List;
  for (const auto& Item : V.toArray()) List.push_back(GetBytes(Item.toObject(), "t"));
  return List;
}

std::string Line(const QJsonObject& Obj) {
  return QJsonDocument(Obj).toJson(QJsonDocument::Compact).toStdString();
}

QJsonObject Typed(const char* Type) {
  QJsonObject Obj;
  Obj.insert("type", QLatin1String(Type));
  return Obj;
}

}  // namespace

std::string RunHeaderLine(const TJournalRunInfo& Run) {
  QJsonObject Obj = Typed("run");
  Obj.insert("version", 1);
  Obj.insert("id", QString::fromStdString(Run.Id));
  PutBytes(Obj, "action", Run.Action);
  Obj.insert("terms", BytesArray(Run.Terms));
  Obj.insert("replacements", BytesArray(Run.Replacements));
  Obj.insert("startMicros", double(Run.StartMicros));
  return Line(Obj);
}

std::string FileLine(const TJournalFile& File) {
  QJsonObject Obj = Typed("file");
  Obj.insert("n", File.N);
  PutBytes(Obj, "path", File.Path);
  Obj.insert("mode", int(File.Mode));
  Obj.insert("size", double(File.Size));
  Obj.insert("hash", QString::fromStdString(File.Hash));
  Obj.insert("newHash", QString::fromStdString(File.NewHash));
  Obj.insert("offset", double(File.Offset));
  return Line(Obj);
}

bool ParseFileLine(std::string_view Line, TJournalFile& F) {
  QJsonParseError Err;
  const QJsonDocument Doc =
      QJsonDocument::fromJson(QByteArray(Line.data(), qsizetype(Line.size())), &Err);
  if (Err.error != QJsonParseError::NoError || !Doc.isObject()) return false;
  const QJsonObject Obj = Doc.object();
  if (Obj.value("type").toString() != "file") return false;
  F.N = Obj.value("n").toInt();
  F.Path = GetBytes(Obj, "path");
  F.Mode = unsigned(Obj.value("mode").toInt(0644));
  F.Size = int64_t(Obj.value("size").toDouble(-1));
  F.Hash = Obj.value("hash").toString().toStdString();
  F.NewHash = Obj.value("newHash").toString().toStdString();
  F.Offset = int64_t(Obj.value("offset").toDouble(-1));
  return F.N > 0 && !F.Path.empty() && F.Size >= 0 && F.Hash.size() == 32 && F.NewHash.size() == 32;
}

std::string SavedLine(int N) {
  QJsonObject Obj = Typed("saved");
  Obj.insert("n", N);
  return Line(Obj);
}

std::string RestoredLine(int N) {
  QJsonObject Obj = Typed("restored");
  Obj.insert("n", N);
  return Line(Obj);
}

std::string UndoneLine(const std::string& By) {
  QJsonObject Obj = Typed("undone");
  Obj.insert("by", QString::fromStdString(By));
  return Line(Obj);
}

TJournalRunInfo ReadJournalRun(const std::string& Dir) {
  TJournalRunInfo Run;
  Run.Dir = Dir;
  Run.Id = ExtractFileName(Dir);
  std::string Text;
  try {
    Text = ReadWholeFile(Dir + "/" + ManifestName);
  } catch (const EFileError&) {
    return Run;
  }
  auto FileByN = [&](int N) -> TJournalFile* {
    for (auto& F : Run.Files)
      if (F.N == N) return &F;
    return nullptr;
  };
  size_t Start = 0;
  while (Start < Text.size()) {
    size_t End = Text.find('\n', Start);
    // A last line without its LF was cut short while it was written: it proves nothing.
    if (End == std::string::npos) break;
    const QByteArray Raw(Text.data() + Start, qsizetype(End - Start));
    Start = End + 1;
    QJsonParseError Err;
    const QJsonDocument Doc = QJsonDocument::fromJson(Raw, &Err);
    // A damaged line proves nothing either, and what it held is lost.
    if (Err.error != QJsonParseError::NoError || !Doc.isObject()) continue;
    const QJsonObject Obj = Doc.object();
    const QString Type = Obj.value("type").toString();
    if (Type == "run") {
      Run.Action = GetBytes(Obj, "action");
      Run.Terms = ArrayBytes(Obj.value("terms"));
      Run.Replacements = ArrayBytes(Obj.value("replacements"));
      Run.StartMicros = int64_t(Obj.value("startMicros").toDouble());
    } else if (Type == "file") {
      TJournalFile F;
      if (ParseFileLine(std::string_view(Raw.data(), size_t(Raw.size())), F) && !FileByN(F.N))
        Run.Files.push_back(std::move(F));
    } else if (Type == "saved" || Type == "restored") {
      if (TJournalFile* F = FileByN(Obj.value("n").toInt()))
        (Type == "saved" ? F->Saved : F->Restored) = true;
    } else if (Type == "undone") {
      Run.Undone = true;
    }
  }
  return Run;
}

std::string LocalTimeText(int64_t Micros) {
  const time_t T = time_t(Micros / 1000000);
  tm Local{};
  localtime_r(&T, &Local);
  char Buf[32];
  strftime(Buf, sizeof Buf, "%Y-%m-%d %H:%M:%S", &Local);
  return Buf;
}
